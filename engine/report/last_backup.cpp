// The record of the latest backup attempt: its bytes, its reading, its replacement.
#include "engine/report/last_backup.h"

#include "config/key_value_file.h"
#include "engine/report/record_time.h"
#include "platform/files.h"
#include "platform/text.h"

namespace {

// Digits only, at most 18 of them; -1 otherwise.
std::int64_t ParseCount(const std::wstring& text) {
    if (text.empty() || text.size() > 18) return -1;
    std::int64_t value = 0;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9') return -1;
        value = value * 10 + (c - L'0');
    }
    return value;
}
}  // namespace

LastBackup FailedAttempt(const FailureReason& cause, const std::wstring& archiveName) {
    LastBackup attempt;
    attempt.recorded = true;
    attempt.when = ReadLocalTime();
    attempt.reason = FailureReasonText(cause);
    attempt.cause = cause;
    attempt.archiveName = archiveName;
    return attempt;
}

LastBackup AttemptOfResult(const BackupResult& result) {
    LastBackup attempt = FailedAttempt(FailureReasonOf(result), FileNameOf(result.archivePath));
    attempt.reason = BackupLogMessage(result);
    attempt.saved = result.status == BackupStatus::Success;
    if (attempt.saved) {
        const std::int64_t size = ReadFileSize(result.archivePath);
        attempt.archiveSize = size > 0 ? size : 0;
        attempt.encrypted = result.encrypted;
        attempt.hasLastGood = true;
        attempt.lastGood = attempt.when;
    }
    attempt.notes = result.notes;
    return attempt;
}

void SetSecondCopyState(LastBackup& attempt, const SecondCopyOutcome& copy, const LastBackup& previous) {
    attempt.copyPending = false;
    attempt.copyPendingSince = LocalTime{};
    attempt.copyCause = {};
    switch (copy.state) {
        case SecondCopyState::Off:
        case SecondCopyState::UpToDate: return;
        case SecondCopyState::NotTried:
            if (!previous.recorded || !previous.copyPending) return;
            attempt.copyPending = true;
            attempt.copyPendingSince = previous.copyPendingSince;
            attempt.copyCause = previous.copyCause;
            return;
        case SecondCopyState::Pending:
            attempt.copyPending = true;
            attempt.copyPendingSince = previous.recorded && previous.copyPending ? previous.copyPendingSince : attempt.when;
            attempt.copyCause = copy.cause;
            return;
    }
}

std::string LastBackupBytes(const LastBackup& attempt) {
    KeyValueFile file;
    WriteKeyValueText(file, L"When", FormatRecordTime(attempt.when));
    WriteKeyValueText(file, L"Result", attempt.saved ? L"saved" : L"failed");
    WriteKeyValueText(file, L"Reason", attempt.reason);
    WriteKeyValueText(file, L"Code", attempt.cause.code);
    WriteKeyValueText(file, L"Detail", attempt.cause.detail);
    if (!attempt.cause.detail2.empty()) WriteKeyValueText(file, L"Detail2", attempt.cause.detail2);
    WriteKeyValueText(file, L"Archive", attempt.archiveName);
    WriteKeyValueText(file, L"Size", std::to_wstring(attempt.archiveSize));
    WriteKeyValueInteger(file, L"Seen", attempt.seen ? 1 : 0);
    if (attempt.encrypted) WriteKeyValueInteger(file, L"Encrypted", 1);
    if (attempt.hasLastGood) WriteKeyValueText(file, L"LastGood", FormatRecordTime(attempt.lastGood));
    for (std::size_t i = 0; i < attempt.notes.size(); ++i) {
        const BackupNote& note = attempt.notes[i];
        WriteKeyValueText(file, L"Note" + std::to_wstring(i + 1), note.code + L"|" + note.detail);
    }
    if (attempt.copyPending) {
        WriteKeyValueText(file, L"CopyPendingSince", FormatRecordTime(attempt.copyPendingSince));
        WriteKeyValueText(file, L"CopyCode", attempt.copyCause.code);
        WriteKeyValueText(file, L"CopyDetail", attempt.copyCause.detail);
    }
    return SerializeKeyValueLines(file.lines);
}

LastBackup ParseLastBackup(const std::string& bytes) {
    KeyValueFile file;
    file.lines = ParseKeyValueBytes(bytes);
    LastBackup attempt;
    const std::wstring result = ReadKeyValueText(file, L"Result", L"");
    const std::wstring seen = ReadKeyValueText(file, L"Seen", L"");
    const std::int64_t size = ParseCount(ReadKeyValueText(file, L"Size", L""));
    if (!ParseRecordTime(ReadKeyValueText(file, L"When", L""), attempt.when) || size < 0 ||
        (result != L"saved" && result != L"failed") || (seen != L"0" && seen != L"1"))
        return LastBackup{};
    attempt.recorded = true;
    attempt.saved = result == L"saved";
    attempt.reason = ReadKeyValueText(file, L"Reason", L"");
    attempt.cause.code = ReadKeyValueText(file, L"Code", L"");
    attempt.cause.detail = ReadKeyValueText(file, L"Detail", L"");
    attempt.cause.detail2 = ReadKeyValueText(file, L"Detail2", L"");
    attempt.archiveName = ReadKeyValueText(file, L"Archive", L"");
    attempt.archiveSize = size;
    attempt.seen = seen == L"1";
    attempt.encrypted = attempt.saved && ReadKeyValueText(file, L"Encrypted", L"") == L"1";
    attempt.hasLastGood = ParseRecordTime(ReadKeyValueText(file, L"LastGood", L""), attempt.lastGood);
    if (!attempt.hasLastGood && attempt.saved) {
        attempt.hasLastGood = true;
        attempt.lastGood = attempt.when;
    }
    for (int i = 1;; ++i) {
        const std::wstring note = ReadKeyValueText(file, L"Note" + std::to_wstring(i), L"");
        const std::size_t bar = note.find(L'|');
        if (bar == std::wstring::npos) break;
        attempt.notes.push_back({note.substr(0, bar), note.substr(bar + 1)});
    }
    // Absent (a record of an earlier version) or damaged: nothing pending.
    attempt.copyPending = ParseRecordTime(ReadKeyValueText(file, L"CopyPendingSince", L""), attempt.copyPendingSince);
    if (attempt.copyPending) {
        attempt.copyCause.code = ReadKeyValueText(file, L"CopyCode", L"");
        attempt.copyCause.detail = ReadKeyValueText(file, L"CopyDetail", L"");
    } else {
        attempt.copyPendingSince = LocalTime{};
    }
    return attempt;
}

void TakeOverLastGood(LastBackup& attempt) {
    if (attempt.hasLastGood) return;
    const LastBackup earlier = ReadLastBackup();
    attempt.hasLastGood = earlier.hasLastGood;
    attempt.lastGood = earlier.lastGood;
}

void RecordLastBackup(LastBackup attempt) {
    TakeOverLastGood(attempt);
    // A record that cannot be written is lost, like a log line: the backup's outcome stands regardless.
    WriteFileReplacing(kLastBackupFileName, LastBackupBytes(attempt));
}

LastBackup ReadLastBackup() {
    std::string bytes;
    if (!ReadWholeFile(kLastBackupFileName, bytes)) return LastBackup{};
    return ParseLastBackup(bytes);
}

void MarkLastBackupSeen(const LastBackup& shown) {
    // Held from the read to the replace, so a run that records meanwhile is not overwritten.
    KeyValueFile file;
    if (OpenKeyValueFile(file, kLastBackupFileName) &&
        ReadKeyValueText(file, L"When", L"") == FormatRecordTime(shown.when) &&
        ReadKeyValueText(file, L"Reason", L"") == shown.reason)
        WriteKeyValueInteger(file, L"Seen", 1);
    CloseKeyValueFile(file);
}
