// One backup run: 7-Zip writes a temporary archive that replaces the day's
// archive only after a clean run, and the outcome as a log line.
#pragma once
#include <cstdint>
#include <string>

#include "engine/archive_names.h"
#include "engine/archive_tool.h"
#include "engine/job_window.h"

struct BackupRequest {
    int level = 0;
    std::wstring backupFolder;  // as stored, with its trailing "\" (may be empty)
    std::wstring archiveName;   // ArchiveName(computer, user, today)
    std::wstring dataFolder;    // the mail client's data folder
    bool verify = true;         // VerifyBackup: 7-Zip tests the new archive before it replaces the day's
    int keepDays = 0;           // KeepDays: after a success, older archives of this computer and user go
    int fullEvery = 0;          // FullEvery (ReadFullEverySetting): 0 makes every archive a full one
    std::wstring computer, user;
    LocalTime today;
    // ArchivePassword: empty packs unencrypted. A stored value that cannot be
    // unsealed stops the run before 7-Zip: never an unencrypted archive instead.
    std::wstring password;
    bool passwordUnreadable = false;
};

enum class BackupStatus {
    Success,
    NoDataFolder,   // checked before 7-Zip runs
    StaleTemp,      // a temporary archive of this run's own name could not be removed
    ToolMissing,    // 7-Zip could not be started
    ToolWarning,    // exit code 1: some files could not be read
    ToolFailed,     // exit code 2 or more (or a killed run)
    NoArchive,      // exit code 0 but no finished archive (none, or a killed run's)
    TestFailed,     // 7-Zip's test of the new archive did not end with exit code 0
    NotFlushed,     // the new archive could not be written through to the disk
    NotReplaced,    // the new archive could not be moved over the day's archive
    ClientAlive,    // the mail client survived taskkill; nothing was packed
    ToolHung,       // 7-Zip's figure stood still too long (packing or testing); it was ended
    InDataFolder,   // the backup folder lies inside the data folder; nothing was written
    NoPassword,     // the stored archive password cannot be unsealed; nothing was packed
};

struct BackupResult {
    BackupStatus status = BackupStatus::ToolMissing;
    ToolOutcome tool;
    ToolOutcome test;  // started == false when no test ran
    std::wstring backupFolder;
    std::wstring dataFolder;
    std::wstring archivePath;  // backup folder + the name of the archive written (full or differential)
    ArchiveKind kind = ArchiveKind::Full;
    std::wstring tempPath;     // TemporaryArchivePath(archive path, this process)
    bool encrypted = false;    // packed with the password
};

// archive path + "." + process id + ".tmp": overlapping runs (an unattended
// one beside the window, or two scheduled ones) each write their own.
std::wstring TemporaryArchivePath(const std::wstring& archivePath, std::uint32_t processId);
// The result of a request refused before anything runs (InDataFolder), or
// Success when the job may go on; its paths are filled in either way.
BackupResult CheckBackupFolder(const BackupRequest& request);
// Packs, checks, tests and moves the new archive into place, or drops it.
// `window` (optional) keeps a window alive while 7-Zip works and shows the
// test step; without one the run blocks on 7-Zip's handle.
BackupResult RunBackupJob(const BackupRequest& request, const JobWindow& window = {});
// After the outcome's log line: a success removes the archives older than KeepDays.
void RemoveArchivesPastKeeping(const BackupRequest& request, const BackupResult& result);

// The text with "%1" replaced by `value`.
std::wstring FillPlaceholder(const std::wstring& text, const std::wstring& value);
// The LogMessages line for the outcome, in the current language (failure_reason.cpp).
std::wstring BackupLogMessage(const BackupResult& result);
// Messages/ToolExit... text for a finished 7-Zip run (ToolNotStarted when it never started).
std::wstring ToolOutcomeText(const ToolOutcome& tool);
