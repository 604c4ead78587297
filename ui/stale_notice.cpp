// The age of the last good backup as the window tells it: the line and the tray tip kept current,
// and a balloon at the window's start and once a day while it runs in the tray.
#include "ui/stale_notice.h"

#include "config/language_table.h"
#include "config/settings.h"
#include "engine/report/backup_age.h"
#include "engine/report/failure_notice.h"
#include "platform/system.h"
#include "platform/window.h"
#include "ui/main_tab.h"
#include "ui/main_window.h"
#include "ui/tray.h"

namespace {

void ShowStaleBalloon(const LastBackup& attempt, int days) {
    MainWindowState& state = ProcessWindowState();
    const std::uint64_t now = ReadTickMilliseconds();
    // A balloon needs an icon; the shown window has none of its own.
    if (MainWindowVisible()) {
        AddTrayIcon(kTrayIcon, kImageTray);
        SetTrayToolTip(kTrayIcon, StaleToolTipText(days));
        state.balloonIconUntilMs = now + kFailureNoticeMs;
    }
    ShowTrayErrorBalloon(kTrayIcon, LookUpText(L"MainWindow", L"WinTitle"), StaleLineText(attempt, days),
                        kFailureNoticeMs);
    state.staleBalloonShown = true;
    state.staleBalloonMs = now;
}

}  // namespace

int StaleBackupDays(const LastBackup& attempt) {
    const int limit = StaleLimitDays(ReadSettingText(kTaskScheduleKey, L""), ProcessWindowState().taskExists);
    return DaysWithoutGoodBackup(attempt, ReadLocalTime(), limit);
}

void WarnOfStaleBackupAtStart() {
    ProcessWindowState().ageLookMs = ReadTickMilliseconds();
    const LastBackup attempt = ReadLastBackup();
    // The line was first shown before schtasks said whether the task exists.
    if (ProcessWindowState().taskExists) ShowLastBackup(attempt);
    const int days = StaleBackupDays(attempt);
    if (days > 0) ShowStaleBalloon(attempt, days);
}

void LookAtBackupAge() {
    MainWindowState& state = ProcessWindowState();
    const std::uint64_t now = ReadTickMilliseconds();
    if (state.balloonIconUntilMs != 0 && now >= state.balloonIconUntilMs) {
        if (MainWindowVisible()) RemoveTrayIcon(kTrayIcon);
        state.balloonIconUntilMs = 0;
    }
    if (now - state.ageLookMs < kBackupAgeLookMs) return;
    state.ageLookMs = now;
    const LastBackup attempt = ReadLastBackup();
    ShowLastBackup(attempt);
    const int days = StaleBackupDays(attempt);
    if (days > 0 && !MainWindowVisible() &&
        (!state.staleBalloonShown || now - state.staleBalloonMs >= kStaleBalloonEveryMs))
        ShowStaleBalloon(attempt, days);
}
