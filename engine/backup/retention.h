// Old archives of this computer and user removed by age, after a successful backup.
#pragma once
#include <string>

#include "engine/console/archive_names.h"
#include "platform/system.h"

// The date in "LarkmailBackup_<computer>_<user>_<yyyymmdd>.7z", matched
// without regard to ASCII case; false for any other name or an impossible date.
bool ReadArchiveDate(const std::wstring& name, const std::wstring& computer, const std::wstring& user,
                     LocalTime& date);
struct RetentionRequest {
    std::wstring backupFolder;  // with its trailing "\"
    std::wstring computer, user;
    LocalTime today;
    int keepDays = 0;           // 0: keep everything
    std::wstring keepPath;      // the archive just written
    std::wstring damagedFull;   // a full that failed its test tonight
};
struct RetentionOutcome {
    int removed = 0;
    // Set when nothing went for the date: today lies more than keepDays
    // after the newest archive made before today, this one.
    std::wstring pausedBy;
};
// Deletes this computer's and user's archives dated before today minus
// keepDays, never a read-only one, never a full that a differential which
// stays was made against, never the two newest fulls before today that passed
// their test nor the differentials made against them; logs what it could
// not delete and how many went. When today lies more than keepDays after the
// newest archive before today (the clock jumped ahead, or the computer was
// unused for long), deletes nothing and logs why.
RetentionOutcome RemoveExpiredArchives(const RetentionRequest& request);
// A day has one archive: after a success, this computer's and user's other
// archives of that day (a differential of another full, or one the new full
// replaces) go, read-only ones excepted.
void RemoveOtherArchivesOfDay(const RetentionRequest& request);
