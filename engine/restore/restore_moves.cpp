// The restore's moves and deletes, each allowed only where the paths resolve to the folders they belong to.
#include "engine/restore/restore_moves.h"

#include "engine/guard/data_folder_guard.h"
#include "engine/guard/folder_tree.h"
#include "platform/files.h"

bool MoveWithin(const std::wstring& from, const std::wstring& fromRoot, const std::wstring& to,
                const std::wstring& toRoot, std::wstring* outside) {
    const std::wstring refused = FindPathOutside({{from, fromRoot}, {to, toRoot}});
    if (outside) *outside = refused;
    return refused.empty() && MovePath(from, to);
}

std::wstring FindPathOutside(const std::vector<std::pair<std::wstring, std::wstring>>& paths) {
    for (const auto& path : paths)
        if (!PathLiesInside(path.first, path.second)) return path.first;
    return {};
}

std::vector<std::wstring> DeleteTreeWithin(const std::wstring& folder, const std::wstring& root,
                                           const std::wstring& spared) {
    if (LookUpPathKind(folder) == PathKind::Missing) return {};
    if (!PathLiesInside(folder, root) || PathLiesInside(spared, folder)) return {folder};
    return DeleteFolderTree(folder);
}
