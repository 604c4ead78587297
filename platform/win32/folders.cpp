// Folder creation, listing and removal, links included.
#include <windows.h>

#include <string>

#include "platform/files.h"

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
        if (LookUpPathKind(parent) == PathKind::Missing) CreateDirectoryW(parent.c_str(), nullptr);
    }
    if (CreateDirectoryW(path.c_str(), nullptr)) return true;
    return LookUpPathKind(path) == PathKind::Folder;
}

std::vector<FolderEntry> ListFolder(const std::wstring& folder, const std::wstring& pattern) {
    std::vector<FolderEntry> entries;
    std::wstring query = folder;
    if (!query.empty() && !IsSeparator(query.back())) query += L'\\';
    query += pattern;
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW(query.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return entries;
    do {
        std::wstring name = found.cFileName;
        if (name == L"." || name == L"..") continue;
        FolderEntry entry;
        entry.name = name;
        entry.isFolder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        entry.isLink = (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
        entries.push_back(entry);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return entries;
}

// A folder link goes with RemoveDirectoryW, which never follows it.
bool RemoveLinkPath(const std::wstring& path, bool isFolder) {
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    return isFolder ? RemoveDirectoryW(path.c_str()) != 0 : DeleteFileW(path.c_str()) != 0;
}

bool RemoveEmptyFolder(const std::wstring& path) {
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    return RemoveDirectoryW(path.c_str()) != 0;
}
