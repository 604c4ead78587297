// One backup run: 7-Zip writes a temporary archive that replaces the day's
// archive only after a clean run, and the outcome as a log line.
#include "engine/backup/backup_job.h"

#include "config/language_table.h"
#include "engine/backup/archive_choice.h"
#include "engine/backup/archive_proofs.h"
#include "engine/backup/own_archives.h"
#include "engine/backup/retention.h"
#include "engine/console/archive_check.h"
#include "engine/console/archive_listing.h"
#include "engine/console/base_mark.h"
#include "engine/guard/data_folder_guard.h"
#include "engine/report/backup_log.h"
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

// The process id in "<archive name>.<id>.tmp"; 0 for the older
// "<archive name>.tmp" and for anything else of that shape.
std::uint32_t LeftoverOwner(const std::wstring& middle) {  // ".<id>.TMP" or ".TMP", upper-cased
    if (middle.size() < 6 || middle[0] != L'.' || middle.compare(middle.size() - 4, 4, L".TMP") != 0) return 0;
    std::uint64_t id = 0;
    for (std::size_t i = 1; i + 4 < middle.size(); ++i) {
        if (middle[i] < L'0' || middle[i] > L'9') return 0;
        id = id * 10 + static_cast<std::uint64_t>(middle[i] - L'0');
        if (id > 0xFFFFFFFFu) return 0;
    }
    return static_cast<std::uint32_t>(id);
}

// A temporary of one of this computer's and user's archives, of any day:
// "<archive>.<id>.tmp" (owner: the id) or the older "<archive>.tmp" (owner 0).
bool ReadLeftoverName(const std::wstring& name, const std::wstring& computer, const std::wstring& user,
                      std::uint32_t& owner) {
    const std::size_t archiveEnd = UpperAscii(name).rfind(L".7Z.");
    if (archiveEnd == std::wstring::npos) return false;
    ArchiveNameParts parts;
    if (!ParseArchiveName(name.substr(0, archiveEnd + 3), computer, user, parts)) return false;
    const std::wstring middle = UpperAscii(name.substr(archiveEnd + 3));
    owner = LeftoverOwner(middle);
    return owner != 0 || middle == L".TMP";
}

}  // namespace

void RemoveLeftoverTemporaries(const std::wstring& folder, const std::wstring& computer, const std::wstring& user,
                               const std::wstring& ownTemp) {
    const std::wstring listed = WithoutTrailingSeparators(folder);
    if (listed.empty()) return;
    std::vector<ProcessEntry> processes;
    bool known = false, asked = false;
    for (const FolderEntry& entry : ListFolder(listed, L"LarkmailBackup_*.tmp")) {
        if (entry.isFolder || entry.isLink) continue;
        const std::wstring path = folder + entry.name;
        std::uint32_t owner = 0;
        if (path == ownTemp || !ReadLeftoverName(entry.name, computer, user, owner)) continue;
        if (owner != 0) {
            // Taken only when there is a leftover to judge: it costs every run otherwise.
            if (!asked) {
                known = ListProcesses(processes);
                asked = true;
            }
            // Without the process list every owner counts as running.
            if (!known) continue;
            bool running = false;
            for (const ProcessEntry& process : processes) running = running || process.id == owner;
            if (running) continue;
        }
        if (!DeleteFilePath(path) && LookUpPathKind(path) != PathKind::Missing)
            AppendToBackupLog(FillPlaceholder(LogText(L"LogLeftoverKept"), path));
    }
}

ToolOutcome RunArchiveTool(const std::wstring& parameters, const std::wstring& password, const JobWindow& window,
                           const std::wstring& workingFolder) {
    const ProgramHandle tool = StartArchiveTool(parameters, false, password, workingFolder);
    ToolWatch watch = StartToolWatch();
    // 7-Zip writes its messages in UTF-8 only when asked to; otherwise in the OEM code page.
    watch.messages.utf8 = parameters.find(L"-sccUTF-8") != std::wstring::npos;
    if (tool != 0 && window.waitForTool) window.waitForTool(tool, watch, {});
    return FinishArchiveTool(tool, watch);
}

namespace {

// "C:\\Users\\anna\\AppData\\Local\\Larkmail" -> "C:\\Users\\anna\\AppData\\Local" and "Larkmail".
void SplitDataFolder(std::wstring folder, std::wstring& parent, std::wstring& name) {
    folder = WithoutTrailingSeparators(folder, 1);
    const std::size_t slash = folder.rfind(L'\\');
    parent = slash == std::wstring::npos ? std::wstring() : folder.substr(0, slash);
    name = slash == std::wstring::npos ? folder : folder.substr(slash + 1);
    // A drive's root needs its backslash to be the root.
    if (parent.size() == 2 && parent[1] == L':') parent += L'\\';
}

// A line for the log and a note for the record, the last-result line and the balloon.
void AddNote(BackupResult& result, const wchar_t* code, const std::wstring& detail) {
    AppendToBackupLog(FillPlaceholder(LogText(code), detail));
    result.notes.push_back({code, detail});
}

// The full that failed its test is lost, and with it every differential made against it.
void NoteDamagedFull(const BackupRequest& request, const std::vector<OwnArchive>& own, const ArchivePlan& plan,
                     BackupResult& result) {
    ArchiveNameParts full;
    if (!ParseArchiveName(plan.fullName, request.computer, request.user, full)) return;
    result.damagedFull = request.backupFolder + plan.fullName;
    result.notes.push_back({L"LogFullDamaged", result.damagedFull});
    std::wstring lost;
    for (const std::wstring& name : FindDifferentialsOf(own, full.day, request.today))
        lost += (lost.empty() ? L"" : L", ") + request.backupFolder + name;
    if (!lost.empty()) AddNote(result, L"LogDiffsLost", lost);
}

// Full or differential; a full to build on is proven by 7-Zip's test first,
// as a differential against a damaged full restores nothing. Logs why a full
// is made; the full's test goes into `result` for the proof record.
ArchivePlan PlanArchive(const BackupRequest& request, const std::vector<OwnArchive>& own, const JobWindow& window,
                        BackupResult& result) {
    std::vector<std::wstring> names;
    if (request.fullEvery > 0)
        for (const OwnArchive& archive : own) names.push_back(archive.name);
    const std::vector<ArchiveProof> proofs =
        request.fullEvery > 0 ? ReadProofRecord(request.backupFolder) : std::vector<ArchiveProof>();
    ArchivePlan plan = ChooseArchive(names, request.computer, request.user, request.today, request.fullEvery, proofs);
    const std::wstring fullPath = request.backupFolder + plan.fullName;
    if (plan.kind == ArchiveKind::Differential) {
        if (window.showStatus) window.showStatus(LookUpText(L"Messages", L"StatusTest"));
        // The password in force must open the full: a changed or cleared
        // password fails here and starts a new full.
        const bool withPassword = !request.password.empty();
        const ToolOutcome test =
            RunArchiveTool(BuildTestParameters(fullPath, withPassword), request.password, window);
        result.testedFull = plan.fullName;
        result.fullTest = test;
        const bool proven = test.started && !test.hung && test.exitCode == 0;
        // A password set since the full was made would encrypt a differential
        // against an open full: the new password starts a new full.
        const bool samePassword = !withPassword || ListArchive(fullPath, request.password).encrypted;
        if (proven && samePassword) return plan;
        // A full that another password (or none) opens is no damaged one: it starts a new full all the same.
        const bool damaged = !proven && !ListArchive(fullPath, request.password).wrongPassword;
        const ArchivePlan tested = plan;
        plan = FullPlan(request.computer, request.user, request.today,
                        damaged ? FullReason::FullFailedTest : FullReason::DifferentialFailed);
        if (window.showStatus) window.showStatus(LookUpText(L"Messages", L"StatusBackup"));
        if (damaged) {
            AppendToBackupLog(FullReasonLogLine(plan, fullPath));
            NoteDamagedFull(request, own, tested, result);
            return plan;
        }
    }
    const std::wstring line = FullReasonLogLine(plan, fullPath);
    if (!line.empty()) AppendToBackupLog(line);
    return plan;
}

// 7-Zip writes the plan's archive under this run's temporary name.
void PackArchive(const BackupRequest& request, const ArchivePlan& plan, const JobWindow& window,
                 BackupResult& result) {
    result.kind = plan.kind;
    result.encrypted = !request.password.empty();
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
        result.tool =
            RunArchiveTool(BuildDifferentialParameters(request.level, request.backupFolder + plan.fullName, name,
                                                            result.tempPath, result.encrypted),
                                request.password, window, parent);
    } else {
        const std::wstring tempName = result.tempPath.substr(request.backupFolder.size());
        result.tool = RunArchiveTool(
            BuildBackupParameters(request.level, request.backupFolder, tempName, request.dataFolder, result.encrypted),
            request.password, window);
    }
    result.status = result.tool.started ? StatusForExitCode(result.tool.exitCode) : BackupStatus::ToolMissing;
    if (result.tool.hung) result.status = BackupStatus::ToolHung;
    // One file another program holds open must not cost the night: what 7-Zip
    // could read is kept, and the files it names are reported.
    if (result.status == BackupStatus::ToolWarning && result.tool.unreadCount > 0 &&
        SevenZipArchiveFinished(result.tempPath))
        result.status = BackupStatus::MissingFiles;
    if (result.status == BackupStatus::Success && !SevenZipArchiveFinished(result.tempPath)) {
        result.status = BackupStatus::NoArchive;
    }
}

// Whether the day already has an archive of ours that lacks nothing: one
// that lacks files never replaces it.
bool DayHasCompleteArchive(const BackupRequest& request) {
    const std::vector<ArchiveProof> proofs = ReadProofRecord(request.backupFolder);
    for (const OwnArchive& archive : ListOwnArchives(request.backupFolder, request.computer, request.user)) {
        if (DayNumber(archive.parts.day) != DayNumber(request.today)) continue;
        const ArchiveProof* proof = FindArchiveProof(proofs, archive.name);
        if (!proof || proof->lacking == 0) return true;
    }
    return false;
}

// The differential names its full from inside (kBaseMarkName), so that a
// rename or a copy cannot pair it with another full, or with none. The
// mark's file lies in the working folder for the run that adds it.
void AddBaseMark(const BackupRequest& request, const ArchivePlan& plan, const JobWindow& window,
                 BackupResult& result) {
    ArchiveIdentity full;
    if (!ReadArchiveIdentity(request.backupFolder + plan.fullName, full) ||
        !WriteFileReplacing(kBaseMarkName, BaseMarkBytes(full))) {
        result.status = BackupStatus::NoArchive;
        return;
    }
    result.tool =
        RunArchiveTool(BuildBaseMarkParameters(result.tempPath, result.encrypted), request.password, window);
    DeleteFilePath(kBaseMarkName);
    result.status = result.tool.started ? StatusForExitCode(result.tool.exitCode) : BackupStatus::ToolMissing;
    if (result.tool.hung) result.status = BackupStatus::ToolHung;
    if (result.status == BackupStatus::Success && !SevenZipArchiveFinished(result.tempPath))
        result.status = BackupStatus::NoArchive;
}

// The packed archive is tested, then moved over the day's archive, or dropped.
BackupResult FinishBackup(const BackupRequest& request, const JobWindow& window, BackupResult& result) {
    if (result.status == BackupStatus::StaleTemp) return result;
    if (result.status == BackupStatus::MissingFiles && DayHasCompleteArchive(request))
        result.status = BackupStatus::MissingFilesDayKept;
    const auto packed = [&result] {
        return result.status == BackupStatus::Success || result.status == BackupStatus::MissingFiles;
    };
    // A header 7-Zip completed says nothing of the data behind it; only
    // reading everything back does.
    if (packed() && request.verify) {
        if (window.showStatus) window.showStatus(LookUpText(L"Messages", L"StatusTest"));
        result.test =
            RunArchiveTool(BuildTestParameters(result.tempPath, result.encrypted), request.password, window);
        if (!result.test.started || result.test.exitCode != 0) result.status = BackupStatus::TestFailed;
        if (result.test.hung) result.status = BackupStatus::ToolHung;
    }
    // The rename reaches the disk before the data otherwise: a power cut
    // soon after could leave the day's name on an archive never written.
    if (packed() && !FlushFileToDisk(result.tempPath)) {
        result.status = BackupStatus::NotFlushed;
    }
    if (packed() && !MoveFileReplacing(result.tempPath, result.archivePath)) {
        result.status = BackupStatus::NotReplaced;
    }
    if (!packed() && LookUpPathKind(result.tempPath) == PathKind::File) DeleteFilePath(result.tempPath);
    return result;
}

}  // namespace

std::wstring TemporaryArchivePath(const std::wstring& archivePath, std::uint32_t processId) {
    return archivePath + L"." + std::to_wstring(processId) + L".tmp";
}

BackupResult CheckBackupFolder(const BackupRequest& request) {
    BackupResult result;
    result.status = BackupStatus::Success;
    result.backupFolder = request.backupFolder;
    result.dataFolder = request.dataFolder;
    result.archivePath = request.backupFolder + request.archiveName;
    result.tempPath = TemporaryArchivePath(result.archivePath, ReadProcessId());
    // Each backup would pack all earlier ones again, and a restore would delete them with the old data.
    if (PathLiesInside(request.backupFolder, request.dataFolder)) {
        result.status = BackupStatus::InDataFolder;
        return result;
    }
    // Tonight's full would replace today's, and a differential dated later
    // (the clock went back) would be restored over another full than its own.
    const std::wstring later = FindFutureDifferentialOfToday(
        ListOwnArchives(request.backupFolder, request.computer, request.user), request.today);
    if (!later.empty()) {
        result.status = BackupStatus::FullNeededLater;
        result.laterArchive = request.backupFolder + later;
    }
    return result;
}

BackupStatus CheckPasswordState(const BackupRequest& request) {
    switch (request.passwordState) {
        case StoredPassword::Unreadable: return BackupStatus::NoPassword;
        case StoredPassword::SettingsUnreadable: return BackupStatus::SettingsUnreadable;
        case StoredPassword::None:
        case StoredPassword::Ready: break;
    }
    return BackupStatus::Success;
}

BackupResult RunBackupJob(const BackupRequest& request, const JobWindow& window) {
    BackupResult result = CheckBackupFolder(request);
    if (result.status != BackupStatus::Success) return result;
    result.status = CheckPasswordState(request);
    if (result.status != BackupStatus::Success) return result;
    // 7-Zip only warns about a missing source and still writes an empty archive.
    if (LookUpPathKind(request.dataFolder) != PathKind::Folder) {
        result.status = BackupStatus::NoDataFolder;
        return result;
    }
    RemoveLeftoverTemporaries(request.backupFolder, request.computer, request.user, result.tempPath);
    const std::vector<OwnArchive> own = ListOwnArchives(request.backupFolder, request.computer, request.user);
    const std::wstring future = FindNewestFutureArchive(own, request.today);
    if (!future.empty()) AddNote(result, L"LogClockBehind", request.backupFolder + future);
    ArchivePlan plan = PlanArchive(request, own, window, result);
    if (plan.kind == ArchiveKind::Differential) {
        PackArchive(request, plan, window, result);
        if (result.status == BackupStatus::Success || result.status == BackupStatus::MissingFiles) {
            // The mark's own run must not hide the files the packing could not read.
            const BackupResult packed = result;
            AddBaseMark(request, plan, window, result);
            if (result.status == BackupStatus::Success) {
                result.status = packed.status;
                result.tool = packed.tool;
            }
        }
        // A full would miss the same unread files.
        if (result.status == BackupStatus::Success || result.status == BackupStatus::StaleTemp ||
            result.status == BackupStatus::ToolHung || result.status == BackupStatus::MissingFiles)
            return FinishBackup(request, window, result);
        if (LookUpPathKind(result.tempPath) == PathKind::File) DeleteFilePath(result.tempPath);
        const std::wstring fullPath = request.backupFolder + plan.fullName;
        plan = FullPlan(request.computer, request.user, request.today, FullReason::DifferentialFailed);
        AppendToBackupLog(FullReasonLogLine(plan, fullPath) + L" " + ToolOutcomeText(result.tool));
    }
    PackArchive(request, plan, window, result);
    return FinishBackup(request, window, result);
}

RetentionRequest RetentionRequestFor(const BackupRequest& request, const std::wstring& folder,
                                     const std::wstring& keepPath) {
    RetentionRequest retention;
    retention.backupFolder = folder;
    retention.computer = request.computer;
    retention.user = request.user;
    retention.today = request.today;
    retention.keepDays = request.keepDays;
    retention.keepPath = keepPath;
    return retention;
}

void RemoveArchivesPastKeeping(const BackupRequest& request, BackupResult& result) {
    // Never after a failure: the old archives may be all the user has.
    if (result.status != BackupStatus::Success) return;
    RetentionRequest retention = RetentionRequestFor(request, request.backupFolder, result.archivePath);
    retention.damagedFull = result.damagedFull;
    RemoveOtherArchivesOfDay(retention);
    const RetentionOutcome outcome = RemoveExpiredArchives(retention);
    if (!outcome.pausedBy.empty()) result.notes.push_back({L"LogRetentionPaused", outcome.pausedBy});
}
