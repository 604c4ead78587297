// The second folder kept up to date: what is pending, the copy through a
// temporary name that is flushed and tested there, retention there, the record.
#include "engine/backup/second_copy.h"

#include <algorithm>
#include <functional>
#include <memory>

#include "config/language_table.h"
#include "engine/backup/own_archives.h"
#include "engine/backup/retention.h"
#include "engine/console/archive_tool.h"
#include "engine/console/tool_progress.h"
#include "engine/guard/data_folder_guard.h"
#include "engine/report/backup_log.h"
#include "platform/files.h"
#include "platform/system.h"
#include "platform/text.h"

namespace {

// This computer's and user's archives with their sizes.
std::vector<ArchiveFile> ListArchiveFiles(const BackupRequest& request, const std::wstring& folder) {
    std::vector<ArchiveFile> files;
    for (const OwnArchive& archive : ListOwnArchives(folder, request.computer, request.user))
        files.push_back({archive.name, ReadFileSize(folder + archive.name)});
    return files;
}

SecondCopyOutcome Pending(const wchar_t* code, const std::wstring& detail, int copied) {
    SecondCopyOutcome outcome;
    outcome.state = SecondCopyState::Pending;
    outcome.cause = {code, detail};
    outcome.copied = copied;
    return outcome;
}

// Each piece of the copy keeps the window alive; the status bar follows the percentage.
std::function<void(std::int64_t, std::int64_t)> CopyProgress(const JobWindow& window, const std::wstring& step) {
    if (!window.showStatus && !window.keepAlive) return {};
    auto shown = std::make_shared<int>(-1);
    return [&window, step, shown](std::int64_t done, std::int64_t total) {
        const int percent = total > 0 ? static_cast<int>(done * 100 / total) : 100;
        if (percent != *shown && window.showStatus) window.showStatus(TextWithPercent(step, percent));
        *shown = percent;
        if (window.keepAlive) window.keepAlive();
    };
}

enum class CopyStep { Placed, NotWritten, FailedTest };

// Temporary name, flushed, tested where it lies, then its name: an archive
// already there is only ever replaced by one that passed its test there.
CopyStep CopyOneArchive(const BackupRequest& request, const std::wstring& name, const JobWindow& window) {
    const std::wstring target = request.copyFolder + name;
    const std::wstring temp = TemporaryArchivePath(target, ReadProcessId());
    if (LookUpPathKind(temp) != PathKind::Missing) DeleteFilePath(temp);
    const std::wstring step = LookUpText(L"Messages", L"StatusSecondCopy");
    if (window.showStatus) window.showStatus(step);
    if (!CopyFileFlushed(request.backupFolder + name, temp, CopyProgress(window, step))) {
        DeleteFilePath(temp);
        return CopyStep::NotWritten;
    }
    if (window.showStatus) window.showStatus(LookUpText(L"Messages", L"StatusSecondCopyTest"));
    const ToolOutcome test =
        RunArchiveTool(BuildTestParameters(temp, !request.password.empty()), request.password, window);
    if (!test.started || test.hung || test.exitCode != 0) {
        DeleteFilePath(temp);
        return CopyStep::FailedTest;
    }
    if (!MoveFileReplacing(temp, target)) {
        DeleteFilePath(temp);
        return CopyStep::NotWritten;
    }
    return CopyStep::Placed;
}

// The backup folder's rules, run on the second folder; today's archive there
// stands for the one just written.
void ApplyRetentionThere(const BackupRequest& request, const BackupResult& result) {
    const RetentionRequest retention = RetentionRequestFor(
        request, request.copyFolder, request.copyFolder + result.archivePath.substr(result.backupFolder.size()));
    RemoveOtherArchivesOfDay(retention);
    RemoveExpiredArchives(retention);
}

}  // namespace

std::vector<std::wstring> ListPendingArchives(const std::vector<ArchiveFile>& backupFolder,
                                              const std::vector<ArchiveFile>& copyFolder,
                                              const std::wstring& computer, const std::wstring& user) {
    std::vector<OwnArchive> pending;
    for (const ArchiveFile& file : backupFolder) {
        OwnArchive archive{file.name, {}};
        if (!ParseArchiveName(file.name, computer, user, archive.parts)) continue;
        bool there = false;
        for (const ArchiveFile& copy : copyFolder)
            there = there || (UpperAscii(copy.name) == UpperAscii(file.name) && copy.size == file.size);
        if (!there) pending.push_back(archive);
    }
    // Today's first: the newest is what a dead disk tonight would cost.
    std::stable_sort(pending.begin(), pending.end(), [](const OwnArchive& a, const OwnArchive& b) {
        return DayNumber(a.parts.day) > DayNumber(b.parts.day);
    });
    std::vector<std::wstring> order;
    std::vector<bool> placed(pending.size(), false);
    for (std::size_t i = 0; i < pending.size(); ++i) {
        if (placed[i]) continue;
        // A differential is of no use there without its full.
        if (pending[i].parts.kind == ArchiveKind::Differential)
            for (std::size_t f = 0; f < pending.size(); ++f)
                if (!placed[f] && pending[f].parts.kind == ArchiveKind::Full &&
                    DayNumber(pending[f].parts.day) == DayNumber(pending[i].parts.fullDay)) {
                    order.push_back(pending[f].name);
                    placed[f] = true;
                }
        order.push_back(pending[i].name);
        placed[i] = true;
    }
    return order;
}

std::wstring RefuseSecondFolder(const std::wstring& copyFolder, const std::wstring& dataFolder,
                                const std::wstring& backupFolder) {
    if (PathLiesInside(copyFolder, dataFolder)) return L"LogSecondCopyInData";
    if (PathLiesInside(copyFolder, backupFolder)) return L"LogSecondCopyInBackup";
    return {};
}

SecondCopyOutcome UpdateSecondCopy(const BackupRequest& request, const BackupResult& result, const JobWindow& window) {
    SecondCopyOutcome outcome;
    if (request.copyFolder.empty()) {
        outcome.state = SecondCopyState::Off;
        return outcome;
    }
    if (result.status != BackupStatus::Success) return outcome;
    // Asked first and bounded: everything after it (the refusal's resolved paths too) touches the folder.
    bool answered = false;
    if (LookUpPathKindWithin(request.copyFolder, kSecondFolderLookMs, answered) != PathKind::Folder)
        return Pending(L"LogSecondCopyUnreachable", request.copyFolder, 0);
    const std::wstring refused = RefuseSecondFolder(request.copyFolder, request.dataFolder, request.backupFolder);
    if (!refused.empty()) return Pending(refused.c_str(), request.copyFolder, 0);

    RemoveLeftoverTemporaries(request.copyFolder, request.computer, request.user, {});
    const std::vector<std::wstring> pending =
        ListPendingArchives(ListArchiveFiles(request, request.backupFolder), ListArchiveFiles(request, request.copyFolder),
                            request.computer, request.user);
    outcome.state = SecondCopyState::UpToDate;
    for (const std::wstring& name : pending) {
        const CopyStep step = CopyOneArchive(request, name, window);
        if (step == CopyStep::Placed) {
            ++outcome.copied;
            continue;
        }
        if (outcome.state == SecondCopyState::UpToDate)
            outcome = Pending(step == CopyStep::FailedTest ? L"LogSecondCopyTestFailed" : L"LogSecondCopyNotWritten",
                              request.copyFolder + name, outcome.copied);
        // A full disk or a share gone fails every copy after it alike; a damaged archive only itself.
        if (step == CopyStep::NotWritten) break;
    }
    if (outcome.copied > 0)
        AppendToBackupLog(FillPlaceholder(LookUpText(L"LogMessages", L"LogSecondCopyDone"), std::to_wstring(outcome.copied)));
    // Never while something is missing there: the rules count on the newest archives being in place.
    if (outcome.state == SecondCopyState::UpToDate) ApplyRetentionThere(request, result);
    return outcome;
}

LastBackup RecordBackupAttempt(LastBackup attempt, const SecondCopyOutcome& copy) {
    SetSecondCopyState(attempt, copy, ReadLastBackup());
    if (copy.state == SecondCopyState::Pending) AppendToBackupLog(SecondCopyPendingText(attempt));
    RecordLastBackup(attempt);
    return attempt;
}
