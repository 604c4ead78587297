// The restore's work: 7-Zip extracts into a staging folder beside the data
// folder, every listed file is checked, and only then the folders are swapped
// (the whole data folder, or one folder of it); a copy goes elsewhere instead.
#include "engine/restore/restore_job.h"

#include "config/language_table.h"
#include "engine/console/archive_tool.h"
#include "engine/guard/data_folder_guard.h"
#include "engine/guard/folder_tree.h"
#include "engine/guard/mail_client.h"
#include "engine/report/backup_log.h"
#include "engine/restore/archive_tree.h"
#include "engine/restore/extraction_check.h"
#include "engine/restore/restore_copy.h"
#include "engine/restore/restore_journal.h"
#include "platform/files.h"
#include "platform/system.h"

namespace {

std::wstring Text(const wchar_t* group, const wchar_t* key) {
    return LookUpText(group, key);
}

// "Larkmail\Mail\Inbox" for one folder or a copy; empty for the whole archive.
std::wstring ArchiveFolderOf(const RestoreScope& scope) {
    return scope.reach == RestoreReach::Everything ? std::wstring() : ArchiveFolderPath(scope);
}

std::wstring ParentOf(const std::wstring& path) {
    const std::size_t slash = path.rfind(L'\\');
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

// The files are checked as 7-Zip finishes them, on the core it leaves free.
ToolOutcome ExtractArchive(const std::wstring& stagingFolder, const std::wstring& archivePath,
                           const std::wstring& password, const JobWindow& window, ExtractionCheck& check,
                           const std::wstring& archiveFolder) {
    const std::wstring target = stagingFolder + L"\\";
    const std::wstring parameters =
        archiveFolder.empty() ? BuildRestoreParameters(target, archivePath, !password.empty())
                              : BuildFolderRestoreParameters(target, archivePath, archiveFolder, !password.empty());
    const ProgramHandle tool = StartArchiveTool(parameters, false, password);
    ToolWatch watch = StartToolWatch();
    if (tool != 0 && window.waitForTool)
        window.waitForTool(tool, watch,
                           [&check] { return CheckExtractedSoFar(check, ReadTickMilliseconds() + kExtractionCheckSliceMs); });
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
// With `folder` only that folder is swapped; one the user deleted is moved
// in, its missing parents made first.
SwapOutcome SwapInRestoredFolder(const std::wstring& staging, const std::wstring& aside, const std::wstring& dataFolder,
                                 const std::wstring& folder) {
    const std::wstring below = folder.empty() ? std::wstring() : L"\\" + folder;
    const std::wstring restored = staging + L"\\" + kDataFolderName + below;
    const std::wstring target = dataFolder + below;
    if (!WriteRestoreJournal(dataFolder, RestorePhase::Swapping, staging, aside, folder)) return {};
    if (LookUpPathKind(target) == PathKind::Missing) {
        const std::wstring parent = ParentOf(target);
        const bool parentThere = LookUpPathKind(parent) == PathKind::Folder || CreateFolderPath(parent);
        return {parentThere && MovePath(restored, target), {}};
    }
    if (!MovePath(target, aside)) return {};
    if (MovePath(restored, target)) return {true, {}};
    if (!WriteRestoreJournal(dataFolder, RestorePhase::MovingBack, staging, aside, folder) || !MovePath(aside, target))
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

std::wstring ArchiveFolderPath(const RestoreScope& scope) {
    return scope.folder.empty() ? std::wstring(kDataFolderName) : std::wstring(kDataFolderName) + L"\\" + scope.folder;
}

bool MailClientRunning() {
    return !FindProcessIds(kMailClientExe).empty();
}

std::wstring RestoreFailureText(const std::wstring& detail) {
    const std::wstring failed = Text(L"RestoreMsgs", L"RestoreFailed");
    return detail.empty() ? failed : failed + L" " + detail;
}

RestoreFailure RestoreFromArchive(const std::wstring& archivePath, const std::wstring& dataFolder,
                                  const std::vector<ArchiveItem>& items, const JobWindow& window,
                                  const std::wstring& password, const DifferentialRestore& differential,
                                  const RestoreScope& scope) {
    const bool copy = scope.reach == RestoreReach::Copy;
    const std::wstring archiveFolder = ArchiveFolderOf(scope);
    std::vector<ArchiveItem> scoped;
    if (!archiveFolder.empty()) scoped = ItemsBelow(items, scope.folder);
    const std::vector<ArchiveItem>& checked = archiveFolder.empty() ? items : scoped;
    if (!archiveFolder.empty() && checked.empty())
        return {FillPlaceholder(Text(L"LogMessages", L"LogRestoreNothing"), archiveFolder),
                FillPlaceholder(Text(L"RestoreMsgs", L"NothingToRestore"), archiveFolder), {}};
    // A copy is staged in its own folder, on the volume where it ends; it needs no note:
    // a kill leaves the data folder as it was.
    const std::wstring parent = copy ? scope.copyFolder + L"\\" : RestoreParentFolder(dataFolder);
    const std::wstring staging = FreeSiblingPath(parent, std::wstring(kDataFolderName) + L".restore-");
    const std::wstring aside = FreeSiblingPath(parent, std::wstring(kDataFolderName) + L".old-");
    const RestoreFailure noStaging = {
        FillPlaceholder(Text(L"LogMessages", L"LogRestoreNoStaging"), staging.empty() ? parent : staging),
        RestoreFailureText({}), {}};
    // A note that start-up could not repair still names where data lies: never overwritten.
    if (staging.empty() || aside.empty() ||
        (!copy && (RestoreJournalExists(dataFolder) ||
                   !WriteRestoreJournal(dataFolder, RestorePhase::Extracting, staging, aside, scope.folder))))
        return noStaging;
    const auto removeLeftovers = [&] {
        if (copy)
            LogUndeleted(staging);
        else
            RemoveRestoreLeftovers(dataFolder, staging, {});
    };
    if (!CreateFolderPath(staging)) {
        removeLeftovers();
        return noStaging;
    }
    if (window.showStatus) window.showStatus(Text(L"RestoreMsgs", L"StatusText1"));
    ExtractionCheck check = StartExtractionCheck(checked, staging);
    const ToolOutcome tool =
        differential.fullPath.empty()
            ? ExtractArchive(staging, archivePath, password, window, check, archiveFolder)
            : ExtractFullThenDifferential(staging, differential.fullPath, archivePath, password, window, check,
                                          CountFullOnlyItems(differential, items, checked), archiveFolder);
    const std::wstring below = scope.folder.empty() ? std::wstring() : L"\\" + scope.folder;
    const std::wstring target = dataFolder + below;
    RestoreFailure failure;
    if (!tool.started || tool.hung || tool.exitCode != 0) {
        failure = ToolFailure(tool);
    } else if (!FinishExtractionCheck(check) || !FindRemovedItemsPresent(differential.removed, staging).empty() ||
               (!archiveFolder.empty() && LookUpPathKind(staging + L"\\" + archiveFolder) != PathKind::Folder)) {
        // 7-Zip ends with exit code 0 and "Files: 0" when a folder's name matched nothing.
        failure = {FillPlaceholder(Text(L"LogMessages", L"LogRestoreIncomplete"), std::to_wstring(tool.exitCode)),
                   RestoreFailureText({}), {}};
    } else if (copy) {
        const std::wstring name = scope.folder.empty() ? std::wstring(kDataFolderName) : scope.folder.substr(scope.folder.rfind(L'\\') + 1);
        failure.placed = PlaceCopy(staging + L"\\" + archiveFolder, scope.copyFolder, name);
        if (failure.placed.empty())
            failure = {FillPlaceholder(Text(L"LogMessages", L"LogCopyNotPlaced"), scope.copyFolder),
                       RestoreFailureText({}), {}};
    } else if (MailClientRunning()) {
        // Started while 7-Zip worked: the files it holds must not be swapped away.
        failure = {Text(L"LogMessages", L"LogFailure2"), Text(L"Messages", L"ErrNotClosed"), {}};
    } else if (const std::wstring endangered = FindArchiveInDataFolder(target, archivePath); !endangered.empty()) {
        // Put there while 7-Zip worked: the old data, and all in it, is deleted after the swap.
        failure = {FillPlaceholder(Text(L"LogMessages", L"LogRestoreArchiveInData"), endangered),
                   FillPlaceholder(Text(L"RestoreMsgs", L"ArchiveInData"), endangered), {}};
    } else {
        const SwapOutcome swap = SwapInRestoredFolder(staging, aside, dataFolder, scope.folder);
        if (!swap.stranded.empty()) {
            // The note stays: the next start moves the data back.
            LogUndeleted(staging);
            const wchar_t* box = scope.folder.empty() ? L"DataAside" : L"FolderAside";
            return {FillPlaceholder(Text(L"LogMessages", L"LogRestoreDataAside"), swap.stranded),
                    FillPlaceholder(Text(L"RestoreMsgs", box), swap.stranded), {}};
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
    removeLeftovers();
    return failure;
}

void RemoveOldData(const std::wstring& dataFolder, const std::wstring& oldData) {
    RemoveRestoreLeftovers(dataFolder, {}, oldData);
}
