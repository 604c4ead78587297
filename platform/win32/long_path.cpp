// The "\\?\" form of a path that may pass MAX_PATH, so the file calls take it whole.
#include "platform/win32/long_path.h"

#include <windows.h>

namespace {

// CreateDirectoryW stops 12 short of MAX_PATH (room for an 8.3 name inside).
constexpr std::size_t kLongFrom = MAX_PATH - 12;

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

bool IsLetter(wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); }

}  // namespace

std::wstring LongPath(const std::wstring& path) {
    if (path.size() < kLongFrom) return path;
    if (path.compare(0, 4, L"\\\\?\\") == 0 || path.compare(0, 4, L"\\\\.\\") == 0) return path;
    const bool drive = IsLetter(path[0]) && path[1] == L':' && IsSeparator(path[2]);
    const bool unc = IsSeparator(path[0]) && IsSeparator(path[1]) && !IsSeparator(path[2]);
    if (!drive && !unc) return path;
    // The prefix turns off the system's own clean-up, so it is done first.
    const DWORD needed = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (needed == 0) return path;
    std::wstring full(needed, L'\0');
    const DWORD length = GetFullPathNameW(path.c_str(), needed, &full[0], nullptr);
    if (length == 0 || length >= needed) return path;
    full.resize(length);
    return unc ? L"\\\\?\\UNC\\" + full.substr(2) : L"\\\\?\\" + full;
}
