// The restore's work: 7-Zip extracts into a staging folder beside the data
// folder, every listed file is checked, and only then the folders are swapped.
#include "engine/restore_job.h"

#include "config/language_table.h"
#include "engine/archive_tool.h"
#include "engine/backup_job.h"
#include "engine/backup_log.h"
#include "engine/data_folder_guard.h"
#include "engine/extraction_check.h"
#include "engine/folder_tree.h"
#include "engine/mail_client.h"
#include "engine/restore_journal.h"
#include "platform/files.h"
#include "platform/system.h"

namespace {

// How long one piece of checking may keep the window from its messages.
constexpr std::uint64_t kCheckSliceMs = 25;

std::wstring Text(const wchar_t* group, const wchar_t* key) {
    return LookUpText(group, key);
}

// The files are checked as 7-Zip finishes them, on the core it leaves free.
ToolOutcome ExtractArchive(const std::wstring& stagingFolder, const std::wstring& archivePath,
                           const std::wstring& password, const JobWindow& window, ExtractionCheck& check) {
    const ProgramHandle tool = StartArchiveTool(
        BuildRestoreParameters(stagingFolder + L"\\", archivePath, !password.empty()), false, password);
    ToolWatch watch = StartToolWatch();
    if (tool != 0 && window.waitForTool)
        window.waitForTool(tool, watch,
                           [&check] { return CheckExtractedSoFar(check, ReadTickMilliseconds() + kCheckSliceMs); });
    return FinishArchiveTool(tool, watch);
}

void LogUndeleted(const std::wstring& folder) {
    if (!DeleteFolderTree(folder).empty())
        AppendToBackupLog(FillPlaceholder(Text(L"LogMessages", L"LogDeleteIncomplete"), folder));
}

struct SwapOutcome {
    bool swapped = false;
    std::wstring stranded;  // where the user's data is when it could not be moved back
};

// Current data aside, restored data in; the note names each step first, so
// a kill between the two moves is finished at the next start. When the
// second move fails the first is undone, so the data folder is as it was.
SwapOutcome SwapInRestoredFolder(const std::wstring& staging, const std::wstring& aside, const std::wstring& dataFolder) {
    const std::wstring restored = staging + L"\\" + kDataFolderName;
    if (!WriteRestoreJournal(dataFolder, RestorePhase::Swapping, staging, aside)) return {};
    if (LookUpPathKind(dataFolder) == PathKind::Missing) return {MovePath(restored, dataFolder), {}};
    if (!MovePath(dataFolder, aside)) return {};
    if (MovePath(restored, dataFolder)) return {true, {}};
    if (!WriteRestoreJournal(dataFolder, RestorePhase::MovingBack, staging, aside) || !MovePath(aside, dataFolder))
        return {false, aside};
    return {};
}

RestoreFailure ToolFailure(const ToolOutcome& tool) {
    if (!tool.started) return {Text(L"LogMessages", L"LogRestoreToolMissing"), RestoreFailureText(ToolOutcomeText(tool)), {}};
    if (tool.hung) return {Text(L"LogMessages", L"LogRestoreToolHung"), RestoreFailureText(ToolOutcomeText(tool)), {}};
    return {FillPlaceholder(Text(L"LogMessages", L"LogRestoreFailed"), std::to_wstring(tool.exitCode)),
            RestoreFailureText(ToolOutcomeText(tool)), {}};
}

}  // namespace

bool MailClientRunning() {
    return !FindProcessIds(kMailClientExe).empty();
}

std::wstring RestoreFailureText(const std::wstring& detail) {
    const std::wstring failed = Text(L"RestoreMsgs", L"RestoreFailed");
    return detail.empty() ? failed : failed + L" " + detail;
}

RestoreFailure RestoreFromArchive(const std::wstring& archivePath, const std::wstring& dataFolder,
                                  const std::vector<ArchiveItem>& items, const JobWindow& window,
                                  const std::wstring& password, const DifferentialRestore& differential) {
    const std::wstring parent = RestoreParentFolder(dataFolder);
    const std::wstring staging = FreeSiblingPath(parent, std::wstring(kDataFolderName) + L".restore-");
    const std::wstring aside = FreeSiblingPath(parent, std::wstring(kDataFolderName) + L".old-");
    const RestoreFailure noStaging = {
        FillPlaceholder(Text(L"LogMessages", L"LogRestoreNoStaging"), staging.empty() ? parent : staging),
        RestoreFailureText({}), {}};
    // A note that start-up could not repair still names where data lies: never overwritten.
    if (staging.empty() || aside.empty() || RestoreJournalExists(dataFolder) ||
        !WriteRestoreJournal(dataFolder, RestorePhase::Extracting, staging, aside))
        return noStaging;
    if (!CreateFolderPath(staging)) {
        RemoveRestoreLeftovers(dataFolder, staging, {});
        return noStaging;
    }
    if (window.showStatus) window.showStatus(Text(L"RestoreMsgs", L"StatusText1"));
    ExtractionCheck check = StartExtractionCheck(items, staging);
    const ToolOutcome tool =
        differential.fullPath.empty()
            ? ExtractArchive(staging, archivePath, password, window, check)
            : ExtractFullThenDifferential(staging, differential, archivePath, password, window, check);
    RestoreFailure failure;
    if (!tool.started || tool.hung || tool.exitCode != 0) {
        failure = ToolFailure(tool);
    } else if (!FinishExtractionCheck(check) || !FindRemovedItemsPresent(differential.removed, staging).empty()) {
        failure = {FillPlaceholder(Text(L"LogMessages", L"LogRestoreIncomplete"), std::to_wstring(tool.exitCode)),
                   RestoreFailureText({}), {}};
    } else if (MailClientRunning()) {
        // Started while 7-Zip worked: the files it holds must not be swapped away.
        failure = {Text(L"LogMessages", L"LogFailure2"), Text(L"Messages", L"ErrNotClosed"), {}};
    } else if (const std::wstring endangered = FindArchiveInDataFolder(dataFolder, archivePath); !endangered.empty()) {
        // Put there while 7-Zip worked: the old data, and all in it, is deleted after the swap.
        failure = {FillPlaceholder(Text(L"LogMessages", L"LogRestoreArchiveInData"), endangered),
                   FillPlaceholder(Text(L"RestoreMsgs", L"ArchiveInData"), endangered), {}};
    } else {
        const SwapOutcome swap = SwapInRestoredFolder(staging, aside, dataFolder);
        if (!swap.stranded.empty()) {
            // The note stays: the next start moves the data back.
            LogUndeleted(staging);
            return {FillPlaceholder(Text(L"LogMessages", L"LogRestoreDataAside"), swap.stranded),
                    FillPlaceholder(Text(L"RestoreMsgs", L"DataAside"), swap.stranded), {}};
        }
        if (swap.swapped) {
            // The old data goes once the result is shown; the note stays until then.
            LogUndeleted(staging);
            failure.oldData = LookUpPathKind(aside) == PathKind::Missing ? std::wstring() : aside;
            if (failure.oldData.empty()) RemoveRestoreLeftovers(dataFolder, {}, {});
            return failure;
        }
        failure = {Text(L"LogMessages", L"LogRestoreSwapFailed"), RestoreFailureText({}), {}};
    }
    RemoveRestoreLeftovers(dataFolder, staging, {});
    return failure;
}

void RemoveOldData(const std::wstring& dataFolder, const std::wstring& oldData) {
    RemoveRestoreLeftovers(dataFolder, {}, oldData);
}
