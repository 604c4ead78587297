// The backup log: one time-stamped ANSI line per outcome.
#pragma once
#include <string>

#include "platform/system.h"

constexpr wchar_t kLogBaseName[] = L"Backup";

// "mm/dd/yyyy hh:ii:ss"
std::wstring FormatLogTimestamp(const LocalTime& time);
// message + " " + timestamp + CR LF, converted to the ANSI code page.
std::string FormatLogLine(const std::wstring& message, const LocalTime& time);
void AppendLogLine(const std::wstring& baseName, const std::wstring& message);
// AppendLogLine into the program's own log.
void AppendToBackupLog(const std::wstring& message);
// The viewer's test: "backup.log" exists in the current folder.
bool BackupLogExists();
