// The restore's work: 7-Zip extracts into a staging folder beside the data
// folder, every listed file is checked, and only then the folders are swapped
// (the whole data folder, or one folder of it); a copy goes elsewhere instead.
#include "engine/restore/restore_job.h"

#include <algorithm>
#include <cwchar>

#include "config/language_table.h"
#include "engine/console/archive_tool.h"
#include "engine/guard/data_folder_guard.h"
#include "engine/guard/mail_client.h"
#include "engine/report/backup_log.h"
#include "engine/restore/archive_tree.h"
#include "engine/restore/extraction_check.h"
#include "engine/restore/restore_copy.h"
#include "engine/restore/restore_journal.h"
#include "engine/restore/restore_moves.h"
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

// The staging folder goes only where it resolves inside `root`, never with the data folder in it.
void LogUndeleted(const std::wstring& folder, const std::wstring& root, const std::wstring& dataFolder) {
    if (!DeleteTreeWithin(folder, root, dataFolder).empty())
        AppendToBackupLog(FillPlaceholder(Text(L"LogMessages", L"LogDeleteIncomplete"), folder));
}

struct SwapOutcome {
    bool swapped = false;
    std::wstring stranded;  // where the user's data is when it could not be moved back
    std::wstring outside;   // a path that resolves elsewhere than it should: nothing moved
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
    const std::wstring beside = RestoreParentFolder(dataFolder);
    // A link, in the archive's folders or the user's, must not carry a move elsewhere.
    const std::wstring outside = FindPathOutside({{restored, staging}, {target, dataFolder}, {aside, beside}});
    if (!outside.empty()) return {false, {}, outside};
    if (!WriteRestoreJournal(dataFolder, RestorePhase::Swapping, staging, aside, folder)) return {};
    SwapOutcome swap;
    if (LookUpPathKind(target) == PathKind::Missing) {
        const std::wstring parent = ParentOf(target);
        const bool parentThere = LookUpPathKind(parent) == PathKind::Folder || CreateFolderPath(parent);
        swap.swapped = parentThere && MoveWithin(restored, staging, target, dataFolder, &swap.outside);
        return swap;
    }
    if (!MoveWithin(target, dataFolder, aside, beside, &swap.outside)) return swap;
    if (MoveWithin(restored, staging, target, dataFolder, &swap.outside)) return {true, {}, {}};
    if (!WriteRestoreJournal(dataFolder, RestorePhase::MovingBack, staging, aside, folder) ||
        !MoveWithin(aside, aside, target, dataFolder))
        swap.stranded = aside;
    return swap;
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

RestoreFailure RefuseUnsafeItems(const std::vector<ArchiveItem>& items, const std::vector<std::wstring>& removed) {
    const std::size_t item = FindUnsafeItem(items);
    const auto deleted =
        std::find_if(removed.begin(), removed.end(), [](const std::wstring& path) { return !IsSafeItemPath(path); });
    if (item == items.size() && deleted == removed.end()) return {};
    // By their codes: a line break in a name would end the log's line.
    std::wstring shown;
    for (wchar_t c : item < items.size() ? items[item].path : *deleted) {
        wchar_t code[12];
        std::swprintf(code, 12, L"<U+%04X>", static_cast<unsigned>(c));
        shown += c < 0x20 ? std::wstring(code) : std::wstring(1, c);
    }
    return {FillPlaceholder(Text(L"LogMessages", L"LogRestoreUnsafeItem"), shown),
            Text(L"RestoreMsgs", L"UnsafeArchive"), {}};
}

std::wstring RestoreFailureText(const std::wstring& detail) {
    const std::wstring failed = Text(L"RestoreMsgs", L"RestoreFailed");
    return detail.empty() ? failed : failed + L" " + detail;
}

RestoreFailure RestoreFromArchive(const std::wstring& archivePath, const std::wstring& dataFolder,
                                  const std::vector<ArchiveItem>& items, const JobWindow& window,
                                  const std::wstring& password, const DifferentialRestore& differential,
                                  const RestoreScope& scope) {
    if (RestoreFailure unsafe = RefuseUnsafeItems(items, differential.removed); !unsafe.logLine.empty()) return unsafe;
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
            LogUndeleted(staging, scope.copyFolder, dataFolder);
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
        if (!check.unflushed.empty())
            failure.logLine = FillPlaceholder(Text(L"LogMessages", L"LogRestoreNotFlushed"), check.unflushed);
    } else if (copy) {
        const std::wstring name = scope.folder.empty() ? std::wstring(kDataFolderName) : scope.folder.substr(scope.folder.rfind(L'\\') + 1);
        failure.placed = PlaceCopy(staging + L"\\" + archiveFolder, staging, scope.copyFolder, name);
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
            LogUndeleted(staging, parent, dataFolder);
            const wchar_t* box = scope.folder.empty() ? L"DataAside" : L"FolderAside";
            return {FillPlaceholder(Text(L"LogMessages", L"LogRestoreDataAside"), swap.stranded),
                    FillPlaceholder(Text(L"RestoreMsgs", box), swap.stranded), {}};
        }
        if (swap.swapped) {
            // The old data goes once the result is shown; the note stays until then.
            LogUndeleted(staging, parent, dataFolder);
            failure.oldData = LookUpPathKind(aside) == PathKind::Missing ? std::wstring() : aside;
            if (failure.oldData.empty()) RemoveRestoreLeftovers(dataFolder, {}, {});
            return failure;
        }
        failure = swap.outside.empty()
                      ? RestoreFailure{Text(L"LogMessages", L"LogRestoreSwapFailed"), RestoreFailureText({}), {}}
                      : RestoreFailure{FillPlaceholder(Text(L"LogMessages", L"LogRestorePathOutside"), swap.outside),
                                       RestoreFailureText({}), {}};
    }
    removeLeftovers();
    return failure;
}

void RemoveOldData(const std::wstring& dataFolder, const std::wstring& oldData) {
    RemoveRestoreLeftovers(dataFolder, {}, oldData);
}
