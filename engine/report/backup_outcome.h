// How a backup run ended, as the log, the record and the balloon tell it.
#pragma once
#include <string>
#include <vector>

#include "engine/console/archive_names.h"
#include "engine/console/archive_tool.h"

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
    SettingsUnreadable,  // the settings file could not be read, so a password may be set; nothing was packed
    FolderBusy,     // another backup or restore kept the backup folder locked too long; nothing was changed
    FullNeededLater,  // today's full would be replaced, yet an archive dated after today was made against it
    // 7-Zip could not read some files (exit code 1, another program holds
    // them): the archive of everything else was tested, flushed and put in place.
    MissingFiles,
    // The same, but the day already has a complete archive, which stays; the new one was dropped.
    MissingFilesDayKept,
};

// What the user should also learn of a run, saved or failed: a LogMessages
// key and the value for its "%1", kept like a failure's reason.
struct BackupNote {
    std::wstring code;
    std::wstring detail;
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
    std::wstring laterArchive;  // FullNeededLater: the archive dated after today that needs today's full
    std::wstring damagedFull;   // a full this run's test found damaged: it passed no test
    std::vector<BackupNote> notes;
    // A differential's full, tested before it was built on ("t" never ran: empty).
    std::wstring testedFull;
    ToolOutcome fullTest;
};

// The LogMessages line for the outcome, in the current language.
std::wstring BackupLogMessage(const BackupResult& result);
