// Old archives of this computer and user removed by age, after a successful backup.
#pragma once
#include <string>

#include "platform/system.h"

// Days since 1970-01-01 of a calendar date.
long DaysSinceEpoch(int year, int month, int day);
enum class ArchiveKind { Full, Differential };
struct ArchiveNameParts {
    ArchiveKind kind = ArchiveKind::Full;
    LocalTime day;      // the first date in the name
    LocalTime diffDay;  // a differential's date after "_diff_"
};
// "LarkmailBackup_<computer>_<user>_<yyyymmdd>.7z" or
// "LarkmailBackup_<computer>_<user>_<yyyymmdd>_diff_<yyyymmdd>.7z", matched
// without regard to ASCII case; false for any other name or an impossible date.
bool ParseArchiveName(const std::wstring& name, const std::wstring& computer, const std::wstring& user,
                      ArchiveNameParts& parts);
// The date of a full archive's name (ParseArchiveName); false for any other.
bool ReadArchiveDate(const std::wstring& name, const std::wstring& computer, const std::wstring& user,
                     LocalTime& date);
struct RetentionRequest {
    std::wstring backupFolder;  // with its trailing "\"
    std::wstring computer, user;
    LocalTime today;
    int keepDays = 0;           // 0: keep everything
    std::wstring keepPath;      // the archive just written
};
// Deletes this computer's and user's archives dated before today minus
// keepDays, never a read-only one; logs what it could not delete and how many went.
int RemoveExpiredArchives(const RetentionRequest& request);
