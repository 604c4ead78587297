// The texts that show the latest attempt (the Main tab's line, the tray tool tip, the archive's size) and a running one.
#include <cwchar>

#include "config/language_table.h"
#include "engine/console/archive_names.h"
#include "engine/report/last_backup.h"
#include "platform/system.h"
#include "platform/window.h"

namespace {

std::wstring FillTwo(const std::wstring& text, const std::wstring& first, const std::wstring& second) {
    return FillPlaceholders(text, first, second);
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

std::wstring FormatShownDate(const LocalTime& t, bool withYear) {
    wchar_t buffer[40];
    if (withYear)
        std::swprintf(buffer, 40, L"%02d/%02d/%04d", t.month, t.day, t.year);
    else
        std::swprintf(buffer, 40, L"%02d/%02d", t.month, t.day);
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
    std::wstring line =
        attempt.saved
            ? FillTwo(LookUpText(L"MainWindow", NamesDifferential(attempt.archiveName) ? L"LastBackupSavedDiff"
                                                : attempt.encrypted                      ? L"LastBackupEncrypted"
                                                                                         : L"LastBackupSaved"),
                      when, FormatArchiveSize(attempt.archiveSize))
            : FillTwo(LookUpText(L"MainWindow", L"LastBackupFailed"), when, ShownFailureReason(attempt));
    if (attempt.copyPending)
        line = FillTwo(LookUpText(L"MainWindow", L"LastBackupCopyPending"), line,
                       FormatShownDate(attempt.copyPendingSince, true));
    return line + after;
}

std::wstring SecondCopyPendingText(const LastBackup& attempt) {
    const std::wstring since = FillPlaceholder(LookUpText(L"LogMessages", L"LogSecondCopyPending"),
                                               FormatShownDate(attempt.copyPendingSince, true));
    return IsFailureReasonCode(attempt.copyCause.code) ? since + L" " + FailureReasonText(attempt.copyCause) : since;
}

std::wstring SavedNightNotice(const LastBackup& attempt) {
    const std::wstring notes = ShownNotes(attempt);
    if (!attempt.copyPending) return notes;
    return notes.empty() ? SecondCopyPendingText(attempt) : SecondCopyPendingText(attempt) + L" " + notes;
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
    return !attempt.saved || attempt.copyPending || TellsLostArchive(attempt);
}

bool TellsLostArchive(const LastBackup& attempt) {
    for (const BackupNote& note : attempt.notes)
        if (note.code == L"LogFullDamaged" || note.code == L"LogProofFailed") return true;
    return false;
}

std::wstring ShownFailureReason(const LastBackup& attempt) {
    return IsFailureReasonCode(attempt.cause.code) ? FailureReasonText(attempt.cause) : attempt.reason;
}

std::wstring AttemptAlertText(const LastBackup& attempt) {
    if (!attempt.recorded || !AttemptNeedsNotice(attempt)) return {};
    return attempt.saved ? SavedNightNotice(attempt) : ShownFailureReason(attempt);
}

std::wstring StaleLineText(const LastBackup& attempt, int days) {
    return FillPlaceholder(LookUpText(L"MainWindow", L"StaleBackup"), std::to_wstring(days)) + L" " +
           LastBackupLineText(attempt);
}

std::wstring StaleToolTipText(int days) {
    return ClippedToolTip(FillPlaceholder(LookUpText(L"Messages", L"TrayStale"), std::to_wstring(days)));
}

std::wstring LastBackupToolTipText(const LastBackup& attempt) {
    std::wstring text = LookUpText(L"Messages", L"SysTrayTooltip");
    // A failure is the news; after a saved one, the copy that is still missing.
    if (attempt.recorded && attempt.saved && attempt.copyPending)
        text = FillTwo(LookUpText(L"Messages", L"TraySecondCopyPending"), FormatShownDate(attempt.copyPendingSince, false),
                       L"");
    else if (attempt.recorded)
        text = FillTwo(LookUpText(L"Messages", !attempt.saved                                 ? L"TrayLastFailed"
                                               : NamesDifferential(attempt.archiveName) ? L"TrayLastSavedDiff"
                                                                                          : L"TrayLastSaved"),
                       FormatShownTime(attempt.when, false), L"");
    return ClippedToolTip(text);
}

std::wstring JobToolTipText(const std::wstring& status) {
    return ClippedToolTip(L"Larkmail Backup - " + status);
}
