// A lock file opened without sharing, deleted by the system with its last handle.
#include <windows.h>

#include "platform/files.h"
#include "platform/win32/long_path.h"
#include "platform/win32/owned_handle.h"

namespace {

constexpr int kDeniedTries = 3;
constexpr DWORD kDeniedPauseMs = 20;

}  // namespace

FileLockState TakeFileLock(const std::wstring& path, FileLock& lock) {
    ReleaseFileLock(lock);
    const std::wstring longPath = LongPath(path);
    for (int attempt = 1;; ++attempt) {
        OwnedHandle file(CreateFileW(longPath.c_str(), GENERIC_READ | DELETE, 0, nullptr, OPEN_ALWAYS,
                                     FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
        if (file.valid()) {
            lock.token = reinterpret_cast<std::uintptr_t>(file.release());
            return FileLockState::Taken;
        }
        const DWORD error = GetLastError();
        if (error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION) return FileLockState::Busy;
        // The last holder's file still being deleted answers "access denied"
        // for a moment, as a read-only folder does for good.
        if (error != ERROR_ACCESS_DENIED || attempt == kDeniedTries) return FileLockState::Unavailable;
        Sleep(kDeniedPauseMs);
    }
}

void ReleaseFileLock(FileLock& lock) {
    HANDLE h = reinterpret_cast<HANDLE>(lock.token);
    if (OwnedHandle::IsSet(h)) CloseHandle(h);
    lock.token = 0;
}
