// Lock files in memory: this process's own, and those another process holds for a while.
#include "platform/files.h"

#include "platform/fake/fake_state.h"

FileLockState TakeFileLock(const std::wstring& path, FileLock& lock) {
    ReleaseFileLock(lock);
    const std::wstring full = FakeFullPath(path);
    const std::wstring key = FakeKey(full);
    const std::wstring parent = FakeParent(full);
    if (Fake().diskFull || parent.empty() || !FakeFolderExists(parent)) return FileLockState::Unavailable;
    auto foreign = Fake().foreignLocks.find(key);
    if (foreign != Fake().foreignLocks.end() && Fake().tickMs < foreign->second) return FileLockState::Busy;
    // No sharing: a second open by this same process is refused too.
    for (const auto& own : Fake().fileLocks)
        if (own.second == key) return FileLockState::Busy;
    const FakeNode* existing = FakeFind(full);
    if (existing && (existing->isFolder || existing->readOnly)) return FileLockState::Unavailable;
    FakeMake(full, false);
    lock.token = Fake().nextHeldToken++;
    Fake().fileLocks[lock.token] = key;
    return FileLockState::Taken;
}

void ReleaseFileLock(FileLock& lock) {
    auto it = Fake().fileLocks.find(lock.token);
    if (it != Fake().fileLocks.end()) {
        Fake().nodes.erase(it->second);  // deleted on close
        Fake().fileLocks.erase(it);
    }
    lock.token = 0;
}

void HoldFakeFileLock(const std::wstring& path, std::uint32_t forMs) {
    const std::uint64_t until = forMs == kWaitForever ? UINT64_MAX : Fake().tickMs + forMs;
    Fake().foreignLocks[FakeKey(FakeFullPath(path))] = until;
}
