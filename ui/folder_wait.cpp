// The backup folder's lock taken from the window: the status bar says why it waits.
#include "ui/folder_wait.h"

#include "config/language_table.h"
#include "platform/window.h"
#include "ui/tray.h"

namespace {

void ShowWaiting() {
    ShowJobStatus(LookUpText(L"Messages", L"StatusFolderBusy"));
}

void PauseKeepingWindow(std::uint32_t ms) {
    WaitForWindowEvent(ms);
}

}  // namespace

FolderLock LockFolderFromWindow(const std::wstring& folder) {
    FolderLockWait wait;
    wait.boundMs = kWindowLockWaitMs;
    wait.showWaiting = ShowWaiting;
    wait.pause = PauseKeepingWindow;
    return LockBackupFolder(folder, wait);
}
