// The restore's work: 7-Zip extracts into a staging folder beside the data
// folder, every listed file is checked, and only then the folders are swapped.
#include "engine/restore_job.h"

#include "config/language_table.h"
#include "engine/archive_tool.h"
#include "engine/backup_job.h"
#include "engine/backup_log.h"
#include "engine/archive_tree.h"
#include "engine/extraction_check.h"
#include "engine/folder_swap.h"
#include "engine/folder_tree.h"
#include "engine/mail_client.h"
#include "platform/files.h"
#include "platform/system.h"

namespace {

constexpr int kMaxSiblingNumber = 1000;
// How long one piece of checking may keep the window from its messages.
constexpr std::uint64_t kCheckSliceMs = 25;

std::wstring Text(const wchar_t* group, const wchar_t* key) {
    return LookUpText(group, key);
}

// "C:\Users\anna\AppData\Local\Larkmail" -> "C:\Users\anna\AppData\Local\"
std::wstring ParentFolder(const std::wstring& folder) {
    const std::size_t slash = folder.rfind(L'\\');
    return slash == std::wstring::npos ? std::wstring() : folder.substr(0, slash + 1);
}

// A name that nothing uses yet beside the data folder, so the moves stay on
// one volume and never meet an earlier leftover.
std::wstring FreeSiblingPath(const std::wstring& parent, const std::wstring& stem) {
    for (int n = 1; n <= kMaxSiblingNumber; ++n) {
        const std::wstring path = parent + stem + std::to_wstring(n);
        if (LookUpPathKind(path) == PathKind::Missing) return path;
    }
    return {};
}

void LogUndeleted(const std::wstring& folder) {
    if (!DeleteFolderTree(folder).empty())
        AppendToBackupLog(FillPlaceholder(Text(L"LogMessages", L"LogDeleteIncomplete"), folder));
}

// The files are checked as 7-Zip finishes them, on the core it leaves free.
ToolOutcome ExtractArchive(const std::wstring& parameters, const JobWindow& window, ExtractionCheck& check) {
    const ProgramHandle tool = StartArchiveTool(parameters, false);
    if (tool != 0 && window.waitForTool)
        window.waitForTool(tool, [&check] { return CheckExtractedSoFar(check, ReadTickMilliseconds() + kCheckSliceMs); });
    return FinishArchiveTool(tool);
}

struct SwapOutcome {
    bool swapped = false;
    std::wstring stranded;  // where the user's data is when it could not be moved back
};

// Current data aside, restored data in, old data gone. When the second move
// fails the first is undone, so the data folder is as it was.
SwapOutcome SwapInRestoredFolder(const std::wstring& restored, const std::wstring& dataFolder) {
    if (LookUpPathKind(dataFolder) == PathKind::Missing) return {MovePath(restored, dataFolder), {}};
    const std::wstring aside = FreeSiblingPath(ParentFolder(dataFolder), std::wstring(kDataFolderName) + L".old-");
    if (aside.empty() || !MovePath(dataFolder, aside)) return {};
    if (!MovePath(restored, dataFolder)) {
        if (!MovePath(aside, dataFolder)) return {false, aside};
        return {};
    }
    LogUndeleted(aside);
    return {true, {}};
}

RestoreFailure ToolFailure(const ToolOutcome& tool) {
    if (!tool.started) return {Text(L"LogMessages", L"LogRestoreToolMissing"), RestoreFailureText(ToolOutcomeText(tool))};
    return {FillPlaceholder(Text(L"LogMessages", L"LogRestoreFailed"), std::to_wstring(tool.exitCode)),
            RestoreFailureText(ToolOutcomeText(tool))};
}

std::wstring ExtractParameters(const std::wstring& staging, const std::wstring& archivePath, const RestoreScope& scope) {
    if (scope.reach == RestoreReach::Everything) return BuildRestoreParameters(staging + L"\\", archivePath);
    return BuildFolderRestoreParameters(staging + L"\\", archivePath, ArchiveFolderPath(scope));
}

// The part of the data folder that a swap leaves where it was.
RestoreFailure SwapFailure(const SwapOutcome& swap) {
    if (!swap.stranded.empty())
        return {FillPlaceholder(Text(L"LogMessages", L"LogRestoreDataAside"), swap.stranded),
                FillPlaceholder(Text(L"RestoreMsgs", L"DataAside"), swap.stranded)};
    if (!swap.swapped) return {Text(L"LogMessages", L"LogRestoreSwapFailed"), RestoreFailureText({})};
    return {};
}

RestoreFailure PutInPlace(const std::wstring& staging, const std::wstring& dataFolder, const RestoreScope& scope) {
    const std::wstring restored = staging + L"\\" + ArchiveFolderPath(scope);
    switch (scope.reach) {
    case RestoreReach::Everything:
        return SwapFailure(SwapInRestoredFolder(restored, dataFolder));
    case RestoreReach::OneFolder: {
        const FolderSwapOutcome swap = SwapInRestoredSubfolder(staging, restored, dataFolder, scope.folder);
        if (!swap.stranded.empty())
            return {FillPlaceholder(Text(L"LogMessages", L"LogRestoreDataAside"), swap.stranded),
                    FillPlaceholder(Text(L"RestoreMsgs", L"FolderAside"), swap.stranded)};
        return SwapFailure({swap.swapped, {}});
    }
    case RestoreReach::Copy: {
        const std::size_t slash = scope.folder.rfind(L'\\');
        const std::wstring name = scope.folder.empty() ? std::wstring(kDataFolderName) : scope.folder.substr(slash + 1);
        RestoreFailure placed;
        placed.placed = PlaceCopy(restored, scope.copyFolder, name);
        if (placed.placed.empty())
            return {FillPlaceholder(Text(L"LogMessages", L"LogCopyNotPlaced"), scope.copyFolder), RestoreFailureText({})};
        return placed;
    }
    }
    return {};
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
                                  const RestoreScope& scope) {
    const bool everything = scope.reach == RestoreReach::Everything;
    std::vector<ArchiveItem> below;
    if (!everything) below = ItemsBelow(items, scope.folder);
    const std::vector<ArchiveItem>& checked = everything ? items : below;
    if (checked.empty())
        return {FillPlaceholder(Text(L"LogMessages", L"LogRestoreNothing"), ArchiveFolderPath(scope)),
                FillPlaceholder(Text(L"RestoreMsgs", L"NothingToRestore"), ArchiveFolderPath(scope))};
    // A copy is staged in its own folder: the same volume as where it ends.
    const std::wstring parent = scope.reach == RestoreReach::Copy ? scope.copyFolder + L"\\" : ParentFolder(dataFolder);
    const std::wstring staging = FreeSiblingPath(parent, std::wstring(kDataFolderName) + L".restore-");
    if (staging.empty() || !CreateFolderPath(staging))
        return {FillPlaceholder(Text(L"LogMessages", L"LogRestoreNoStaging"), staging.empty() ? parent : staging),
                RestoreFailureText({})};
    if (window.showStatus) window.showStatus(Text(L"RestoreMsgs", L"StatusText1"));
    ExtractionCheck check = StartExtractionCheck(checked, staging);
    const ToolOutcome tool = ExtractArchive(ExtractParameters(staging, archivePath, scope), window, check);
    RestoreFailure failure;
    if (!tool.started || tool.exitCode != 0) {
        failure = ToolFailure(tool);
    } else if (!FindMissingItems(checked, staging, check.next).empty() ||
               LookUpPathKind(staging + L"\\" + ArchiveFolderPath(scope)) != PathKind::Folder) {
        // 7-Zip ends with exit code 0 and "Files: 0" when its name matched nothing.
        failure = {FillPlaceholder(Text(L"LogMessages", L"LogRestoreIncomplete"), std::to_wstring(tool.exitCode)),
                   RestoreFailureText({})};
    } else if (scope.reach != RestoreReach::Copy && MailClientRunning()) {
        // Started while 7-Zip worked: the files it holds must not be swapped away.
        failure = {Text(L"LogMessages", L"LogFailure2"), Text(L"Messages", L"ErrNotClosed")};
    } else {
        failure = PutInPlace(staging, dataFolder, scope);
    }
    // A folder that could not go back stays where it was set aside, in the staging folder.
    if (failure.logLine.empty() || LookUpPathKind(staging + L"\\" + kFolderSwapAside) == PathKind::Missing)
        LogUndeleted(staging);
    return failure;
}
