// The outcome of the latest backup attempt, kept beside the settings in a
// key/value file of its own, and the short texts that show it.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "engine/report/backup_outcome.h"
#include "engine/report/failure_reason.h"
#include "engine/report/second_copy_outcome.h"
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
    // The second folder lacks archives since copyPendingSince (the first run
    // that could not bring it up to date); copyCause: why the latest try could not.
    bool copyPending = false;
    LocalTime copyPendingSince;
    FailureReason copyCause;
    // When the latest good backup was saved: this attempt's time after a
    // success, carried over by a failure.
    bool hasLastGood = false;
    LocalTime lastGood;
};

// An attempt that ended before 7-Zip ran, now.
LastBackup FailedAttempt(const FailureReason& cause, const std::wstring& archiveName);
// A finished job, now: BackupLogMessage as the reason, the new archive's size.
LastBackup AttemptOfResult(const BackupResult& result);

// What the second copy's try makes of the attempt: up to date or off clears
// a pending copy; pending keeps the date `previous` (the record it replaces)
// has, else starts now; an attempt that did not try keeps `previous`'s state.
void SetSecondCopyState(LastBackup& attempt, const SecondCopyOutcome& copy, const LastBackup& previous);

// BOM, CR LF, then When, Result, Reason, Code, Detail, Archive, Size and Seen, one a line;
// Detail2 after Detail when there is one; "Encrypted = 1" after them for an
// encrypted archive only, LastGood when known, then each note as
// "Note<n> = <code>|<detail>" from 1 on; CopyPendingSince, CopyCode and
// CopyDetail only while the second copy is pending.
std::string LastBackupBytes(const LastBackup& attempt);
// Anything but a whole record reads as not recorded; without Code (an earlier
// version's record) the cause is empty and Reason is shown as it stands.
// Without LastGood a saved attempt is the last good backup itself.
LastBackup ParseLastBackup(const std::string& bytes);
// An attempt that knows no good backup (a failure) takes over the one the record knew.
void TakeOverLastGood(LastBackup& attempt);
// Through a temporary and a replace: a reader sees the old or the new record;
// the last good backup taken over first.
void RecordLastBackup(LastBackup attempt);
// A saved night's notes name an archive that can no longer be restored: a
// damaged full, or an older archive that failed its test.
bool TellsLostArchive(const LastBackup& attempt);
LastBackup ReadLastBackup();
// Sets Seen, unless another run has recorded a newer attempt meanwhile.
void MarkLastBackupSeen(const LastBackup& shown);

// "1.2 GB", "512 KB", "900 bytes", in the current language.
std::wstring FormatArchiveSize(std::int64_t bytes);
// The failure as this process's language says it: from the cause when it is a known code, else Reason.
std::wstring ShownFailureReason(const LastBackup& attempt);
// The notes as this process's language says them, one after the other; those of unknown codes left out.
std::wstring ShownNotes(const LastBackup& attempt);
// "Second copy pending since <date>." and why, as the log, the balloon and a box say it.
std::wstring SecondCopyPendingText(const LastBackup& attempt);
// What a saved night's balloon says: why its second copy is pending, then its notes.
std::wstring SavedNightNotice(const LastBackup& attempt);
// A failure, a saved night with a damaged full, or one whose second copy is pending, is told at once by a balloon.
bool AttemptNeedsNotice(const LastBackup& attempt);
// What a balloon says of the attempt: the failure, or what a saved night
// needs told (SavedNightNotice); empty when there is nothing to tell.
std::wstring AttemptAlertText(const LastBackup& attempt);
// The Main tab's line: saved with size, failed with reason, or none yet; a pending second copy, then the notes after it.
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
