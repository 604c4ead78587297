// A failed run without a window, or one that found a damaged full or whose second copy is pending, tells the user through a tray balloon of its own.
#include "engine/report/failure_notice.h"

#include "config/language_table.h"
#include "platform/system.h"
#include "platform/window.h"

namespace {

bool PutNoticeIcon(const LastBackup& attempt) {
    if (!AddTrayIcon(kMainWindow, kProgramIconImage)) return false;
    SetTrayToolTip(kMainWindow, LastBackupToolTipText(attempt));
    ShowTrayErrorBalloon(kMainWindow, LookUpText(L"MainWindow", L"WinTitle"), AttemptAlertText(attempt),
                         kFailureNoticeMs);
    return true;
}

}  // namespace

void ShowFailureNotice(const LastBackup& attempt) {
    if (!OpenNoticeWindow()) return;
    if (PutNoticeIcon(attempt)) {
        // Bounded by the clock: whatever wakes the wait early must not stretch it.
        const std::uint64_t start = ReadTickMilliseconds();
        for (;;) {
            const std::uint64_t waited = ReadTickMilliseconds() - start;
            if (waited >= kFailureNoticeMs) break;
            const WindowEvent event = WaitForWindowEvent(static_cast<std::uint32_t>(kFailureNoticeMs - waited));
            // The user has seen it, or the session ends.
            if (event.kind == kEventTray || event.kind == kEventClose) break;
            if (event.kind == kEventTaskbarCreated) PutNoticeIcon(attempt);
        }
    }
    // Also removes the icon: one left behind would linger until the pointer passes over it.
    CloseMainWindow();
}
