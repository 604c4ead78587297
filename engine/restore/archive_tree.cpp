// The folder tree of a backup's "Larkmail" folder, built from the archive's listing for the restore dialog.
#include "engine/restore/archive_tree.h"

#include <algorithm>
#include <unordered_map>

#include "platform/text.h"

namespace {

constexpr wchar_t kTop[] = L"LARKMAIL";

// "Larkmail\Mail\a.eml" -> "Mail\a.eml"; false outside "Larkmail".
bool BelowTop(const std::wstring& path, std::wstring& below, bool& isTop) {
    const std::wstring upper = UpperAsWindows(path.substr(0, 9));
    isTop = upper == kTop;
    if (isTop) {
        below.clear();
        return true;
    }
    if (upper != std::wstring(kTop) + L"\\") return false;
    below = path.substr(9);
    return true;
}

struct Builder {
    std::vector<ArchiveFolder> folders;
    std::unordered_map<std::wstring, int> byKey;  // upper-cased as Windows compares, below the top

    int Folder(const std::wstring& path) {
        const std::wstring key = UpperAsWindows(path);
        const auto found = byKey.find(key);
        if (found != byKey.end()) return found->second;
        const std::size_t slash = path.rfind(L'\\');
        const int parent = path.empty() ? -1 : Folder(slash == std::wstring::npos ? L"" : path.substr(0, slash));
        ArchiveFolder folder;
        folder.name = path.empty() ? L"Larkmail" : path.substr(slash == std::wstring::npos ? 0 : slash + 1);
        folder.path = path;
        folder.parent = parent;
        folders.push_back(folder);
        const int index = static_cast<int>(folders.size()) - 1;
        if (parent >= 0) folders[parent].children.push_back(index);
        byKey.emplace(key, index);
        return index;
    }
};

}  // namespace

std::vector<ArchiveFolder> BuildArchiveTree(const std::vector<ArchiveItem>& items) {
    Builder builder;
    for (const ArchiveItem& item : items) {
        std::wstring below;
        bool isTop = false;
        // A name that could reach out of its folder is refused by the restore and never shown.
        if (item.isAnti || !IsSafeItemPath(item.path) ||
            !BelowTop(WithoutTrailingSeparators(WindowsSeparators(item.path)), below, isTop))
            continue;
        if (item.isFolder) {
            builder.Folder(below);
            continue;
        }
        const std::size_t slash = below.rfind(L'\\');
        const int folder = builder.Folder(slash == std::wstring::npos ? L"" : below.substr(0, slash));
        builder.folders[folder].files += 1;
        builder.folders[folder].bytes += item.size > 0 ? item.size : 0;
    }
    std::vector<ArchiveFolder>& folders = builder.folders;
    // A parent is always made before its children, so from the back each total is complete before it is passed up.
    for (std::size_t i = folders.size(); i-- > 1;) {
        const int parent = folders[i].parent;
        folders[parent].bytes += folders[i].bytes;
        folders[parent].files += folders[i].files;
    }
    std::vector<std::wstring> keys;
    keys.reserve(folders.size());
    for (const ArchiveFolder& folder : folders) keys.push_back(UpperAsWindows(folder.name));
    for (ArchiveFolder& folder : folders)
        std::sort(folder.children.begin(), folder.children.end(), [&keys](int a, int b) { return keys[a] < keys[b]; });
    return folders;
}

std::vector<ArchiveItem> ItemsBelow(const std::vector<ArchiveItem>& items, const std::wstring& folder) {
    const std::wstring wanted = ItemPathKey(folder);
    std::vector<ArchiveItem> below;
    for (const ArchiveItem& item : items) {
        std::wstring rest;
        bool isTop = false;
        if (item.isAnti || !BelowTop(WithoutTrailingSeparators(WindowsSeparators(item.path)), rest, isTop)) continue;
        if (wanted.empty() || KeyIsAtOrBelow(ItemPathKey(rest), wanted)) below.push_back(item);
    }
    return below;
}
