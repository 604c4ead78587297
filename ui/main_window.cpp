// Building the main window: window 0, panel 2 with its four tabs, the Main and 7-Zip Settings tabs, status bar 3.
#include "ui/main_window.h"

#include "config/language_table.h"
#include "platform/window.h"
#include "ui/backup_flow.h"
#include "ui/event_loop.h"
#include "ui/main_tab.h"
#include "ui/password_flow.h"
#include "ui/restore_flow.h"
#include "ui/stale_notice.h"
#include "ui/window_parts.h"

namespace {

struct ControlRow {
    int number;
    ControlKind kind;
    Box box;
    const wchar_t* group;  // null: the text comes from the state
    const wchar_t* key;
};

const ControlRow kMainTabRows[] = {
    {kLabelDataFolder, ControlKind::Label, {40, 7, 100, 20}, L"MainWindow", L"LMPath"},
    {kFieldDataFolder, ControlKind::ReadOnlyField, {40, 25, 400, 20}, nullptr, nullptr},
    {kLinkClearFolder, ControlKind::Link, {40, 47, 290, 20}, L"MainWindow", L"BackupLocation"},
    {kFieldBackupFolder, ControlKind::Field, {40, 67, 400, 20}, nullptr, nullptr},
    // One row, so the buttons and the last line move down by 17 only and the window keeps its size.
    {kLabelSecondFolder, ControlKind::Label, {40, 94, 95, 20}, L"MainWindow", L"SecondCopyLabel"},
    {kFieldSecondFolder, ControlKind::ReadOnlyField, {135, 92, 195, 20}, nullptr, nullptr},
    {kButtonChooseSecond, ControlKind::Button, {335, 90, 80, 24}, L"MainWindow", L"SecondCopyChoose"},
    {kButtonClearSecond, ControlKind::Button, {420, 90, 64, 24}, L"MainWindow", L"SecondCopyClear"},
    {kButtonBackup, ControlKind::Button, {0, 122, 150, 30}, L"MainWindow", L"ButtonCreateBackup"},
    {kButtonSetFolder, ControlKind::Button, {167, 122, 150, 30}, L"MainWindow", L"ButtonSetLocation"},
    {kButtonOpenFolder, ControlKind::Button, {167, 122, 150, 30}, L"MainWindow", L"ButtonOpenLocation"},
    {kButtonRestore, ControlKind::Button, {334, 122, 150, 30}, L"MainWindow", L"ButtonRestore"},
    {kLineLastBackup, ControlKind::SingleLine, {10, 159, 470, 20}, nullptr, nullptr},
};

const ControlRow kSevenZipTabRows[] = {
    // 20 higher than the first design and the rows closer; even so the encryption
    // row needs the 25 the window grew by to stay above the page's foot.
    {kLabelCompression, ControlKind::Label, {20, 25, 100, 20}, L"7-Zip", L"TextCompress"},
    {kTrackCompression, ControlKind::TrackBar, {100, 20, 370, 30}, nullptr, nullptr},
    {kLabelNone, ControlKind::Label, {100, 50, 50, 20}, L"7-Zip", L"TextNone"},
    {kLabelUltra, ControlKind::Label, {445, 50, 50, 20}, L"7-Zip", L"TextUltra"},
    {kCheckVerifyBackup, ControlKind::CheckBox, {20, 72, 450, 20}, L"7-Zip", L"VerifyBackup"},
    {kLabelKeepDays, ControlKind::Label, {20, 97, 330, 20}, L"7-Zip", L"KeepDays"},
    {kFieldKeepDays, ControlKind::NumberField, {355, 94, 60, 23}, nullptr, nullptr},
    {kLabelFullEvery, ControlKind::Label, {20, 122, 330, 20}, L"7-Zip", L"FullEvery"},
    {kFieldFullEvery, ControlKind::NumberField, {355, 119, 60, 23}, nullptr, nullptr},
    {kLabelFullEveryHint, ControlKind::Label, {20, 145, 465, 18}, L"7-Zip", L"FullEveryHint"},
    {kCheckEncrypt, ControlKind::CheckBox, {20, 167, 300, 20}, L"7-Zip", L"EncryptBackups"},
    {kButtonChangePassword, ControlKind::Button, {325, 164, 145, 24}, L"7-Zip", L"ChangePassword"},
};

std::wstring RowText(const ControlRow& row) {
    const MainWindowState& state = ProcessWindowState();
    if (row.group) return LookUpText(row.group, row.key);
    if (row.number == kFieldDataFolder) return state.dataFolder;
    if (row.number == kFieldBackupFolder) return state.backupPath;
    if (row.number == kFieldSecondFolder) return state.copyPath;
    if (row.number == kFieldKeepDays) return std::to_wstring(ReadKeepDaysSetting());
    if (row.number == kFieldFullEvery) return std::to_wstring(ReadFullEverySetting());
    return {};
}

template <size_t N>
void CreateRows(int tab, const ControlRow (&rows)[N]) {
    for (const ControlRow& row : rows) CreateControl(row.number, row.kind, tab, row.box, RowText(row));
}

// Handlers this window owns; the other tabs and the tray add theirs while they are built.
void SetMainWindowHandlers() {
    SetControlHandler(kLinkClearFolder, ClearBackupFolder);
    SetControlHandler(kButtonBackup, RunInteractiveBackup);
    SetControlHandler(kButtonSetFolder, ChooseBackupFolder);
    SetControlHandler(kButtonOpenFolder, OpenBackupFolder);
    SetControlHandler(kButtonRestore, RunRestore);
    SetControlHandler(kButtonChooseSecond, ChooseSecondFolder);
    SetControlHandler(kButtonClearSecond, ClearSecondFolder);
    SetControlHandler(kTrackCompression, StoreCompressionLevel);
    SetControlHandler(kCheckVerifyBackup, StoreVerifyBackup);
    SetControlHandler(kFieldKeepDays, CommitKeepDays);
    SetControlHandler(kCheckEncrypt, ToggleEncryption);
    SetControlHandler(kButtonChangePassword, ChangePassword);
    SetControlHandler(kFieldFullEvery, StoreFullEvery);
    SetMenuHandler(kItemRestoreWindow, [] { ShowMainWindow(true); });
    SetMenuHandler(kItemBackup, RunInteractiveBackup);
    SetMenuHandler(kItemRestore, RunRestore);
    SetMenuHandler(kItemOpenFolder, OpenBackupFolder);
    SetMenuHandler(kItemQuit, RequestQuit);
    // Until the tray takes the close request over, closing ends the program.
    SetEventKindHandler(kEventClose, RequestQuit);
}

}  // namespace

MainWindowState& ProcessWindowState() {
    static MainWindowState state;
    return state;
}

bool BuildMainWindow() {
    const MainWindowState& state = ProcessWindowState();
    const Settings& settings = state.startSettings;
    // 50 more than the panel's first design: the last backup's line sits under the Main tab's
    // buttons, and the 7-Zip tab's rows of keeping, fulls and encryption under its track bar.
    if (!OpenMainWindow(LookUpText(L"MainWindow", L"WinTitle"), 500, 250, settings.openToTray != 1)) return false;
    SetMainWindowHandlers();

    CreateTabPanel(Box{5, 5, 492, 220});
    AddTabPage(kMainTab, LookUpText(L"MainWindow", L"FirstTab"));
    CreateRows(kMainTab, kMainTabRows);
    SetToolTip(kLinkClearFolder, LookUpText(L"MainWindow", L"BackupClearTip"));
    // Before the tray takes the window: only a window on the screen counts as seen.
    RefreshLastBackup();

    CreateStatusBar(500);
    SetStatusText(LookUpText(L"MainWindow", L"StatusBarText"));

    AddTabPage(kSevenZipTab, LookUpText(L"7-Zip", L"TabText"));
    CreateRows(kSevenZipTab, kSevenZipTabRows);
    SetTrackBarRange(kTrackCompression, 0, 9);
    SetTrackBarTicks(kTrackCompression, 1);
    SetControlCheck(kCheckVerifyBackup, ReadVerifySetting());
    SetSpinRange(kFieldKeepDays, 0, kMostKeepDays);
    SetSpinRange(kFieldFullEvery, 0, kMostFullEveryDays);
    ShowEncryptionSetting();

    AddTabPage(kTaskTab, LookUpText(L"TaskWindow", L"ThirdTab"));
    BuildBackupTaskTab();
    AddTabPage(kOptionsTab, LookUpText(L"OptionsWindow", L"FourthTab"));
    BuildOptionsTab();

    BuildTrayMenu();
    SetTrackBarPosition(kTrackCompression, settings.compression);
    ApplySavedOptions(settings);
    ApplyBackupTaskStartState();
    // Once the task's state is known: it sets how old the last good backup may be.
    WarnOfStaleBackupAtStart();
    SetEventKindHandler(kEventTimer, LookAtBackupAge);
    StartWindowTimer(kMainTimer, kTimerIntervalMs);
    return true;
}

int RunMainWindow(const Settings& settings, const std::wstring& dataFolder) {
    MainWindowState& state = ProcessWindowState();
    state.startSettings = settings;
    state.backupPath = state.startSettings.bkUpDir;
    state.copyPath = ReadCopyFolderSetting();
    state.dataFolder = dataFolder;
    state.quit = false;
    // Without a window nothing could ever end the loop, so the program ends at once.
    if (BuildMainWindow()) RunEventLoop();
    CommitKeepDays();  // however the loop ended, a number left in the field is meant
    StoreFullEvery();
    CloseMainWindow();
    return 0;
}
