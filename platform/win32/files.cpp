// Path kinds, sizes, appends, moves and deletions over the Windows file API.
#include <windows.h>

#include <algorithm>
#include <string>

#include "platform/files.h"
#include "platform/win32/entry_itself.h"
#include "platform/win32/owned_handle.h"
#include "platform/win32/long_path.h"

PathKind LookUpPathKind(const std::wstring& path) {
    DWORD attributes = GetFileAttributesW(LongPath(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return PathKind::Missing;
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? PathKind::Folder : PathKind::File;
}

std::int64_t ReadFileSize(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(LongPath(path).c_str(), GetFileExInfoStandard, &data)) return -1;
    return (std::int64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

bool AppendToSharedFile(const std::wstring& path, const std::string& bytes) {
    OwnedHandle file(CreateFileW(LongPath(path).c_str(), GENERIC_WRITE,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) return false;
    LARGE_INTEGER zero{};
    if (!SetFilePointerEx(file.value, zero, nullptr, FILE_END)) return false;
    size_t done = 0;
    while (done < bytes.size()) {
        DWORD written = 0;
        DWORD chunk = (DWORD)std::min<size_t>(bytes.size() - done, 1u << 20);
        if (!WriteFile(file.value, bytes.data() + done, chunk, &written, nullptr) || written == 0) return false;
        done += written;
    }
    return true;
}

// Write access is what FlushFileBuffers needs; full sharing lets a reader
// that still holds the file keep it.
bool FlushFileToDisk(const std::wstring& path) {
    OwnedHandle file(CreateFileW(LongPath(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                 nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return file.valid() && FlushFileBuffers(file.value) != 0;
}

bool IsReadOnlyFile(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(LongPath(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

bool MoveFileReplacing(const std::wstring& from, const std::wstring& to) {
    return MoveFileExW(LongPath(from).c_str(), LongPath(to).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED | MOVEFILE_WRITE_THROUGH) != 0;
}

bool MovePath(const std::wstring& from, const std::wstring& to) {
    return MoveFileExW(LongPath(from).c_str(), LongPath(to).c_str(), 0) != 0;
}

// DeleteFileW under Wine deletes what a Unix link points to.
bool DeleteFilePath(const std::wstring& path) {
    return DeleteEntryAt(path, false);
}

bool DeleteUnprotectedFile(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(LongPath(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)))
        return false;
    return DeleteFilePath(path);  // never through a link
}
