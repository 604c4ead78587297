// One backup or restore at a time per backup folder: a lock file there that
// the system lets go when its process ends, however it ends.
#include "engine/guard/folder_lock.h"

#include "platform/system.h"
#include "platform/text.h"

FolderLock LockBackupFolder(const std::wstring& folder, const FolderLockWait& wait) {
    FolderLock lock;
    if (WithoutTrailingSeparators(folder).empty()) return lock;
    const std::wstring path = JoinPath(folder, kFolderLockName);
    const std::uint64_t start = ReadTickMilliseconds();
    for (;;) {
        if (TakeFileLock(path, lock.file) != FileLockState::Busy) return lock;
        const std::uint64_t waited = ReadTickMilliseconds() - start;
        if (waited >= wait.boundMs) {
            lock.busy = true;
            return lock;
        }
        if (!lock.waited && wait.showWaiting) wait.showWaiting();
        lock.waited = true;
        const std::uint64_t left = wait.boundMs - waited;
        const std::uint32_t step = left < kLockRetryMs ? static_cast<std::uint32_t>(left) : kLockRetryMs;
        if (wait.pause)
            wait.pause(step);
        else
            PauseMilliseconds(step);
    }
}

void UnlockBackupFolder(FolderLock& lock) {
    ReleaseFileLock(lock.file);
}
