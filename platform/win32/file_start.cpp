// Reading the first bytes of a file, or all of it in pieces, without loading all of it.
#include <windows.h>

#include <algorithm>
#include <string>

#include "platform/files.h"
#include "platform/win32/owned_handle.h"
#include "platform/win32/long_path.h"

bool ReadFileStart(const std::wstring& path, std::size_t count, std::string& bytes) {
    bytes.clear();
    OwnedHandle file(CreateFileW(LongPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                 nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) return false;
    std::string buffer(count, '\0');
    std::size_t filled = 0;
    while (filled < count) {
        DWORD got = 0;
        const DWORD want = static_cast<DWORD>(std::min<std::size_t>(count - filled, 1u << 20));
        if (!ReadFile(file.value, buffer.data() + filled, want, &got, nullptr)) return false;
        if (got == 0) break;
        filled += got;
    }
    buffer.resize(filled);
    bytes.swap(buffer);
    return true;
}

bool ReadFileInPieces(const std::wstring& path, const std::function<void(const char*, std::size_t)>& piece) {
    OwnedHandle file(CreateFileW(LongPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                 nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file.valid()) return false;
    // One buffer for every call: under Wine a fresh megabyte per file (mapped,
    // zeroed, unmapped) cost about 4 ms, most of a restore's check of many small files.
    thread_local std::string buffer(1u << 20, '\0');
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(file.value, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr)) return false;
        if (got == 0) return true;
        piece(buffer.data(), got);
    }
}
