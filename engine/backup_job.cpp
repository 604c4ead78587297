// One backup run: 7-Zip writes a temporary archive that replaces the day's
// archive only after a clean run, and the outcome as a log line.
#include "engine/backup_job.h"

#include "config/language_table.h"
#include "engine/archive_check.h"
#include "platform/files.h"

namespace {

BackupStatus StatusForExitCode(long exitCode) {
    if (exitCode == 0) return BackupStatus::Success;
    if (exitCode == 1) return BackupStatus::ToolWarning;
    return BackupStatus::ToolFailed;
}

std::wstring LogText(const wchar_t* key) {
    return LookUpText(L"LogMessages", key);
}

}  // namespace

std::wstring TemporaryArchivePath(const std::wstring& archivePath) {
    return archivePath + L".tmp";
}

BackupJob StartBackupJob(const BackupRequest& request) {
    BackupJob job;
    BackupResult& result = job.result;
    result.backupFolder = request.backupFolder;
    result.dataFolder = request.dataFolder;
    result.archivePath = request.backupFolder + request.archiveName;
    result.tempPath = TemporaryArchivePath(result.archivePath);

    // 7-Zip only warns about a missing source and still writes an empty archive.
    if (LookUpPathKind(request.dataFolder) != PathKind::Folder) {
        result.status = BackupStatus::NoDataFolder;
        return job;
    }
    // "a" adds to an existing archive, so a leftover temp would carry old files.
    if (LookUpPathKind(result.tempPath) != PathKind::Missing) {
        DeleteFilePath(result.tempPath);
        if (LookUpPathKind(result.tempPath) != PathKind::Missing) {
            result.status = BackupStatus::StaleTemp;
            return job;
        }
    }
    const std::wstring tempName = request.archiveName + L".tmp";
    job.tool = StartArchiveTool(
        BuildBackupParameters(request.level, request.backupFolder, tempName, request.dataFolder), false);
    job.launched = true;
    return job;
}

BackupResult FinishBackupJob(BackupJob& job) {
    BackupResult& result = job.result;
    if (!job.launched) return result;
    job.launched = false;
    result.tool = FinishArchiveTool(job.tool);
    job.tool = 0;

    if (!result.tool.started) {
        result.status = BackupStatus::ToolMissing;
    } else {
        result.status = StatusForExitCode(result.tool.exitCode);
        if (result.status == BackupStatus::Success && !SevenZipArchiveFinished(result.tempPath)) {
            result.status = BackupStatus::NoArchive;
        }
        if (result.status == BackupStatus::Success &&
            !MoveFileReplacing(result.tempPath, result.archivePath)) {
            result.status = BackupStatus::NotReplaced;
        }
    }
    if (result.status != BackupStatus::Success && LookUpPathKind(result.tempPath) == PathKind::File) {
        DeleteFilePath(result.tempPath);
    }
    return result;
}

BackupResult RunBackupJob(const BackupRequest& request) {
    BackupJob job = StartBackupJob(request);
    return FinishBackupJob(job);
}

std::wstring FillPlaceholder(const std::wstring& text, const std::wstring& value) {
    std::wstring filled = text;
    const std::size_t at = filled.find(L"%1");
    if (at != std::wstring::npos) filled.replace(at, 2, value);
    return filled;
}

std::wstring BackupLogMessage(const BackupResult& result) {
    const std::wstring code = std::to_wstring(result.tool.exitCode);
    switch (result.status) {
        case BackupStatus::Success:
            return LogText(L"LogSuccess") + L"\"" + result.backupFolder + L"\"";
        case BackupStatus::NoDataFolder:
            return FillPlaceholder(LogText(L"LogNoDataFolder"), result.dataFolder);
        case BackupStatus::StaleTemp:
            return FillPlaceholder(LogText(L"LogNotReplaced"), result.tempPath);
        case BackupStatus::ToolMissing:
            return LogText(L"LogToolMissing");
        case BackupStatus::ToolWarning:
            return FillPlaceholder(LogText(L"LogWarning"), code);
        case BackupStatus::ToolFailed:
            return FillPlaceholder(LogText(L"LogToolFailed"), code);
        case BackupStatus::NoArchive:
            return FillPlaceholder(LogText(L"LogNoArchive"), code);
        case BackupStatus::NotReplaced:
            return FillPlaceholder(LogText(L"LogNotReplaced"), result.archivePath);
        case BackupStatus::ClientAlive:
            return LogText(L"LogClientAlive");
    }
    return LogText(L"LogToolMissing");
}

std::wstring ToolOutcomeText(const ToolOutcome& tool) {
    if (!tool.started) return LookUpText(L"Messages", L"ToolNotStarted");
    switch (tool.exitCode) {
        case 1: return LookUpText(L"Messages", L"ToolExit1");
        case 2: return LookUpText(L"Messages", L"ToolExit2");
        case 7: return LookUpText(L"Messages", L"ToolExit7");
        case 8: return LookUpText(L"Messages", L"ToolExit8");
        case 255: return LookUpText(L"Messages", L"ToolExit255");
        default: return FillPlaceholder(LookUpText(L"Messages", L"ToolExitOther"), std::to_wstring(tool.exitCode));
    }
}
