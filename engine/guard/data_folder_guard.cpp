// Archives kept out of the data folder: the folder comparison and the search a restore makes first.
#include "engine/guard/data_folder_guard.h"

#include "platform/files.h"
#include "platform/text.h"

namespace {

bool EndsWith(const std::wstring& text, const wchar_t* tail) {
    const std::wstring end = tail;
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

bool IsArchiveOfOurs(const std::wstring& name) {
    const std::wstring upper = UpperAscii(name);
    return upper.compare(0, 15, L"LARKMAILBACKUP_") == 0 && (EndsWith(upper, L".7Z") || EndsWith(upper, L".TMP"));
}

// Depth first; a link is neither searched nor deleted by the restore.
std::wstring FindArchiveBelow(const std::wstring& folder) {
    for (const FolderEntry& entry : ListFolder(folder, L"*", LinkCheck::FoldersOnly)) {
        if (entry.isLink) continue;
        const std::wstring path = JoinPath(folder, entry.name);
        if (!entry.isFolder && IsArchiveOfOurs(entry.name)) return path;
        if (entry.isFolder) {
            const std::wstring found = FindArchiveBelow(path);
            if (!found.empty()) return found;
        }
    }
    return {};
}

}  // namespace

bool PathLiesInside(const std::wstring& path, const std::wstring& folder) {
    if (path.empty() || folder.empty()) return false;
    const std::wstring inner = ResolveFullPath(path);
    const std::wstring outer = ResolveFullPath(folder);
    if (inner.empty() || outer.empty() || inner.size() < outer.size()) return false;
    if (!SamePathText(inner.substr(0, outer.size()), outer)) return false;
    // "C:\Users\anna\Larkmail2" shares the text but is a folder of its own.
    return inner.size() == outer.size() || outer.back() == L'\\' || inner[outer.size()] == L'\\';
}

std::wstring FindArchiveInDataFolder(const std::wstring& dataFolder, const std::wstring& restoredArchive) {
    if (PathLiesInside(restoredArchive, dataFolder)) return restoredArchive;
    if (LookUpPathKind(dataFolder) != PathKind::Folder) return {};
    return FindArchiveBelow(WithoutTrailingSeparators(dataFolder, 3));
}
