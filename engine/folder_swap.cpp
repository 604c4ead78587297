// Putting one restored folder in place of the data folder's own, or a copy beside it, so a crash leaves old or new.
#include "engine/folder_swap.h"

#include "config/language_table.h"
#include "engine/backup_job.h"
#include "engine/backup_log.h"
#include "engine/folder_tree.h"
#include "platform/files.h"
#include "platform/text.h"

namespace {

constexpr int kMaxCopyNumber = 1000;

std::wstring ParentOf(const std::wstring& path) {
    const std::size_t slash = path.rfind(L'\\');
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

void DeleteStaging(const std::wstring& staging) {
    if (!DeleteFolderTree(staging).empty())
        AppendToBackupLog(FillPlaceholder(LookUpText(L"LogMessages", L"LogDeleteIncomplete"), staging));
}

}  // namespace

FolderSwapOutcome SwapInRestoredSubfolder(const std::wstring& staging, const std::wstring& restored,
                                          const std::wstring& dataFolder, const std::wstring& folder) {
    const std::wstring target = dataFolder + L"\\" + folder;
    const std::wstring aside = staging + L"\\" + kFolderSwapAside;
    if (!WriteFileReplacing(staging + L"\\" + kFolderSwapNote, Utf8FromWide(folder))) return {};
    const bool present = LookUpPathKind(target) != PathKind::Missing;
    if (present && !MovePath(target, aside)) return {};
    const std::wstring parent = ParentOf(target);
    if ((LookUpPathKind(parent) == PathKind::Folder || CreateFolderPath(parent)) && MovePath(restored, target))
        return {true, {}};
    if (present && !MovePath(aside, target)) return {false, aside};
    return {};
}

void RepairFolderSwaps(const std::wstring& dataFolder) {
    const std::wstring parent = ParentOf(dataFolder);
    const std::wstring stem = dataFolder.substr(parent.size() + 1) + L".restore-";
    for (const FolderEntry& entry : ListFolder(parent, stem + L"*")) {
        if (!entry.isFolder || entry.isLink) continue;
        const std::wstring staging = parent + L"\\" + entry.name;
        std::string note;
        if (!ReadWholeFile(staging + L"\\" + kFolderSwapNote, note)) continue;  // not a swap of ours
        const std::wstring folder = WideFromUtf8(note);
        const std::wstring target = dataFolder + L"\\" + folder;
        const std::wstring aside = staging + L"\\" + kFolderSwapAside;
        if (folder.empty() || folder.find(L"..") != std::wstring::npos) continue;
        if (LookUpPathKind(target) == PathKind::Missing && LookUpPathKind(aside) != PathKind::Missing &&
            !MovePath(aside, target)) {
            // The user's folder stays where it is; the log says where.
            AppendToBackupLog(FillPlaceholder(LookUpText(L"LogMessages", L"LogRestoreDataAside"), aside));
            continue;
        }
        DeleteStaging(staging);
    }
}

std::wstring PlaceCopy(const std::wstring& restored, const std::wstring& into, const std::wstring& name) {
    for (int n = 1; n <= kMaxCopyNumber; ++n) {
        const std::wstring path = into + L"\\" + name + (n == 1 ? L"" : L" (" + std::to_wstring(n) + L")");
        if (LookUpPathKind(path) != PathKind::Missing) continue;
        return MovePath(restored, path) ? path : std::wstring();
    }
    return {};
}
