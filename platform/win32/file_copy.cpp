// A file copied to a new name in pieces and written through to the disk.
#include <windows.h>

#include <string>

#include "platform/files.h"
#include "platform/win32/long_path.h"
#include "platform/win32/owned_handle.h"

bool CopyFileFlushed(const std::wstring& from, const std::wstring& to,
                     const std::function<void(std::int64_t done, std::int64_t total)>& progress) {
    const std::int64_t total = ReadFileSize(from);
    if (total < 0) return false;
    // CREATE_NEW: a name that exists is someone else's file, never ours to write over.
    OwnedHandle target(CreateFileW(LongPath(to).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                                   FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!target.valid()) return false;
    std::int64_t done = 0;
    bool written = true;
    const bool read = ReadFileInPieces(from, [&](const char* bytes, std::size_t count) {
        if (!written) return;
        DWORD wrote = 0;
        written = WriteFile(target.value, bytes, static_cast<DWORD>(count), &wrote, nullptr) && wrote == count;
        done += static_cast<std::int64_t>(count);
        if (written && progress) progress(done, total);
    });
    // The same handle, so the flush covers exactly what was written.
    const bool flushed = read && written && FlushFileBuffers(target.value);
    OwnedHandle::CloseOwnedHandle(target);
    if (!flushed) DeleteFilePath(to);
    return flushed;
}
