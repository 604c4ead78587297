// Folder creation, listing and removal, links included.
#include <windows.h>

#include <string>

#include "platform/files.h"
#include "platform/win32/entry_itself.h"
#include "platform/win32/long_path.h"

namespace {

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

// Where the parents begin: after "C:\" or after "\\server\share\".
size_t RootLength(const std::wstring& path) {
    if (path.size() >= 2 && path[1] == L':') return (path.size() >= 3 && IsSeparator(path[2])) ? 3 : 2;
    if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) {
        size_t server = path.find_first_of(L"\\/", 2);
        if (server == std::wstring::npos) return path.size();
        size_t share = path.find_first_of(L"\\/", server + 1);
        return share == std::wstring::npos ? path.size() : share + 1;
    }
    return 0;
}

}  // namespace

// Creates the missing parents too; true when the folder exists afterwards.
bool CreateFolderPath(const std::wstring& path) {
    if (path.empty()) return false;
    if (LookUpPathKind(path) == PathKind::Folder) return true;
    for (size_t at = RootLength(path); at < path.size(); ++at) {
        if (!IsSeparator(path[at]) || at == 0 || IsSeparator(path[at - 1])) continue;
        std::wstring parent = path.substr(0, at);
        if (LookUpPathKind(parent) == PathKind::Missing) CreateDirectoryW(LongPath(parent).c_str(), nullptr);
    }
    if (CreateDirectoryW(LongPath(path).c_str(), nullptr)) return true;
    return LookUpPathKind(path) == PathKind::Folder;
}

std::vector<FolderEntry> ListFolder(const std::wstring& folder, const std::wstring& pattern, LinkCheck check) {
    std::vector<FolderEntry> entries;
    std::wstring prefix = folder;
    if (!prefix.empty() && !IsSeparator(prefix.back())) prefix += L'\\';
    const std::wstring query = prefix + pattern;
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW(LongPath(query).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return entries;
    const std::wstring folderResolved = ResolveFolderPath(folder);
    do {
        std::wstring name = found.cFileName;
        if (name == L"." || name == L"..") continue;
        FolderEntry entry;
        entry.name = name;
        entry.isFolder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        // What cannot be opened to tell counts as a link too: nothing goes through it.
        entry.isLink = (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 ||
                       ((entry.isFolder || check == LinkCheck::Every) &&
                        IdentifyEntryAt(prefix + name, folderResolved) != EntryIdentity::Itself);
        entries.push_back(entry);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return entries;
}

// Wine lists a Unix link to a file as a plain file, and one to a folder as a
// reparse point that opens as the target: removing either only reaches the
// target, so both are refused and stay.
bool RemoveLinkPath(const std::wstring& path, bool isFolder) {
    return DeleteEntryAt(path, isFolder);
}

bool RemoveEmptyFolder(const std::wstring& path) {
    return DeleteEntryAt(path, true);
}
