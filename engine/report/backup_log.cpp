// The backup log: one time-stamped ANSI line per outcome.
#include "engine/report/backup_log.h"

#include <cwchar>

#include "platform/files.h"

std::wstring FormatLogTimestamp(const LocalTime& time) {
    wchar_t buffer[40];
    std::swprintf(buffer, 40, L"%02d/%02d/%04d %02d:%02d:%02d", time.month, time.day, time.year,
                  time.hour, time.minute, time.second);
    return buffer;
}

std::string FormatLogLine(const std::wstring& message, const LocalTime& time) {
    return AnsiFromWide(message + L" " + FormatLogTimestamp(time) + L"\r\n");
}

void AppendLogLine(const std::wstring& baseName, const std::wstring& message) {
    // A log that cannot be opened loses the line; the caller goes on regardless.
    AppendToSharedFile(baseName + L".log", FormatLogLine(message, ReadLocalTime()));
}

bool BackupLogExists() {
    return ReadFileSize(L"backup.log") != -1;
}

void AppendToBackupLog(const std::wstring& message) {
    AppendLogLine(kLogBaseName, message);
}
