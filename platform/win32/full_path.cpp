// Full paths as the system resolves them, and path texts compared as the file system compares names.
#include <windows.h>

#include <string>

#include "platform/files.h"
#include "platform/win32/entry_itself.h"

namespace {

// "C:\" or "\\server\share": what no trailing "\" is taken from.
std::size_t RootLength(const std::wstring& path) {
    if (path.size() >= 3 && path[1] == L':' && path[2] == L'\\') return 3;
    if (path.compare(0, 2, L"\\\\") != 0) return 0;
    const std::size_t server = path.find(L'\\', 2);
    const std::size_t share = server == std::wstring::npos ? server : path.find(L'\\', server + 1);
    return share == std::wstring::npos ? path.size() : share;
}

std::wstring WithoutTrailingSeparator(std::wstring path) {
    while (path.size() > RootLength(path) && path.back() == L'\\') path.pop_back();
    return path;
}

// GetFinalPathNameByHandleW answers "\\?\C:\..." or "\\?\UNC\server\...".
std::wstring WithoutVerbatimPrefix(const std::wstring& path) {
    if (path.compare(0, 8, L"\\\\?\\UNC\\") == 0) return L"\\\\" + path.substr(8);
    if (path.compare(0, 4, L"\\\\?\\") == 0) return path.substr(4);
    return path;
}

std::wstring FullPathName(const std::wstring& path) {
    const DWORD need = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (need == 0) return {};
    std::wstring full(need, L'\0');
    const DWORD length = GetFullPathNameW(path.c_str(), need, &full[0], nullptr);
    if (length == 0 || length >= need) return {};
    full.resize(length);
    return full;
}

}  // namespace

std::wstring ResolveFullPath(const std::wstring& path) {
    if (path.empty()) return {};
    const std::wstring full = WithoutTrailingSeparator(FullPathName(path));
    if (full.empty()) return {};
    // The deepest part that exists is opened and named by the system; a
    // folder to be created later keeps its written rest.
    std::wstring head = full, rest;
    for (;;) {
        const std::wstring resolved = ResolveFolderPath(head);
        if (!resolved.empty()) {
            std::wstring joined = WithoutTrailingSeparator(WithoutVerbatimPrefix(resolved));
            if (!joined.empty() && joined.back() == L'\\') joined.pop_back();  // a drive root before the rest
            return rest.empty() ? WithoutTrailingSeparator(joined + L"\\") : joined + rest;
        }
        const std::size_t slash = head.rfind(L'\\');
        if (slash == std::wstring::npos || slash + 1 < RootLength(head) || head.size() <= RootLength(head)) return full;
        rest = head.substr(slash) + rest;
        head = WithoutTrailingSeparator(head.substr(0, slash + 1));
    }
}

bool SamePathText(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()), TRUE) ==
           CSTR_EQUAL;
}
