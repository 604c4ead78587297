// One backup without a window, as the scheduled task runs it.
#include "engine/unattended_backup.h"

#include "config/language_selection.h"
#include "config/language_table.h"
#include "config/settings.h"
#include "engine/archive_tool.h"
#include "engine/backup_job.h"
#include "engine/backup_log.h"
#include "engine/failure_notice.h"
#include "engine/last_backup.h"
#include "engine/mail_client.h"
#include "platform/dialogs.h"
#include "platform/system.h"

namespace {

int ExitCodeFor(BackupStatus status) {
    switch (status) {
        case BackupStatus::Success: return kUnattendedSuccess;
        case BackupStatus::ClientAlive: return kUnattendedClientAlive;
        case BackupStatus::NoDataFolder: return kUnattendedNoDataFolder;
        case BackupStatus::ToolMissing: return kUnattendedToolMissing;
        case BackupStatus::ToolWarning: return kUnattendedToolWarning;
        case BackupStatus::ToolFailed: return kUnattendedToolFailed;
        case BackupStatus::NoArchive: return kUnattendedNoArchive;
        case BackupStatus::TestFailed: return kUnattendedTestFailed;
        case BackupStatus::StaleTemp:
        case BackupStatus::NotReplaced: return kUnattendedNotReplaced;
    }
    return kUnattendedToolFailed;
}

}  // namespace

int RunUnattendedBackup() {
    SelectLanguageByLocale();
    const std::wstring computer = ReadEnvironmentText(L"COMPUTERNAME");
    const std::wstring user = ReadEnvironmentText(L"USERNAME");

    if (FindWindowByTitle(kMailClientTitle) != 0) {
        EndMailClient(true);
        // Packing a database the client still writes to gives a useless archive.
        if (!WaitUntilMailClientGone(kMailClientGoneTimeoutMs)) {
            BackupResult alive;
            alive.status = BackupStatus::ClientAlive;
            AppendLogLine(kLogBaseName, BackupLogMessage(alive));
            const LastBackup attempt =
                FailedAttempt(BackupLogMessage(alive), ArchiveName(computer, user, ReadLocalTime()));
            RecordLastBackup(attempt);
            ShowFailureNotice(attempt);
            return kUnattendedClientAlive;
        }
    }

    BackupRequest request;
    request.computer = computer;
    request.user = user;
    request.today = ReadLocalTime();
    request.verify = ReadVerifySetting();
    request.keepDays = ReadSettingInteger(L"KeepDays", 0);
    request.fullEvery = ReadFullEverySetting();
    request.backupFolder = ReadSettingText(L"BkUpDir", L"");
    request.level = ReadSettingInteger(L"Compression", 0);
    if (request.backupFolder.empty()) {
        const std::wstring noPath = LookUpText(L"LogMessages", L"LogNoPath");
        AppendLogLine(kLogBaseName, noPath);
        // Recorded before the box, which may wait all night for its answer.
        const LastBackup attempt = FailedAttempt(noPath, ArchiveName(computer, user, request.today));
        RecordLastBackup(attempt);
        // Its box is the notice already; a balloon after it would say it twice.
        ShowMessageBox(LookUpText(L"Messages", L"Error"), noPath, kBoxErrorOk);
        return kUnattendedNoPath;
    }
    request.dataFolder = ReadEnvironmentText(L"userprofile") + L"\\Appdata\\Local\\Larkmail";
    request.archiveName = ArchiveName(computer, user, request.today);

    const BackupResult result = RunBackupJob(request);
    AppendLogLine(kLogBaseName, BackupLogMessage(result));
    RemoveArchivesPastKeeping(request, result);
    const LastBackup attempt = AttemptOfResult(result);
    RecordLastBackup(attempt);
    if (ReadSettingInteger(L"ReopenLM", 0) == 1) RestartMailClient();
    // Nobody watches a scheduled run: the record waits for the window, the balloon tells whoever is there now.
    if (!attempt.saved) ShowFailureNotice(attempt);
    return ExitCodeFor(result.status);
}
