// The texts that show the latest attempt (the Main tab's line, the tray tool tip, the archive's size) and a running one.
#include <cwchar>

#include "config/language_table.h"
#include "engine/console/archive_names.h"
#include "engine/report/last_backup.h"
#include "platform/system.h"
#include "platform/window.h"

namespace {

// One pass, so a value that itself holds "%2" (a folder may) stays as it is.
std::wstring FillTwo(const std::wstring& text, const std::wstring& first, const std::wstring& second) {
    std::wstring filled;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'%' && i + 1 < text.size() && (text[i + 1] == L'1' || text[i + 1] == L'2')) {
            filled += text[i + 1] == L'1' ? first : second;
            ++i;
        } else {
            filled += text[i];
        }
    }
    return filled;
}

// The log's order of month and day, without the seconds.
std::wstring FormatShownTime(const LocalTime& t, bool withYear) {
    wchar_t buffer[40];
    if (withYear)
        std::swprintf(buffer, 40, L"%02d/%02d/%04d %02d:%02d", t.month, t.day, t.year, t.hour, t.minute);
    else
        std::swprintf(buffer, 40, L"%02d/%02d %02d:%02d", t.month, t.day, t.hour, t.minute);
    return buffer;
}

bool IsHighSurrogate(wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; }

std::wstring ClippedToolTip(const std::wstring& text) {
    if (text.size() <= kTrayToolTipLimit) return text;
    std::size_t keep = kTrayToolTipLimit;
    if (IsHighSurrogate(text[keep - 1])) --keep;
    return text.substr(0, keep);
}

// Read as the one reading of names reads them, so a user "anna_diff" has fulls.
bool NamesDifferential(const std::wstring& name) {
    ArchiveNameParts parts;
    return ReadArchiveName(name, ReadEnvironmentText(L"COMPUTERNAME"), ReadEnvironmentText(L"USERNAME"), parts) &&
           parts.kind == ArchiveKind::Differential;
}

}  // namespace

std::wstring FormatArchiveSize(std::int64_t bytes) {
    const wchar_t* const keys[] = {L"SizeKB", L"SizeMB", L"SizeGB"};
    if (bytes < 1024) return FillTwo(LookUpText(L"MainWindow", L"SizeBytes"), std::to_wstring(bytes), L"");
    int unitIndex = 0;
    std::int64_t unit = 1024;
    while (unitIndex < 2 && bytes >= unit * 1024) {
        unit *= 1024;
        ++unitIndex;
    }
    const std::int64_t tenths = bytes / unit * 10 + (bytes % unit * 10 + unit / 2) / unit;
    std::wstring number;
    if (tenths >= 1000)
        number = std::to_wstring((tenths + 5) / 10);
    else
        number = std::to_wstring(tenths / 10) + LookUpText(L"MainWindow", L"DecimalMark") + std::to_wstring(tenths % 10);
    return FillTwo(LookUpText(L"MainWindow", keys[unitIndex]), number, L"");
}

std::wstring LastBackupLineText(const LastBackup& attempt) {
    if (!attempt.recorded) return LookUpText(L"MainWindow", L"LastBackupNone");
    const std::wstring when = FormatShownTime(attempt.when, true);
    const std::wstring notes = ShownNotes(attempt);
    const std::wstring after = notes.empty() ? notes : L" " + notes;
    if (attempt.saved)
        return FillTwo(LookUpText(L"MainWindow", NamesDifferential(attempt.archiveName) ? L"LastBackupSavedDiff"
                                                 : attempt.encrypted                      ? L"LastBackupEncrypted"
                                                                                          : L"LastBackupSaved"),
                       when, FormatArchiveSize(attempt.archiveSize)) +
               after;
    return FillTwo(LookUpText(L"MainWindow", L"LastBackupFailed"), when, ShownFailureReason(attempt)) + after;
}

std::wstring ShownNotes(const LastBackup& attempt) {
    std::wstring text;
    for (const BackupNote& note : attempt.notes) {
        if (!IsFailureReasonCode(note.code)) continue;
        text += (text.empty() ? L"" : L" ") + FailureReasonText({note.code, note.detail});
    }
    return text;
}

bool AttemptNeedsNotice(const LastBackup& attempt) {
    if (!attempt.saved) return true;
    for (const BackupNote& note : attempt.notes)
        if (note.code == L"LogFullDamaged") return true;
    return false;
}

std::wstring ShownFailureReason(const LastBackup& attempt) {
    return IsFailureReasonCode(attempt.cause.code) ? FailureReasonText(attempt.cause) : attempt.reason;
}

std::wstring LastBackupToolTipText(const LastBackup& attempt) {
    std::wstring text = LookUpText(L"Messages", L"SysTrayTooltip");
    if (attempt.recorded)
        text = FillTwo(LookUpText(L"Messages", !attempt.saved                                 ? L"TrayLastFailed"
                                               : NamesDifferential(attempt.archiveName) ? L"TrayLastSavedDiff"
                                                                                          : L"TrayLastSaved"),
                       FormatShownTime(attempt.when, false), L"");
    return ClippedToolTip(text);
}

std::wstring JobToolTipText(const std::wstring& status) {
    return ClippedToolTip(L"Larkmail Backup - " + status);
}
