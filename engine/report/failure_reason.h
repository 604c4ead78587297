// Why a backup attempt failed, as a stable code that each window turns into its own language.
#pragma once
#include <string>

#include "engine/report/backup_outcome.h"

// The code is the LogMessages key of the log line; the detail fills its "%1"
// (an exit code, a path), `detail2` its "%2". A record keeps them all, so a
// run in one language can be shown by a window in another.
struct FailureReason {
    std::wstring code;  // empty: none (a success, or a record of an earlier version)
    std::wstring detail;
    std::wstring detail2{};
};

// The reason for a job's outcome; an empty code for a success.
FailureReason FailureReasonOf(const BackupResult& result);
// A code this program has a text for.
bool IsFailureReasonCode(const std::wstring& code);
// The reason's text in the current language.
std::wstring FailureReasonText(const FailureReason& reason);
// How many of the files 7-Zip could not read a reason names.
constexpr std::size_t kShownUnreadFiles = 3;
// A path 7-Zip gave for a file of the data folder, from inside that folder on
// ("Mail\inbox.db"); any other path as it is.
std::wstring DataRelativePath(const std::wstring& path, const std::wstring& dataFolder);
