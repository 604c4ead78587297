// Names of this program's archives: a full "..._<day>.7z" and a differential
// "..._<day>_diff_<day of its full>.7z", and reading them back.
#pragma once
#include <string>

#include "platform/system.h"

enum class ArchiveKind { Full, Differential };

struct ArchiveNameParts {
    LocalTime day;
    ArchiveKind kind = ArchiveKind::Full;
    LocalTime fullDay;  // the full a differential was made against; the day itself for a full
};

// "LarkmailBackup_" + computer + "_" + user + "_" + yyyymmdd + "_diff_" + yyyymmdd + ".7z"
std::wstring DifferentialArchiveName(const std::wstring& computer, const std::wstring& user, const LocalTime& day,
                                     const LocalTime& fullDay);
// Matched from the known "LarkmailBackup_<computer>_<user>_" on, without
// regard to ASCII case, so user names holding "_" read back whole; false for
// any other name or an impossible date.
bool ParseArchiveName(const std::wstring& name, const std::wstring& computer, const std::wstring& user,
                      ArchiveNameParts& parts);
// The full a differential's name was made against: "..._<full day>.7z".
std::wstring FullArchiveNameOf(const std::wstring& differentialName);
// Whether a name (of any computer and user) ends like a differential's.
bool NamesDifferentialArchive(const std::wstring& name);
// Days since 1970-01-01 of a calendar date.
long DaysSinceEpoch(int year, int month, int day);
long DayNumber(const LocalTime& day);
