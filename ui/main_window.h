// The main window: its shared state, its object numbers, its construction and start-up's entry to it.
#pragma once
#include <cstdint>
#include <string>

#include "config/settings.h"

// State owned by the user-interface thread for the life of the window.
struct MainWindowState {
    std::wstring backupPath;  // BackupPath: the backup folder, empty while none is chosen
    std::wstring dataFolder;  // DataFolder: the mail client's data folder
    std::wstring copyPath;    // CopyDir: the second copy's folder, empty while there is none
    Settings startSettings;   // the seven settings as read at start-up
    bool quit = false;        // set by the quit and close handlers; ends the loop
    bool taskExists = false;  // the scheduled task, as schtasks last said
    std::wstring proofSummary;  // line 61's tool tip: how the kept archives were proven
    std::uint64_t ageLookMs = 0;      // the timer's last look at the record
    bool staleBalloonShown = false;
    std::uint64_t staleBalloonMs = 0;
    std::uint64_t balloonIconUntilMs = 0;  // a visible window's icon, there only for the balloon; 0: none
};
MainWindowState& ProcessWindowState();

// Tabs of panel 2.
constexpr int kMainTab = 0;
constexpr int kSevenZipTab = 1;
constexpr int kTaskTab = 2;
constexpr int kOptionsTab = 3;

// Controls of the Main and 7-Zip Settings tabs.
constexpr int kLabelDataFolder = 4;
constexpr int kFieldDataFolder = 5;
constexpr int kLinkClearFolder = 6;
constexpr int kFieldBackupFolder = 7;
constexpr int kButtonBackup = 8;
constexpr int kButtonSetFolder = 9;
constexpr int kButtonOpenFolder = 10;
constexpr int kButtonRestore = 11;
constexpr int kLabelCompression = 12;
constexpr int kTrackCompression = 13;
constexpr int kLabelNone = 14;
constexpr int kLabelUltra = 15;
constexpr int kCheckVerifyBackup = 60;
constexpr int kLabelKeepDays = 62;
constexpr int kFieldKeepDays = 63;
constexpr int kLineLastBackup = 61;
constexpr int kCheckEncrypt = 64;
constexpr int kButtonChangePassword = 65;
constexpr int kLabelFullEvery = 66;
constexpr int kFieldFullEvery = 67;
constexpr int kLabelFullEveryHint = 68;
// The Main tab's second-copy row.
constexpr int kLabelSecondFolder = 95;
constexpr int kFieldSecondFolder = 96;
constexpr int kButtonChooseSecond = 97;
constexpr int kButtonClearSecond = 98;

// Items of the tray pop-up menu.
constexpr int kItemRestoreWindow = 49;
constexpr int kItemBackup = 50;
constexpr int kItemRestore = 51;
constexpr int kItemOpenFolder = 52;
constexpr int kItemQuit = 53;

constexpr unsigned kTimerIntervalMs = 1000;

// Builds window 0 with all four tabs, the status bar, the tray menu, the
// start-up states and the timer, from ProcessWindowState(). False when the
// window could not be opened (nothing else is built then).
bool BuildMainWindow();

// Start-up's last step: takes the settings and the data folder that start-up
// established into the state, builds the window, runs the event loop until the user quits and
// closes the window. Returns the process exit code (0).
int RunMainWindow(const Settings& settings, const std::wstring& dataFolder);
