// One backup without a window, as the scheduled task runs it.
#include "engine/backup/unattended_backup.h"

#include "config/archive_password.h"
#include "config/language_selection.h"
#include "config/language_table.h"
#include "config/settings.h"
#include "engine/backup/backup_job.h"
#include "engine/backup/kept_archive_proof.h"
#include "engine/backup/second_copy.h"
#include "engine/console/archive_tool.h"
#include "engine/guard/folder_lock.h"
#include "engine/guard/mail_client.h"
#include "engine/report/backup_age.h"
#include "engine/report/backup_log.h"
#include "engine/report/failure_notice.h"
#include "engine/report/failure_reason.h"
#include "engine/report/last_backup.h"
#include "engine/restore/restore_journal.h"
#include "platform/dialogs.h"
#include "platform/secrets.h"
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
        case BackupStatus::ToolHung: return kUnattendedToolHung;
        case BackupStatus::NoPassword:
        case BackupStatus::SettingsUnreadable: return kUnattendedNoPassword;
        case BackupStatus::FolderBusy: return kUnattendedFolderBusy;
        case BackupStatus::MissingFiles:
        case BackupStatus::MissingFilesDayKept: return kUnattendedToolWarning;
        case BackupStatus::StaleTemp:
        case BackupStatus::NotFlushed:
        case BackupStatus::NotReplaced: return kUnattendedNotReplaced;
        case BackupStatus::InDataFolder: return kUnattendedInDataFolder;
        case BackupStatus::FullNeededLater: return kUnattendedFullNeededLater;
    }
    return kUnattendedToolFailed;
}

// The log line, the older archive proven, the second copy, the record and,
// after a failure, for a saved night's damaged archive or with the copy
// pending, the balloon; the client comes back only when this run ended it.
int ReportResult(const BackupRequest& request, BackupResult result, bool clientEnded) {
    AppendLogLine(kLogBaseName, BackupLogMessage(result));
    RemoveArchivesPastKeeping(request, result);
    if (clientEnded && ReadSettingInteger(L"ReopenLM", 0) == 1) RestartMailClient();
    // The client may work meanwhile: the older archive's test and the copy read the backup folder only.
    ProveKeptArchives(request, result);
    const SecondCopyOutcome copy = UpdateSecondCopy(request, result);
    const LastBackup attempt = RecordBackupAttempt(AttemptOfResult(result), copy);
    // Nobody watches a scheduled run: the record waits for the window, the balloon tells whoever is there now.
    if (AttemptNeedsNotice(attempt)) ShowFailureNotice(attempt);
    if (attempt.saved && copy.state == SecondCopyState::Pending) return kUnattendedCopyPending;
    return ExitCodeFor(result.status);
}

// After a long gap the log says how long it was: a night that works again
// tells how much was at risk.
void LogLongGap() {
    const LastBackup last = ReadLastBackup();
    const std::wstring kind = ReadSettingText(kTaskScheduleKey, L"");
    const int days = DaysWithoutGoodBackup(last, ReadLocalTime(), StaleLimitDays(kind, !kind.empty()));
    if (days > 0)
        AppendToBackupLog(FillPlaceholders(LookUpText(L"LogMessages", L"LogLongGap"),
                                           {std::to_wstring(days), FormatLogTimestamp(last.lastGood)}));
}

// Under the backup folder's lock: the client ended, packed, retention, the report.
int BackUpUnderLock(BackupRequest& request) {
    // taskkill can end only a larkmail.exe, so without one there is nothing to
    // close; looking at windows first would load the window system for nothing.
    if (!FindProcessIds(kMailClientExe).empty() && FindWindowByTitle(kMailClientTitle) != 0) {
        EndMailClient(true);
        // Packing a database the client still writes to gives a useless archive.
        if (!WaitUntilMailClientGone(kMailClientGoneTimeoutMs)) {
            BackupResult alive;
            alive.status = BackupStatus::ClientAlive;
            AppendLogLine(kLogBaseName, BackupLogMessage(alive));
            const LastBackup attempt = RecordBackupAttempt(FailedAttempt(FailureReasonOf(alive), request.archiveName), {});
            ShowFailureNotice(attempt);
            return kUnattendedClientAlive;
        }
    }
    if (request.backupFolder.empty()) {
        const std::wstring noPath = LookUpText(L"LogMessages", L"LogNoPath");
        AppendLogLine(kLogBaseName, noPath);
        // Recorded before the box, which may wait all night for its answer.
        RecordBackupAttempt(FailedAttempt({L"LogNoPath", L""}, request.archiveName), {});
        // Its box is the notice already; a balloon after it would say it twice.
        ShowMessageBox(LookUpText(L"Messages", L"Error"), noPath, kBoxErrorOk);
        return kUnattendedNoPath;
    }
    return ReportResult(request, RunBackupJob(request), true);
}

// Every refusal here comes before the mail client is touched.
int BackUpWithPassword(BackupRequest& request) {
    BackupResult refused = CheckBackupFolder(request);
    if (refused.status == BackupStatus::Success) refused.status = CheckPasswordState(request);
    if (refused.status != BackupStatus::Success) return ReportResult(request, refused, false);
    FolderLock lock = LockBackupFolder(request.backupFolder, FolderLockWait{kUnattendedLockWaitMs});
    if (lock.busy) {
        refused.status = BackupStatus::FolderBusy;
        return ReportResult(request, refused, false);
    }
    const int exitCode = BackUpUnderLock(request);
    UnlockBackupFolder(lock);
    return exitCode;
}

}  // namespace

int RunUnattendedBackup() {
    SelectLanguageByLocale();
    BackupRequest request;
    request.computer = ReadEnvironmentText(L"COMPUTERNAME");
    request.user = ReadEnvironmentText(L"USERNAME");
    request.today = ReadLocalTime();
    request.verify = ReadVerifySetting();
    request.keepDays = ReadKeepDaysSetting();
    request.fullEvery = ReadFullEverySetting();
    request.backupFolder = ReadSettingText(L"BkUpDir", L"");
    request.level = ReadSettingInteger(L"Compression", 0);
    request.dataFolder = ReadEnvironmentText(L"userprofile") + L"\\Appdata\\Local\\Larkmail";
    request.copyFolder = ReadCopyFolderSetting();
    // An interrupted restore can hide the data folder; the backup must see the repaired one.
    RepairInterruptedRestore(request.dataFolder);
    LogLongGap();
    request.archiveName = ArchiveName(request.computer, request.user, request.today);
    // Read before the client is ended: a key that cannot be had leaves it running.
    request.passwordState = ReadArchivePassword(request.password);
    const int exitCode = BackUpWithPassword(request);
    WipeText(request.password);
    return exitCode;
}
