// Names of this program's archives: a full "..._<day>.7z" and a differential
// "..._<day>_diff_<day of its full>.7z", and reading them back, in this one place.
#pragma once
#include <string>

#include "platform/system.h"

enum class ArchiveKind { Full, Differential };

struct ArchiveNameParts {
    LocalTime day;
    ArchiveKind kind = ArchiveKind::Full;
    LocalTime fullDay;     // the full a differential was made against; the day itself for a full
    std::wstring fullName;  // that full's name, in the name's own letter case; the name itself for a full
};

// "LarkmailBackup_" + computer + "_" + user + "_" + yyyymmdd + "_diff_" + yyyymmdd + ".7z"
std::wstring DifferentialArchiveName(const std::wstring& computer, const std::wstring& user, const LocalTime& day,
                                     const LocalTime& fullDay);
// This computer's and user's names only, matched from the known
// "LarkmailBackup_<computer>_<user>_" on, without regard to ASCII case, so
// user names holding "_" or "_diff" read back whole; false for any other
// name or an impossible date.
bool ParseArchiveName(const std::wstring& name, const std::wstring& computer, const std::wstring& user,
                      ArchiveNameParts& parts);
// Any computer's and user's name: this computer's and user's as
// ParseArchiveName reads them, any other by its shape, where only
// "_<day>_diff_<earlier day>.7z" makes a differential (one is always made
// after its full), so a user "anna_diff" never turns a full into one.
bool ReadArchiveName(const std::wstring& name, const std::wstring& computer, const std::wstring& user,
                     ArchiveNameParts& parts);
// Days since 1970-01-01 of a calendar date.
long DaysSinceEpoch(int year, int month, int day);
long DayNumber(const LocalTime& day);
