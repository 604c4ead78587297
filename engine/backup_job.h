// One backup run: 7-Zip writes a temporary archive that replaces the day's
// archive only after a clean run, and the outcome as a log line.
#pragma once
#include <cstdint>
#include <string>

#include "engine/archive_tool.h"

struct BackupRequest {
    int level = 0;
    std::wstring backupFolder;  // as stored, with its trailing "\" (may be empty)
    std::wstring archiveName;   // ArchiveName(...)
    std::wstring dataFolder;    // the mail client's data folder
};

enum class BackupStatus {
    Success,
    NoDataFolder,   // checked before 7-Zip runs
    StaleTemp,      // a temporary archive of this run's own name could not be removed
    ToolMissing,    // 7-Zip could not be started
    ToolWarning,    // exit code 1: some files could not be read
    ToolFailed,     // exit code 2 or more (or a killed run)
    NoArchive,      // exit code 0 but no finished archive (none, or a killed run's)
    NotReplaced,    // the new archive could not be moved over the day's archive
    ClientAlive,    // the mail client survived taskkill; nothing was packed
};

struct BackupResult {
    BackupStatus status = BackupStatus::ToolMissing;
    ToolOutcome tool;
    std::wstring backupFolder;
    std::wstring dataFolder;
    std::wstring archivePath;  // backup folder + archive name
    std::wstring tempPath;     // TemporaryArchivePath(archive path, this process)
};

// A run in progress; the interactive backup keeps its window alive between
// StartBackupJob and FinishBackupJob (ArchiveToolRunning on `tool`).
struct BackupJob {
    BackupResult result;
    ProgramHandle tool = 0;
    bool launched = false;  // false: result is already final
};

// archive path + "." + process id + ".tmp": overlapping runs (an unattended
// one beside the window, or two scheduled ones) each write their own.
std::wstring TemporaryArchivePath(const std::wstring& archivePath, std::uint32_t processId);
BackupJob StartBackupJob(const BackupRequest& request);
// Blocks on the tool's handle, then keeps or drops the temporary archive.
BackupResult FinishBackupJob(BackupJob& job);
BackupResult RunBackupJob(const BackupRequest& request);

// The text with "%1" replaced by `value`.
std::wstring FillPlaceholder(const std::wstring& text, const std::wstring& value);
// The LogMessages line for the outcome, in the current language.
std::wstring BackupLogMessage(const BackupResult& result);
// Messages/ToolExit... text for a finished 7-Zip run (ToolNotStarted when it never started).
std::wstring ToolOutcomeText(const ToolOutcome& tool);
