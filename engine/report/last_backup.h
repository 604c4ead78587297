// The outcome of the latest backup attempt, kept beside the settings in a
// key/value file of its own, and the short texts that show it.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "engine/report/backup_outcome.h"
#include "engine/report/failure_reason.h"
#include "platform/system.h"

constexpr wchar_t kLastBackupFileName[] = L"lmbackup.last";

struct LastBackup {
    bool recorded = false;  // false: none yet, or the file is missing or damaged
    LocalTime when;
    bool saved = false;
    std::wstring reason;           // the log line's message, in the language of the run that wrote it
    FailureReason cause;           // what the window shows, in its own language
    std::wstring archiveName;      // the day's archive the attempt was for
    std::int64_t archiveSize = 0;  // bytes of the new archive; 0 when none was saved
    bool seen = false;             // a failure the window has already put in front of the user
    bool encrypted = false;        // the saved archive needs the password
    std::vector<BackupNote> notes;  // what the user should also learn of it (a clock to check, a damaged full)
    // When the latest good backup was saved: this attempt's time after a
    // success, carried over by a failure.
    bool hasLastGood = false;
    LocalTime lastGood;
};

// An attempt that ended before 7-Zip ran, now.
LastBackup FailedAttempt(const FailureReason& cause, const std::wstring& archiveName);
// A finished job, now: BackupLogMessage as the reason, the new archive's size,
// an older archive that failed its test as the warning.
LastBackup AttemptOfResult(const BackupResult& result);

// BOM, CR LF, then When, Result, Reason, Code, Detail, Archive, Size and Seen,
// one a line; Detail2 after Detail when there is one; after Seen
// "Encrypted = 1" for an encrypted archive only, LastGood when known, then
// each note as "Note<n> = <code>|<detail>" from 1 on.
std::string LastBackupBytes(const LastBackup& attempt);
// Anything but a whole record reads as not recorded; without Code (an earlier
// version's record) the cause is empty and Reason is shown as it stands.
// Without LastGood a saved attempt is the last good backup itself.
LastBackup ParseLastBackup(const std::string& bytes);
// Through a temporary and a replace: a reader sees the old or the new record.
// An attempt that knows no good backup takes over the one the record knew.
void RecordLastBackup(LastBackup attempt);
LastBackup ReadLastBackup();
// Sets Seen, unless another run has recorded a newer attempt meanwhile.
void MarkLastBackupSeen(const LastBackup& shown);

// "1.2 GB", "512 KB", "900 bytes", in the current language.
std::wstring FormatArchiveSize(std::int64_t bytes);
// The failure as this process's language says it: from the cause when it is a known code, else Reason.
std::wstring ShownFailureReason(const LastBackup& attempt);
// The notes as this process's language says them, one after the other; those of unknown codes left out.
std::wstring ShownNotes(const LastBackup& attempt);
// A failure, or a saved night with a damaged full, is told at once by a balloon.
bool AttemptNeedsNotice(const LastBackup& attempt);
// The Main tab's line: saved with size, failed with reason, or none yet; the notes after it.
// What a balloon says of the attempt: the failure, or the notes of a saved
// night that needs a notice; empty when there is nothing to tell.
std::wstring AttemptAlertText(const LastBackup& attempt);
std::wstring LastBackupLineText(const LastBackup& attempt);
// The same line after "No good backup for <days> days." (days > 0).
std::wstring StaleLineText(const LastBackup& attempt, int days);
// The tray tool tip while no good backup is that old, clipped like the others.
std::wstring StaleToolTipText(int days);
// The tray tool tip: Messages/SysTrayTooltip while nothing is recorded; at
// most kTrayToolTipLimit characters, never half a surrogate pair.
std::wstring LastBackupToolTipText(const LastBackup& attempt);
// While a backup or restore runs: "Larkmail Backup - " + its status text, clipped the same way.
std::wstring JobToolTipText(const std::wstring& status);
