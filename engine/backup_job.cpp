// One backup run: 7-Zip writes a temporary archive that replaces the day's
// archive only after a clean run, and the outcome as a log line.
#include "engine/backup_job.h"

#include "config/language_table.h"
#include "engine/archive_check.h"
#include "engine/archive_choice.h"
#include "engine/backup_log.h"
#include "engine/retention.h"
#include "platform/files.h"
#include "platform/process.h"
#include "platform/system.h"
#include "platform/text.h"

namespace {

BackupStatus StatusForExitCode(long exitCode) {
    if (exitCode == 0) return BackupStatus::Success;
    if (exitCode == 1) return BackupStatus::ToolWarning;
    return BackupStatus::ToolFailed;
}

std::wstring LogText(const wchar_t* key) {
    return LookUpText(L"LogMessages", key);
}

// "<archive>.<id>.tmp" gives the archive's name and the owner's process id;
// the older "<archive>.tmp" gives owner 0. False for anything else.
bool SplitTemporaryName(const std::wstring& name, std::wstring& archive, std::uint32_t& owner) {
    if (name.size() < 5 || UpperAscii(name.substr(name.size() - 4)) != L".TMP") return false;
    archive = name.substr(0, name.size() - 4);
    owner = 0;
    const std::size_t dot = archive.rfind(L'.');
    if (dot == std::wstring::npos || dot + 1 == archive.size()) return true;
    std::uint64_t id = 0;
    for (std::size_t i = dot + 1; i < archive.size(); ++i) {
        if (archive[i] < L'0' || archive[i] > L'9') return true;  // ".7z": the older form
        id = id * 10 + static_cast<std::uint64_t>(archive[i] - L'0');
        if (id > 0xFFFFFFFFu) return false;
    }
    if (id == 0) return false;
    archive.erase(dot);
    owner = static_cast<std::uint32_t>(id);
    return true;
}

// One of the day's archives of this computer and user, full or differential.
bool ArchiveOfTheDay(const BackupRequest& request, const std::wstring& archive) {
    if (UpperAscii(archive) == UpperAscii(request.archiveName)) return true;
    ArchiveNameParts parts;
    return ParseArchiveName(archive, request.computer, request.user, parts) &&
           DayNumber(parts.day) == DayNumber(request.today);
}

// Temporaries of the day's archives that ended runs left behind. A run still
// going keeps its own; one that cannot be removed is logged and left, as it
// is no longer in this run's way.
void RemoveLeftoverTemporaries(const BackupRequest& request, const std::wstring& ownTemp) {
    std::wstring folder = request.backupFolder;
    while (!folder.empty() && folder.back() == L'\\') folder.pop_back();
    if (folder.empty() || request.archiveName.size() < 3) return;
    std::vector<ProcessEntry> processes;
    bool listed = false, asked = false;
    const std::wstring stem = request.archiveName.substr(0, request.archiveName.size() - 3);
    for (const FolderEntry& entry : ListFolder(folder, stem + L"*.tmp")) {
        if (entry.isFolder || entry.isLink) continue;
        const std::wstring path = request.backupFolder + entry.name;
        if (path == ownTemp) continue;
        std::wstring archive;
        std::uint32_t owner = 0;
        if (!SplitTemporaryName(entry.name, archive, owner) || !ArchiveOfTheDay(request, archive)) continue;
        if (owner != 0) {
            // Taken only when there is a leftover to judge: it costs every run otherwise.
            if (!asked) {
                listed = ListProcesses(processes);
                asked = true;
            }
            // Without the process list every owner counts as running.
            if (!listed) continue;
            bool running = false;
            for (const ProcessEntry& process : processes) running = running || process.id == owner;
            if (running) continue;
        }
        if (!DeleteFilePath(path) && LookUpPathKind(path) != PathKind::Missing)
            AppendToBackupLog(FillPlaceholder(LogText(L"LogLeftoverKept"), path));
    }
}

// Starts 7-Zip hidden and returns once it has ended.
ToolOutcome RunArchiveTool(const std::wstring& parameters, const JobWindow& window,
                           const std::wstring& workingFolder = {}) {
    const ProgramHandle tool = StartArchiveTool(parameters, false, workingFolder);
    if (tool != 0 && window.waitForTool) window.waitForTool(tool, {});
    return FinishArchiveTool(tool);
}

// "C:\\Users\\anna\\AppData\\Local\\Larkmail" -> "C:\\Users\\anna\\AppData\\Local" and "Larkmail".
void SplitDataFolder(std::wstring folder, std::wstring& parent, std::wstring& name) {
    while (folder.size() > 1 && folder.back() == L'\\') folder.pop_back();
    const std::size_t slash = folder.rfind(L'\\');
    parent = slash == std::wstring::npos ? std::wstring() : folder.substr(0, slash);
    name = slash == std::wstring::npos ? folder : folder.substr(slash + 1);
    // A drive's root needs its backslash to be the root.
    if (parent.size() == 2 && parent[1] == L':') parent += L'\\';
}

// Full or differential; a full to build on is proven by 7-Zip's test first,
// as a differential against a damaged full restores nothing. Logs why a full is made.
ArchivePlan PlanArchive(const BackupRequest& request, const JobWindow& window) {
    std::vector<std::wstring> names;
    std::wstring folder = request.backupFolder;
    while (!folder.empty() && folder.back() == L'\\') folder.pop_back();
    if (request.fullEvery > 0 && !folder.empty())
        for (const FolderEntry& entry : ListFolder(folder, L"LarkmailBackup_*.7z", LinkCheck::FoldersOnly))
            if (!entry.isFolder && !entry.isLink) names.push_back(entry.name);
    ArchivePlan plan = ChooseArchive(names, request.computer, request.user, request.today, request.fullEvery);
    const std::wstring fullPath = request.backupFolder + plan.fullName;
    if (plan.kind == ArchiveKind::Differential) {
        if (window.showStatus) window.showStatus(LookUpText(L"Messages", L"StatusTest"));
        const ToolOutcome test = RunArchiveTool(BuildTestParameters(fullPath), window);
        if (test.started && test.exitCode == 0) return plan;
        plan = FullPlan(request.computer, request.user, request.today, FullReason::FullFailedTest);
        if (window.showStatus) window.showStatus(LookUpText(L"Messages", L"StatusBackup"));
    }
    const std::wstring line = FullReasonLogLine(plan, fullPath);
    if (!line.empty()) AppendToBackupLog(line);
    return plan;
}

// 7-Zip writes the plan's archive under this run's temporary name.
void PackArchive(const BackupRequest& request, const ArchivePlan& plan, const JobWindow& window,
                 BackupResult& result) {
    result.kind = plan.kind;
    result.archivePath = request.backupFolder + plan.archiveName;
    result.tempPath = TemporaryArchivePath(result.archivePath, ReadProcessId());
    // "a" and "u" add to an existing archive, so a leftover of an earlier
    // process with this id would carry old files.
    if (LookUpPathKind(result.tempPath) != PathKind::Missing) {
        DeleteFilePath(result.tempPath);
        if (LookUpPathKind(result.tempPath) != PathKind::Missing) {
            result.status = BackupStatus::StaleTemp;
            return;
        }
    }
    if (plan.kind == ArchiveKind::Differential) {
        std::wstring parent, name;
        SplitDataFolder(request.dataFolder, parent, name);
        result.tool = RunArchiveTool(BuildDifferentialParameters(request.level, request.backupFolder + plan.fullName,
                                                                 name, result.tempPath),
                                     window, parent);
    } else {
        const std::wstring tempName = result.tempPath.substr(request.backupFolder.size());
        result.tool = RunArchiveTool(
            BuildBackupParameters(request.level, request.backupFolder, tempName, request.dataFolder), window);
    }
    result.status = result.tool.started ? StatusForExitCode(result.tool.exitCode) : BackupStatus::ToolMissing;
    if (result.status == BackupStatus::Success && !SevenZipArchiveFinished(result.tempPath)) {
        result.status = BackupStatus::NoArchive;
    }
}

// The packed archive is tested, then moved over the day's archive, or dropped.
BackupResult FinishBackup(const BackupRequest& request, const JobWindow& window, BackupResult& result) {
    if (result.status == BackupStatus::StaleTemp) return result;
    // A header 7-Zip completed says nothing of the data behind it; only
    // reading everything back does.
    if (result.status == BackupStatus::Success && request.verify) {
        if (window.showStatus) window.showStatus(LookUpText(L"Messages", L"StatusTest"));
        result.test = RunArchiveTool(BuildTestParameters(result.tempPath), window);
        if (!result.test.started || result.test.exitCode != 0) result.status = BackupStatus::TestFailed;
    }
    if (result.status == BackupStatus::Success && !MoveFileReplacing(result.tempPath, result.archivePath)) {
        result.status = BackupStatus::NotReplaced;
    }
    if (result.status != BackupStatus::Success && LookUpPathKind(result.tempPath) == PathKind::File)
        DeleteFilePath(result.tempPath);
    return result;
}

}  // namespace

std::wstring TemporaryArchivePath(const std::wstring& archivePath, std::uint32_t processId) {
    return archivePath + L"." + std::to_wstring(processId) + L".tmp";
}

BackupResult RunBackupJob(const BackupRequest& request, const JobWindow& window) {
    BackupResult result;
    result.backupFolder = request.backupFolder;
    result.dataFolder = request.dataFolder;
    result.archivePath = request.backupFolder + request.archiveName;
    result.tempPath = TemporaryArchivePath(result.archivePath, ReadProcessId());

    // 7-Zip only warns about a missing source and still writes an empty archive.
    if (LookUpPathKind(request.dataFolder) != PathKind::Folder) {
        result.status = BackupStatus::NoDataFolder;
        return result;
    }
    RemoveLeftoverTemporaries(request, result.tempPath);
    ArchivePlan plan = PlanArchive(request, window);
    if (plan.kind == ArchiveKind::Differential) {
        PackArchive(request, plan, window, result);
        if (result.status == BackupStatus::Success || result.status == BackupStatus::StaleTemp)
            return FinishBackup(request, window, result);
        if (LookUpPathKind(result.tempPath) == PathKind::File) DeleteFilePath(result.tempPath);
        const std::wstring fullPath = request.backupFolder + plan.fullName;
        plan = FullPlan(request.computer, request.user, request.today, FullReason::DifferentialFailed);
        AppendToBackupLog(FullReasonLogLine(plan, fullPath) + L" " + ToolOutcomeText(result.tool));
    }
    PackArchive(request, plan, window, result);
    return FinishBackup(request, window, result);
}

void RemoveArchivesPastKeeping(const BackupRequest& request, const BackupResult& result) {
    // Never after a failure: the old archives may be all the user has.
    if (result.status != BackupStatus::Success) return;
    RetentionRequest retention;
    retention.backupFolder = request.backupFolder;
    retention.computer = request.computer;
    retention.user = request.user;
    retention.today = request.today;
    retention.keepDays = request.keepDays;
    retention.keepPath = result.archivePath;
    RemoveOtherArchivesOfDay(retention);
    RemoveExpiredArchives(retention);
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
            return FillPlaceholder(LogText(L"LogTempNotRemoved"), result.tempPath);
        case BackupStatus::ToolMissing:
            return LogText(L"LogToolMissing");
        case BackupStatus::ToolWarning:
            return FillPlaceholder(LogText(L"LogWarning"), code);
        case BackupStatus::ToolFailed:
            return FillPlaceholder(LogText(L"LogToolFailed"), code);
        case BackupStatus::NoArchive:
            return FillPlaceholder(LogText(L"LogNoArchive"), code);
        case BackupStatus::TestFailed:
            if (!result.test.started) return LogText(L"LogTestNotRun");
            return FillPlaceholder(LogText(L"LogTestFailed"), std::to_wstring(result.test.exitCode));
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
