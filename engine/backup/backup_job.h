// One backup run: 7-Zip writes a temporary archive that replaces the day's
// archive only after a clean run, and the outcome as a log line.
#pragma once
#include <cstdint>
#include <string>

#include "config/archive_password.h"
#include "engine/backup/retention.h"
#include "engine/console/archive_names.h"
#include "engine/console/archive_tool.h"
#include "engine/console/job_window.h"
#include "engine/report/backup_outcome.h"

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
    // unsealed, or a settings file that cannot be read, stops the run before
    // 7-Zip: never an unencrypted archive instead.
    std::wstring password;
    StoredPassword passwordState = StoredPassword::None;
    std::wstring copyFolder;    // CopyDir (ReadCopyFolderSetting): empty, no second copy
};

// Starts 7-Zip hidden and returns once it has ended; `window` as for RunBackupJob.
ToolOutcome RunArchiveTool(const std::wstring& parameters, const std::wstring& password, const JobWindow& window,
                           const std::wstring& workingFolder = {});
// Temporaries that ended runs left in `folder` (with its "\"), of this
// computer's and user's archives of any day. A run still going keeps its own
// (`ownTemp` too); one that cannot be removed is logged and left, as it is no
// longer in this run's way.
void RemoveLeftoverTemporaries(const std::wstring& folder, const std::wstring& computer, const std::wstring& user,
                               const std::wstring& ownTemp);
// archive path + "." + process id + ".tmp": overlapping runs (an unattended
// one beside the window, or two scheduled ones) each write their own.
std::wstring TemporaryArchivePath(const std::wstring& archivePath, std::uint32_t processId);
// The result of a request refused before anything runs (InDataFolder,
// FullNeededLater), or Success when the job may go on; its paths are filled in either way.
BackupResult CheckBackupFolder(const BackupRequest& request);
// NoPassword or SettingsUnreadable when the request's password could not be
// had (its caller asks before the mail client is touched); Success otherwise.
BackupStatus CheckPasswordState(const BackupRequest& request);
// Packs, checks, tests and moves the new archive into place, or drops it.
// `window` (optional) keeps a window alive while 7-Zip works and shows the
// test step; without one the run blocks on 7-Zip's handle.
BackupResult RunBackupJob(const BackupRequest& request, const JobWindow& window = {});
// After the outcome's log line: a success removes the archives older than
// KeepDays; a night that keeps them all for its date adds the note that says why.
void RemoveArchivesPastKeeping(const BackupRequest& request, BackupResult& result);
// The request's retention rules for `folder` (the backup folder or the second one), keeping `keepPath`.
RetentionRequest RetentionRequestFor(const BackupRequest& request, const std::wstring& folder,
                                     const std::wstring& keepPath);
