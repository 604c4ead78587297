// One backup or restore at a time per backup folder: a lock file there that
// the system lets go when its process ends, however it ends.
#pragma once
#include <cstdint>
#include <string>

#include "platform/files.h"

// Never of the archives' pattern "LarkmailBackup_*.7z", so nothing takes it for one.
constexpr wchar_t kFolderLockName[] = L"LarkmailBackup.lock";
// A scheduled run has nobody waiting on it: it outwaits another night's
// backup of some size. A window's user is told sooner.
constexpr std::uint32_t kUnattendedLockWaitMs = 30 * 60 * 1000;
constexpr std::uint32_t kWindowLockWaitMs = 2 * 60 * 1000;
// Nothing tells when another process lets go of a file, so it is tried again.
constexpr std::uint32_t kLockRetryMs = 1000;

struct FolderLockWait {
    std::uint32_t boundMs = 0;
    void (*showWaiting)() = nullptr;  // optional: once, when another run holds the lock
    // Waits at most `ms` before the next try, keeping a window painted;
    // null: a plain pause.
    void (*pause)(std::uint32_t ms) = nullptr;
};

struct FolderLock {
    FileLock file;
    // Another run held it past the bound: this run must change nothing there.
    bool busy = false;
    bool waited = false;  // another run held it at first (showWaiting was called)
};

// `folder` with or without its trailing "\". A folder that cannot hold the
// file (missing, read-only) leaves the run unlocked: nothing of this program
// can write or remove an archive there either.
FolderLock LockBackupFolder(const std::wstring& folder, const FolderLockWait& wait);
void UnlockBackupFolder(FolderLock& lock);
