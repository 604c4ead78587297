// Files rewritten through a temporary beside them, so readers see old or new, never a mix.
#include <windows.h>

#include <algorithm>
#include <string>

#include "platform/files.h"
#include "platform/win32/owned_handle.h"
#include "platform/win32/long_path.h"

namespace {

constexpr int kMoveAttempts = 5;
constexpr DWORD kMoveRetryMs = 40;

std::wstring TemporaryNameBeside(const std::wstring& path) {
    return path + L".new" + std::to_wstring(GetCurrentProcessId()) + L"~";
}

bool WriteAllBytes(HANDLE file, const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        DWORD chunk = (DWORD)std::min<size_t>(bytes.size() - done, 1u << 20);
        DWORD written = 0;
        if (!WriteFile(file, bytes.data() + done, chunk, &written, nullptr) || written == 0) return false;
        done += written;
    }
    return true;
}

// The temporary is flushed before the rename so a crash after the rename
// cannot leave a renamed but empty file.
bool WriteTemporary(const std::wstring& temporary, const std::string& bytes) {
    OwnedHandle file(CreateFileW(LongPath(temporary).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) return false;
    bool ok = WriteAllBytes(file.value, bytes) && FlushFileBuffers(file.value);
    file = OwnedHandle();
    return ok;
}

// A reader holding the target without delete sharing makes the rename fail
// for a moment; a few short retries ride that out.
bool MoveOverWithRetries(const std::wstring& from, const std::wstring& to) {
    for (int attempt = 0; attempt < kMoveAttempts; ++attempt) {
        if (MoveFileExW(LongPath(from).c_str(), LongPath(to).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
        DWORD error = GetLastError();
        if (error != ERROR_SHARING_VIOLATION && error != ERROR_ACCESS_DENIED && error != ERROR_LOCK_VIOLATION) break;
        Sleep(kMoveRetryMs);
    }
    return false;
}

bool IsReadOnlyFile(const std::wstring& path) {
    DWORD attributes = GetFileAttributesW(LongPath(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
}

bool ReplaceThroughTemporary(const std::wstring& path, const std::string& bytes, HeldFile* hold) {
    // Windows will not move over a read-only file; Wine as root would.
    if (IsReadOnlyFile(path)) {
        if (hold) ReleaseHeldFile(*hold);
        return false;
    }
    std::wstring temporary = TemporaryNameBeside(path);
    bool written = WriteTemporary(temporary, bytes);
    if (hold) ReleaseHeldFile(*hold);
    if (written && MoveOverWithRetries(temporary, path)) return true;
    DeleteFileW(LongPath(temporary).c_str());
    return false;
}

}  // namespace

bool ReplaceHeldFile(HeldFile& file, const std::wstring& path, const std::string& bytes) {
    if (file.token == 0 || !file.writable) {
        ReleaseHeldFile(file);
        return false;
    }
    return ReplaceThroughTemporary(path, bytes, &file);
}

bool WriteFileReplacing(const std::wstring& path, const std::string& bytes) {
    return ReplaceThroughTemporary(path, bytes, nullptr);
}
