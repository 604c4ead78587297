// The second folder (CopyDir) kept up to date after each good backup: every
// archive of ours that the backup folder keeps is copied there under a
// temporary name, flushed, tested there, and only then given its name.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "engine/backup/backup_job.h"
#include "engine/report/last_backup.h"
#include "engine/report/second_copy_outcome.h"

// The system's look at an offline share can outlast a night; this is the
// most a run waits for the second folder to answer.
constexpr std::uint32_t kSecondFolderLookMs = 20000;

struct ArchiveFile {
    std::wstring name;
    std::int64_t size = 0;
};

// This computer's and user's archives in the backup folder that the second
// folder lacks or holds at another size, in the order they are copied:
// newest first, each differential's full (when it is pending too) before it.
std::vector<std::wstring> ListPendingArchives(const std::vector<ArchiveFile>& backupFolder,
                                              const std::vector<ArchiveFile>& copyFolder,
                                              const std::wstring& computer, const std::wstring& user);

// Why a folder cannot hold the second copy: a LogMessages key, empty when it can.
// Inside the data folder it would be packed and replaced like the data; the
// backup folder itself or a folder inside it is lost with the first copy.
std::wstring RefuseSecondFolder(const std::wstring& copyFolder, const std::wstring& dataFolder,
                                const std::wstring& backupFolder);

// After a successful backup and its retention: copies what is pending,
// then applies the backup folder's retention there too once nothing is
// pending; logs how many went. Not tried after a failed backup.
SecondCopyOutcome UpdateSecondCopy(const BackupRequest& request, const BackupResult& result,
                                   const JobWindow& window = {});

// The attempt recorded with the second copy's state, the pending line logged;
// returns what was recorded.
LastBackup RecordBackupAttempt(LastBackup attempt, const SecondCopyOutcome& copy);
