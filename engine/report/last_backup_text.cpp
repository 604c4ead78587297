// The texts that show the latest attempt (the Main tab's line, the tray tool tip, the archive's size) and a running one.
#include <cwchar>

#include "config/language_table.h"
#include "engine/console/archive_names.h"
#include "engine/report/last_backup.h"
#include "platform/system.h"
#include "platform/window.h"

namespace {

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
    if (bytes < 1024) return FillPlaceholder(LookUpText(L"MainWindow", L"SizeBytes"), std::to_wstring(bytes));
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
    return FillPlaceholder(LookUpText(L"MainWindow", keys[unitIndex]), number);
}

std::wstring LastBackupLineText(const LastBackup& attempt) {
    if (!attempt.recorded) return LookUpText(L"MainWindow", L"LastBackupNone");
    const std::wstring when = FormatShownTime(attempt.when, true);
    const std::wstring notes = ShownNotes(attempt);
    const std::wstring after = notes.empty() ? notes : L" " + notes;
    if (!attempt.saved)
        return FillPlaceholders(LookUpText(L"MainWindow", L"LastBackupFailed"), {when, ShownFailureReason(attempt)}) +
               after;
    const wchar_t* const key = NamesDifferential(attempt.archiveName) ? L"LastBackupSavedDiff"
                               : attempt.encrypted                      ? L"LastBackupEncrypted"
                                                                        : L"LastBackupSaved";
    return FillPlaceholders(LookUpText(L"MainWindow", key), {when, FormatArchiveSize(attempt.archiveSize)}) + after;
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
    // What can no longer be restored: a damaged full, an older archive that failed its test.
    for (const BackupNote& note : attempt.notes)
        if (note.code == L"LogFullDamaged" || note.code == L"LogProofFailed") return true;
    return false;
}

std::wstring ShownFailureReason(const LastBackup& attempt) {
    return IsFailureReasonCode(attempt.cause.code) ? FailureReasonText(attempt.cause) : attempt.reason;
}

std::wstring AttemptAlertText(const LastBackup& attempt) {
    if (!attempt.recorded || !AttemptNeedsNotice(attempt)) return {};
    return attempt.saved ? ShownNotes(attempt) : ShownFailureReason(attempt);
}

std::wstring StaleLineText(const LastBackup& attempt, int days) {
    return FillPlaceholder(LookUpText(L"MainWindow", L"StaleBackup"), std::to_wstring(days)) + L" " +
           LastBackupLineText(attempt);
}

std::wstring StaleToolTipText(int days) {
    return ClippedToolTip(FillPlaceholder(LookUpText(L"Messages", L"TrayStale"), std::to_wstring(days)));
}

std::wstring LastBackupToolTipText(const LastBackup& attempt) {
    if (!attempt.recorded) return ClippedToolTip(LookUpText(L"Messages", L"SysTrayTooltip"));
    const wchar_t* const key = !attempt.saved                          ? L"TrayLastFailed"
                               : NamesDifferential(attempt.archiveName) ? L"TrayLastSavedDiff"
                                                                        : L"TrayLastSaved";
    return ClippedToolTip(FillPlaceholder(LookUpText(L"Messages", key), FormatShownTime(attempt.when, false)));
}

std::wstring JobToolTipText(const std::wstring& status) {
    return ClippedToolTip(L"Larkmail Backup - " + status);
}
