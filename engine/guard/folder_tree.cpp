// Deleting a folder tree without ever following a junction or symbolic link out of it.
#include "engine/guard/folder_tree.h"

#include "platform/files.h"
#include "platform/text.h"

namespace {

// True when everything went; failures are added to `left`.
bool DeleteTree(const std::wstring& folder, std::vector<std::wstring>& left) {
    bool childrenGone = true;
    // Each file is checked by its own deletion, which never goes through a link.
    for (const FolderEntry& entry : ListFolder(folder, L"*.*", LinkCheck::FoldersOnly)) {
        const std::wstring path = JoinPath(folder, entry.name);
        bool gone = false;
        if (entry.isLink) {
            gone = RemoveLinkPath(path, entry.isFolder);
        } else if (entry.isFolder) {
            if (!DeleteTree(path, left)) {
                childrenGone = false;
                continue;  // already reported below it
            }
            gone = true;
        } else {
            gone = DeleteFilePath(path);
        }
        if (!gone) {
            left.push_back(path);
            childrenGone = false;
        }
    }
    if (!childrenGone) return false;
    if (RemoveEmptyFolder(folder)) return true;
    left.push_back(folder);
    return false;
}

// The folder's own entry as its parent lists it, to see whether it is a link.
bool IsLinkItself(const std::wstring& folder, bool& isFolder) {
    const std::size_t slash = folder.find_last_of(L"\\/");
    if (slash == std::wstring::npos) return false;
    const std::wstring name = folder.substr(slash + 1);
    for (const FolderEntry& entry : ListFolder(folder.substr(0, slash), name)) {
        if (entry.name.size() != name.size()) continue;  // the pattern may match more
        isFolder = entry.isFolder;
        return entry.isLink;
    }
    return false;
}

}  // namespace

std::vector<std::wstring> DeleteFolderTree(const std::wstring& folder) {
    std::vector<std::wstring> left;
    const std::wstring path = WithoutTrailingSeparators(folder, 1);
    if (LookUpPathKind(path) == PathKind::Missing) return left;
    bool isFolder = true;
    if (IsLinkItself(path, isFolder)) {
        if (!RemoveLinkPath(path, isFolder)) left.push_back(path);
        return left;
    }
    if (LookUpPathKind(path) == PathKind::File) {
        if (!DeleteFilePath(path)) left.push_back(path);
        return left;
    }
    DeleteTree(path, left);
    return left;
}
