// The main window over the fake window layer: its controls, the button states and the Main tab's settings writes.
#include "ui/main_window.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "config/language_table.h"
#include "config/settings.h"
#include "platform/fake/fake_platform.h"
#include "ui/event_loop.h"
#include "ui/main_tab.h"
#include "ui/password_flow.h"
#include "ui/stale_notice.h"
#include "ui/tray.h"

namespace {

const std::string kBom = "\xef\xbb\xbf";
const std::wstring kProfile = L"C:\\Users\\Anna Maria";
const std::wstring kDataFolder = L"C:\\Users\\Anna Maria\\AppData\\Local\\Larkmail";

std::string SettingsBytes(const std::string& bkUpDir, int compression = 0) {
    return kBom + "\r\nBkUpDir = " + bkUpDir + "\r\nCloseToTray = 0\r\nCompression = " +
           std::to_string(compression) + "\r\nOpenToTray = 0\r\nReopenLM = 0\r\nStayOnTop = 0\r\nLanguage = 1\r\n";
}

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetFakePlatform();
        ResetFakeWindow();
        ClearEventHandlers();
        ProcessWindowState() = MainWindowState{};
        LoadLanguageTable(ProcessLanguageTable(), L"");
        SetFakeEnvironment(L"USERPROFILE", kProfile);
        SetFakeEnvironment(L"HOMEDRIVE", L"C:");
    }
    // Runs the window with `settings` as the settings file; the script ends with a close request.
    static void RunWith(const std::string& settings, const std::function<void()>& script) {
        SetFakeFile(L"lmbackup.prefs", settings);
        const Settings startSettings = ReadAllSettings();  // as start-up leaves them
        script();
        QueueFakeEvent(kEventClose, kMainWindow);
        EXPECT_EQ(RunMainWindow(startSettings, kDataFolder), 0);
    }
    // What the refresh step leaves, read on the pass after the handler ran.
    struct Seen {
        bool setVisible, openVisible, backupOn, openOn, restoreOn, item50, item51, item52;
        std::wstring field;
    };
    static void QueueLook(Seen& seen) {
        QueueFakeEvent(kEventTimer, kMainTimer);  // one more pass: the refresh after the handler
        QueueFakeEventAction([&seen] {
            seen = Seen{FakeControlState(kButtonSetFolder).visible, FakeControlState(kButtonOpenFolder).visible,
                        FakeControlState(kButtonBackup).enabled,    FakeControlState(kButtonOpenFolder).enabled,
                        FakeControlState(kButtonRestore).enabled,   FakeMenuItemEnabled(kItemBackup),
                        FakeMenuItemEnabled(kItemRestore),          FakeMenuItemEnabled(kItemOpenFolder),
                        FakeControlState(kFieldBackupFolder).text};
        });
    }
    static void ExpectFolderSet(const Seen& seen, bool set) {
        EXPECT_EQ(seen.setVisible, !set);
        EXPECT_EQ(seen.openVisible, set);
        for (bool on : {seen.backupOn, seen.openOn, seen.restoreOn, seen.item50, seen.item51, seen.item52})
            EXPECT_EQ(on, set);
    }
};

TEST_F(MainWindowTest, BuildsBothTabsWithEveryControlAtItsPlace) {
    struct Row {
        int number;
        ControlKind kind;
        int tab;
        Box box;
        std::wstring text;
    };
    const Row rows[] = {
        {4, ControlKind::Label, 0, {40, 7, 100, 20}, L"Larkmail Path:"},
        {5, ControlKind::ReadOnlyField, 0, {40, 25, 400, 20}, kDataFolder},
        {6, ControlKind::Link, 0, {40, 47, 290, 20}, L"BackUp Path:"},
        {7, ControlKind::Field, 0, {40, 67, 400, 20}, L"E:\\Saved Mail\\"},
        {95, ControlKind::Label, 0, {40, 94, 95, 20}, L"Second copy:"},
        {96, ControlKind::ReadOnlyField, 0, {135, 92, 195, 20}, L"\\\\nas\\backup\\anna\\"},
        {97, ControlKind::Button, 0, {335, 90, 80, 24}, L"Choose..."},
        {98, ControlKind::Button, 0, {420, 90, 64, 24}, L"Clear"},
        {8, ControlKind::Button, 0, {0, 122, 150, 30}, L"Backup"},
        {9, ControlKind::Button, 0, {167, 122, 150, 30}, L"Set Backup Path"},
        {10, ControlKind::Button, 0, {167, 122, 150, 30}, L"Open Backup Path"},
        {11, ControlKind::Button, 0, {334, 122, 150, 30}, L"Restore"},
        {61, ControlKind::SingleLine, 0, {10, 159, 470, 20}, L"No backup recorded yet."},
        {12, ControlKind::Label, 1, {20, 25, 100, 20}, L"Compression:"},
        {13, ControlKind::TrackBar, 1, {100, 20, 370, 30}, L""},
        {14, ControlKind::Label, 1, {100, 50, 50, 20}, L"None"},
        {15, ControlKind::Label, 1, {445, 50, 50, 20}, L"Ultra"},
        {60, ControlKind::CheckBox, 1, {20, 72, 450, 20}, L"Test each new archive before it replaces the old one"},
        {62, ControlKind::Label, 1, {20, 97, 330, 20}, L"Keep archives for this many days (0 = all):"},
        {63, ControlKind::NumberField, 1, {355, 94, 60, 23}, L"0"},
        {66, ControlKind::Label, 1, {20, 122, 330, 20}, L"Make a full backup every this many days:"},
        {67, ControlKind::NumberField, 1, {355, 119, 60, 23}, L"0"},
        {68, ControlKind::Label, 1, {20, 145, 465, 18},
         L"0 = a full archive every time; other nights store only what changed."},
        {64, ControlKind::CheckBox, 1, {20, 167, 300, 20}, L"Encrypt backups with a password"},
        {65, ControlKind::Button, 1, {325, 164, 145, 24}, L"Change password..."},
    };
    RunWith(SettingsBytes("E:\\Saved Mail\\", 6) + "CopyDir = \\\\nas\\backup\\anna\r\n", [] {});

    std::vector<int> order;
    for (const Row& row : rows) order.push_back(row.number);
    std::vector<int> created = FakeControlNumbers();  // the other tabs' controls follow
    created.resize(std::min(created.size(), order.size()));
    EXPECT_EQ(created, order);  // creation order is tab order
    for (const Row& row : rows) {
        FakeControl c = FakeControlState(row.number);
        EXPECT_EQ(c.kind, row.kind) << row.number;
        EXPECT_EQ(c.tab, row.tab) << row.number;
        EXPECT_EQ(std::vector<int>({c.box.x, c.box.y, c.box.width, c.box.height}),
                  std::vector<int>({row.box.x, row.box.y, row.box.width, row.box.height}))
            << row.number;
        EXPECT_EQ(c.text, row.text) << row.number;
    }
    EXPECT_EQ(FakeControlState(6).toolTip, L"Click to clear backup path");
    FakeControl track = FakeControlState(kTrackCompression);
    EXPECT_EQ(track.low, 0);
    EXPECT_EQ(track.high, 9);
    EXPECT_EQ(track.tickEvery, 1);
    EXPECT_EQ(track.position, 6);

    FakeMainWindow w = FakeWindowState();
    EXPECT_EQ(w.title, L"Larkmail Backup");
    EXPECT_EQ(w.clientWidth, 500);
    EXPECT_EQ(w.clientHeight, 250);
    EXPECT_EQ(std::vector<int>({w.panel.x, w.panel.y, w.panel.width, w.panel.height}),
              std::vector<int>({5, 5, 492, 220}));
    // The row of tabs and the panel's borders take 23 of its height under Wine at 96 DPI and a
    // little more on Windows: a control lower than this is cut off at the page's foot.
    for (int number : FakeControlNumbers()) {
        FakeControl c = FakeControlState(number);
        EXPECT_LE(c.box.y + c.box.height, w.panel.height - 28) << number;
    }
    EXPECT_EQ(w.tabs, std::vector<std::wstring>({L"Main", L"7-Zip Settings", L"Backup Task", L"Options"}));
    EXPECT_EQ(w.statusFieldWidth, 500);
    ASSERT_FALSE(w.statusHistory.empty());
    EXPECT_EQ(w.statusHistory.front(), L"Ready");
    EXPECT_EQ(w.timerIntervalMs, 1000u);
    EXPECT_FALSE(w.open);  // closed again when the loop ended
}

TEST_F(MainWindowTest, ButtonsAndMenuItemsFollowTheBackupFolder) {
    for (const std::string& folder : {std::string(""), std::string("D:\\B\\")}) {
        SetUp();
        Seen seen{};
        RunWith(SettingsBytes(folder), [&] { QueueLook(seen); });
        ExpectFolderSet(seen, !folder.empty());
    }
}

TEST_F(MainWindowTest, ChoosingAFolderStoresItAndSwapsTheButtons) {
    Seen seen{};
    RunWith(SettingsBytes(""), [&] {
        QueueFakeRequesterAnswer(L"D:\\My Backups\\");
        QueueFakeEvent(kEventControl, kButtonSetFolder);
        QueueLook(seen);
    });
    ASSERT_EQ(FakeRequests().size(), 1u);
    EXPECT_TRUE(FakeRequests()[0].folder);
    EXPECT_EQ(FakeRequests()[0].title, L"Choose Backup Location:");
    EXPECT_EQ(FakeRequests()[0].initialFolder, L"C:");
    EXPECT_EQ(FakeFileBytes(L"lmbackup.prefs"), SettingsBytes("D:\\My Backups\\"));
    EXPECT_EQ(seen.field, L"D:\\My Backups\\");
    ExpectFolderSet(seen, true);
    EXPECT_EQ(ProcessWindowState().backupPath, L"D:\\My Backups\\");
}

TEST_F(MainWindowTest, AFolderInsideTheDataFolderIsRefusedAndNothingChanges) {
    const std::wstring box =
        L"This folder lies inside the Larkmail data folder (C:\\Users\\Anna Maria\\AppData\\Local\\Larkmail). Every "
        L"backup would pack the earlier archives again, and a restore would delete them. Please choose a folder "
        L"outside it.";
    const struct {
        std::wstring answer;
        bool refused;
    } cases[] = {
        {kDataFolder + L"\\Backups\\", true},
        {kDataFolder + L"\\", true},
        {L"c:\\users\\anna maria\\appdata\\local\\larkmail\\", true},
        {L"C:\\Users\\Anna Maria\\AppData\\Local\\Larkmail2\\", false},
    };
    for (const auto& c : cases) {
        SetUp();
        Seen seen{};
        RunWith(SettingsBytes(""), [&] {
            QueueFakeRequesterAnswer(c.answer);
            QueueFakeEvent(kEventControl, kButtonSetFolder);
            QueueLook(seen);
        });
        const std::string answer(c.answer.begin(), c.answer.end());
        EXPECT_EQ(FakeFileBytes(L"lmbackup.prefs"), SettingsBytes(c.refused ? "" : answer)) << answer;
        EXPECT_EQ(ProcessWindowState().backupPath, c.refused ? L"" : c.answer) << answer;
        EXPECT_EQ(seen.field, c.refused ? L"" : c.answer) << answer;
        ExpectFolderSet(seen, !c.refused);
        ASSERT_EQ(FakeBoxes().size(), c.refused ? 1u : 0u) << answer;
        if (!c.refused) continue;
        EXPECT_EQ(FakeBoxes()[0].title, L"Error");
        EXPECT_EQ(FakeBoxes()[0].text, box);
        EXPECT_EQ(FakeBoxes()[0].type, 0x10u);
    }
}

// The second copy's row: refused folders change nothing, a mapped letter is offered its share, Clear empties it.
TEST_F(MainWindowTest, TheSecondCopyFolderIsChosenRefusedOrCleared) {
    const std::string set = SettingsBytes("D:\\B\\") + "CopyDir = F:\\Copies\\\r\n";
    const std::wstring mapped = L"N:\\anna\\ lies on a network drive. A scheduled backup may not see drive letters; use "
                                L"its network path \\\\nas\\backup\\anna\\ instead?";
    const struct {
        const char* what;
        std::string before;
        int button;
        std::wstring answer;  // the requester's
        bool yes;             // to the network path's question
        std::string after;    // the settings file
        std::wstring field, box;
    } cases[] = {
        {"chosen", SettingsBytes("D:\\B\\"), kButtonChooseSecond, L"F:\\Copies\\", false, set, L"F:\\Copies\\", L""},
        {"inside the data folder", set, kButtonChooseSecond, kDataFolder + L"\\Copies\\", false, set, L"F:\\Copies\\",
         L"This folder lies inside the Larkmail data folder (" + kDataFolder + L"). Every backup would pack the earlier "
         L"archives again, and a restore would delete them. Please choose a folder outside it."},
        {"the backup folder", set, kButtonChooseSecond, L"d:\\b\\", false, set, L"F:\\Copies\\",
         L"This folder is the backup folder or lies inside it (D:\\B\\). A copy there is lost together with the backups "
         L"it should protect. Please choose a folder on another drive or a network share."},
        {"inside the backup folder", set, kButtonChooseSecond, L"D:\\B\\Copy\\", false, set, L"F:\\Copies\\",
         L"This folder is the backup folder or lies inside it (D:\\B\\). A copy there is lost together with the backups "
         L"it should protect. Please choose a folder on another drive or a network share."},
        {"a mapped drive, its share taken", set, kButtonChooseSecond, L"N:\\anna\\", true,
         SettingsBytes("D:\\B\\") + "CopyDir = \\\\nas\\backup\\anna\\\r\n", L"\\\\nas\\backup\\anna\\", mapped},
        {"a mapped drive kept", set, kButtonChooseSecond, L"N:\\anna\\", false,
         SettingsBytes("D:\\B\\") + "CopyDir = N:\\anna\\\r\n", L"N:\\anna\\", mapped},
        {"cleared", set, kButtonClearSecond, L"", false, SettingsBytes("D:\\B\\") + "CopyDir = \r\n", L"", L""},
        {"cleared when never set: the file keeps its bytes", SettingsBytes("D:\\B\\"), kButtonClearSecond, L"", false,
         SettingsBytes("D:\\B\\"), L"", L""},
    };
    for (const auto& c : cases) {
        SetUp();
        SetFakeNetworkDrive(L"n:", L"\\\\nas\\backup");
        std::wstring field;
        RunWith(c.before, [&] {
            if (!c.answer.empty()) QueueFakeRequesterAnswer(c.answer);
            QueueFakeAnswer(c.yes);
            QueueFakeEvent(kEventControl, c.button);
            QueueFakeEventAction([&] { field = FakeControlState(kFieldSecondFolder).text; });
        });
        EXPECT_EQ(FakeFileBytes(L"lmbackup.prefs"), c.after) << c.what;
        EXPECT_EQ(field, c.field) << c.what;
        EXPECT_EQ(ProcessWindowState().copyPath, c.field) << c.what;
        ASSERT_EQ(FakeBoxes().size(), c.box.empty() ? 0u : 1u) << c.what;
        if (!c.box.empty()) EXPECT_EQ(FakeBoxes()[0].text, c.box) << c.what;
        if (c.button == kButtonChooseSecond) EXPECT_EQ(FakeRequests()[0].title, L"Choose the folder for the second copy:");
    }
}

TEST_F(MainWindowTest, CancellingTheRequesterWritesNothing) {
    Seen seen{};
    RunWith(SettingsBytes(""), [&] {
        QueueFakeEvent(kEventControl, kButtonSetFolder);  // no answer queued: cancel
        QueueLook(seen);
    });
    EXPECT_EQ(FakeRequests().size(), 1u);
    EXPECT_EQ(FakeFileBytes(L"lmbackup.prefs"), SettingsBytes(""));
    ExpectFolderSet(seen, false);
}

TEST_F(MainWindowTest, TheLinkClearsFieldSettingAndFolder) {
    Seen seen{};
    RunWith(SettingsBytes("D:\\B\\", 3), [&] {
        QueueFakeEvent(kEventControl, kLinkClearFolder);
        QueueLook(seen);
    });
    EXPECT_EQ(FakeFileBytes(L"lmbackup.prefs"), SettingsBytes("", 3));
    EXPECT_EQ(seen.field, L"");
    ExpectFolderSet(seen, false);
    EXPECT_TRUE(ProcessWindowState().backupPath.empty());
}

TEST_F(MainWindowTest, TheTrackBarWritesCompressionAtOnce) {
    for (int position : {9, 0, 4}) {
        SetUp();
        RunWith(SettingsBytes("", 2), [&] {
            QueueFakeEventAction([position] { SetTrackBarPosition(kTrackCompression, position); });
            QueueFakeEvent(kEventControl, kTrackCompression);
        });
        EXPECT_EQ(FakeFileBytes(L"lmbackup.prefs"), SettingsBytes("", position)) << position;
        EXPECT_EQ(ProcessWindowState().startSettings.compression, 2);  // the in-memory value stays
    }
}

// KeepDays is stored as the user leaves the field (Tab, Enter, arrows, the window's end), never
// what it passed through while typing: 30 -> Backspace -> "3" would delete every archive past three days.
TEST_F(MainWindowTest, TheArchiveTestAtOnceAndKeepDaysOnlyAsTheFieldIsLeft) {
    struct Case {
        const char* what;
        std::string extra;     // lines after the seven
        bool check;            // box 60 as the user leaves it
        std::wstring typed;    // keys into field 63 (caret at the end), no event of their own
        std::wstring leave;    // the key that leaves or commits it; empty: the window closes
        std::wstring shownAtStart, shownAfter;
        std::string written;   // the lines after the seven afterwards
        bool checkedAtStart;
    };
    const std::string k30 = "KeepDays = 30\r\n";
    const Case cases[] = {
        {"nothing changed", "", true, L"", L"", L"0", L"0", "", true},
        {"test turned off", "", false, L"", L"", L"0", L"0", "VerifyBackup = 0\r\n", true},
        {"test turned on again", "VerifyBackup = 0\r\n", true, L"", L"", L"0", L"0", "VerifyBackup = 1\r\n", false},
        {"30, two Backspaces, Tab: keep all, never 3", k30, true, L"\b\b", L"\t", L"30", L"0", "KeepDays = 0\r\n", true},
        {"30, one Backspace, Tab: the 3 it shows", k30, true, L"\b", L"\t", L"30", L"3", "KeepDays = 3\r\n", true},
        {"7 typed, Enter", "", true, L"\b7", L"\r", L"0", L"7", "KeepDays = 7\r\n", true},
        {"typed, left by closing the window", k30, true, L"\b\b14", L"", L"30", L"14", "KeepDays = 14\r\n", true},
        {"arrow up", k30, true, L"", L"+", L"30", L"31", "KeepDays = 31\r\n", true},
        {"typed, then Backup from the tray menu", k30, true, L"\b\b7", L"backup", L"30", L"7", "KeepDays = 7\r\n", true},
        {"the longest keep", "", true, L"\b3650", L"\t", L"0", L"3650", "KeepDays = 3650\r\n", true},
        {"too long: the value in force stays", "KeepDays = 7\r\n", true, L"\b3651", L"\t", L"7", L"7",
         "KeepDays = 7\r\n", true},
        {"the same again", "", true, L"\b0", L"\t", L"0", L"0", "", true},
        {"hand-edited, not a count: shown as the 0 in force, kept", "KeepDays = 1e3\r\n", true, L"", L"\t", L"0", L"0",
         "KeepDays = 1e3\r\n", true},
    };
    for (const Case& c : cases) {
        SetUp();
        const std::string start = SettingsBytes("", 2) + c.extra;
        std::string whileTyping, afterLeaving;
        std::wstring shownAfter;
        RunWith(start, [&] {
            QueueFakeEventAction([&c] {
                EXPECT_EQ(ReadControlCheck(kCheckVerifyBackup), c.checkedAtStart) << c.what;
                EXPECT_EQ(ReadControlText(kFieldKeepDays), c.shownAtStart) << c.what;
            });
            if (c.check != c.checkedAtStart) {
                QueueFakeEventAction([&c] { SetControlCheck(kCheckVerifyBackup, c.check); });
                QueueFakeEvent(kEventControl, kCheckVerifyBackup);
            }
            if (!c.typed.empty()) QueueFakeEventAction([&c] { TypeIntoFakeField(kFieldKeepDays, c.typed); });
            QueueFakeEventAction([&] { whileTyping = FakeFileBytes(L"lmbackup.prefs"); });
            if (c.leave == L"backup") {
                QueueFakeEvent(kEventMenu, kItemBackup);
            } else if (!c.leave.empty()) {
                QueueFakeEventAction([&c] { TypeIntoFakeField(kFieldKeepDays, c.leave); });
            }
            if (!c.leave.empty()) {
                QueueFakeEventAction([&] {
                    shownAfter = ReadControlText(kFieldKeepDays);
                    afterLeaving = FakeFileBytes(L"lmbackup.prefs");
                });
            }
        });
        if (c.leave.empty()) shownAfter = FakeControlState(kFieldKeepDays).text;
        if (c.leave.empty()) afterLeaving = FakeFileBytes(L"lmbackup.prefs");
        EXPECT_EQ(afterLeaving, SettingsBytes("", 2) + c.written) << c.what << ": not stored as it was left";
        EXPECT_EQ(whileTyping, c.check != c.checkedAtStart ? SettingsBytes("", 2) + c.written : start) << c.what;
        EXPECT_EQ(FakeFileBytes(L"lmbackup.prefs"), SettingsBytes("", 2) + c.written) << c.what;
        EXPECT_EQ(shownAfter, c.shownAfter) << c.what;
    }
}

// Box 64 on: dialog 70 with the password twice, OK only while both match and
// are not empty; stored sealed, or nothing stored and the box off again.
// Off: asked first. Button 65 follows the box.
TEST_F(MainWindowTest, TheEncryptBoxAsksForThePasswordTwiceAndOffAsksFirst) {
    const std::string sealedA = "ArchivePassword = ZmFrZS1zZWFsZWQ6O1o=\r\n";  // "a" through the fake's seal
    struct Case {
        const char* what;
        std::string extra;  // lines after the seven
        std::wstring first, second;  // typed; both empty: no dialog expected
        bool enter;         // Enter, else Esc
        bool sealingFails;
        bool answerOff;     // the answer to the off question
        std::vector<bool> okStates;  // OK's state after each typed field
        std::string written;
        bool checkedAfter;
        std::wstring lastBox;
    };
    const std::wstring notStored =
        L"The password could not be stored for your Windows user account. Nothing was changed.";
    const std::wstring offQuestion = L"New backups will not be encrypted. Backups made so far stay encrypted and still "
                                     L"need their password. Turn encryption off?";
    const Case cases[] = {
        {"on, both alike", "", L"a", L"a", true, false, false, {false, true}, sealedA, true, L""},
        {"on, they differ: Enter does nothing, Esc", "", L"a", L"b", false, false, false, {false, false}, "", false, L""},
        {"on, both empty", "", L"", L"", false, false, false, {}, "", false, L""},
        {"on, sealing refused", "", L"a", L"a", true, true, false, {false, true}, "", false, notStored},
        {"off, no", sealedA, L"", L"", false, false, false, {}, sealedA, true, offQuestion},
        {"off, yes", sealedA, L"", L"", false, false, true, {}, "ArchivePassword = \r\n", false, offQuestion},
    };
    for (const Case& c : cases) {
        SetUp();
        SetFakeSecretsFail(c.sealingFails);
        const bool on = c.extra.empty();
        if (!on) QueueFakeAnswer(c.answerOff);
        std::vector<bool> okStates;
        bool buttonAtStart = false, dialogShown = false;
        RunWith(SettingsBytes("", 2) + c.extra, [&] {
            QueueFakeEventAction([&] { buttonAtStart = FakeControlState(kButtonChangePassword).enabled; });
            QueueFakeEventAction([&c, on] { SetControlCheck(kCheckEncrypt, on); });
            QueueFakeEvent(kEventControl, kCheckEncrypt);
            if (!on) return;
            QueueFakeEventAction([&] { dialogShown = DialogWindowOpen() && FakeControlState(kFieldPassword).focused; });
            const std::pair<int, std::wstring> typed[] = {{kFieldPassword, c.first}, {kFieldPasswordRepeat, c.second}};
            for (const auto& field : typed) {
                if (field.second.empty()) continue;
                QueueFakeEventAction([field] { SetControlText(field.first, field.second); });
                QueueFakeEvent(kEventControl, field.first);
                QueueFakeEventAction([&] { okStates.push_back(ControlEnabled(kButtonPasswordOk)); });
            }
            if (c.enter) {
                QueueFakeDialogKey(true);
            } else {
                QueueFakeDialogKey(true);  // with OK disabled: nothing
                QueueFakeDialogKey(false);
            }
        });
        SetFakeSecretsFail(false);
        EXPECT_EQ(buttonAtStart, !on) << c.what;
        EXPECT_EQ(dialogShown, on) << c.what;
        EXPECT_EQ(FakeDialogState().opened, on ? 1 : 0) << c.what;
        EXPECT_EQ(FakeDialogState().title, on ? L"Backup password" : L"") << c.what;
        EXPECT_FALSE(DialogWindowOpen()) << c.what;
        EXPECT_EQ(okStates, c.okStates) << c.what;
        EXPECT_EQ(FakeFileBytes(L"lmbackup.prefs"), SettingsBytes("", 2) + c.written) << c.what;
        EXPECT_EQ(ReadControlCheck(kCheckEncrypt), c.checkedAfter) << c.what;
        EXPECT_EQ(FakeControlState(kButtonChangePassword).enabled, c.checkedAfter) << c.what;
        EXPECT_EQ(FakeBoxes().empty() ? L"" : FakeBoxes().back().text, c.lastBox) << c.what;
    }
}

TEST_F(MainWindowTest, FullEveryIsWrittenWhenTheFieldIsLeftWithAValidNumber) {
    struct Case {
        std::string extra;      // lines after the seven
        std::wstring typed;     // field 65 as the focus leaves it
        std::string written;    // the lines after the seven afterwards
        std::wstring shown;     // field 65 afterwards
    };
    const Case cases[] = {
        {"", L"0", "", L"0"},  // the default file keeps its bytes
        {"", L"14", "FullEvery = 14\r\n", L"14"},
        {"FullEvery = 14\r\n", L"0", "FullEvery = 0\r\n", L"0"},
        {"FullEvery = 14\r\n", L"366", "FullEvery = 14\r\n", L"14"},
        {"FullEvery = 14\r\n", L"", "FullEvery = 14\r\n", L"14"},
        {"FullEvery = 14\r\n", L"007", "FullEvery = 7\r\n", L"7"},
        {"FullEvery = x\r\n", L"0", "FullEvery = x\r\n", L"0"},  // reads 0 already
    };
    for (const Case& c : cases) {
        SetUp();
        std::wstring shown;
        RunWith(SettingsBytes("", 2) + c.extra, [&] {
            QueueFakeEventAction([&c] { SetControlText(kFieldFullEvery, c.typed); });
            QueueFakeEvent(kEventControl, kFieldFullEvery);
            QueueFakeEventAction([&shown] { shown = ReadControlText(kFieldFullEvery); });
        });
        EXPECT_EQ(FakeFileBytes(L"lmbackup.prefs"), SettingsBytes("", 2) + c.written) << c.extra << " typed " << c.typed.size();
        EXPECT_EQ(shown, c.shown) << c.extra;
    }
}

TEST_F(MainWindowTest, OpeningTheFolderStartsExplorerOnTheFolderInMemory) {
    struct Case {
        std::string folder;
        int kind, number;
        std::vector<std::wstring> commandLines;
    };
    const Case cases[] = {
        {"D:\\My Backups\\", kEventControl, kButtonOpenFolder, {L"\"explorer\" \"D:\\My Backups\\\""}},
        {"D:\\B\\", kEventMenu, kItemOpenFolder, {L"\"explorer\" D:\\B\\"}},
        {"", kEventMenu, kItemOpenFolder, {}},
    };
    for (const Case& c : cases) {
        SetUp();
        RunWith(SettingsBytes(c.folder), [&] {
            // What the user types into field 7 is never used.
            QueueFakeEventAction([] { SetControlText(kFieldBackupFolder, L"X:\\typed\\"); });
            QueueFakeEvent(c.kind, c.number);
        });
        std::vector<std::wstring> lines;
        for (const FakeStart& start : FakeStarts()) {
            if (start.commandLine.rfind(L"\"explorer\"", 0) != 0) continue;  // the task tab's query
            lines.push_back(start.commandLine);
            EXPECT_FALSE(start.options.wait);
            EXPECT_FALSE(start.options.hidden);
            EXPECT_FALSE(start.options.keepHandle);
            EXPECT_TRUE(start.options.workingFolder.empty());
        }
        EXPECT_EQ(lines, c.commandLines) << c.folder;
    }
}

// The record as another run left it: the line, its colour, the tab in front, and whether it is marked seen.
TEST_F(MainWindowTest, TheLastBackupLineShowsTheRecordAndAFreshFailureOnce) {
    const std::string head = kBom + "\r\nWhen = 2026-12-09 02:30:00\r\n";
    const std::string tail = "\r\nArchive = LarkmailBackup_PC1_anna_20261209.7z\r\n";
    const std::string saved = head + "Result = saved\r\nReason = Database backup successfully saved to \"D:\\B\\\"" + tail;
    const std::string failed = head + "Result = failed\r\nReason = Backup failed, 7-Zip could not be started." + tail +
                               "Size = 0\r\n";
    const std::string german = head + "Result = failed\r\nReason = Sicherung fehlgeschlagen, Exitcode 1" + tail;
    const std::wstring none = L"No backup recorded yet.";
    const std::wstring failedLine = L"Last backup failed: 12/09/2026 02:30, Backup failed, 7-Zip could not be started.";
    const struct {
        const char* what;
        bool present;
        std::string record;
        std::wstring line;
        bool alert, broughtToFront;
        std::string seenAfter;  // the Seen line the record holds afterwards
    } cases[] = {
        {"missing", false, "", none, false, false, ""},
        {"empty", true, "", none, false, false, ""},
        {"no Result", true, head + "Size = 5\r\nSeen = 0\r\n", none, false, false, "Seen = 0"},
        {"unknown Result", true, head + "Result = fine\r\nSize = 5\r\nSeen = 0\r\n", none, false, false, "Seen = 0"},
        {"bad month", true, kBom + "\r\nWhen = 2026-13-09 02:30:00\r\nResult = saved\r\nSize = 5\r\nSeen = 0\r\n", none,
         false, false, "Seen = 0"},
        {"size with letters", true, saved + "Size = 12k\r\nSeen = 0\r\n", none, false, false, "Seen = 0"},
        {"no Seen", true, saved + "Size = 5\r\n", none, false, false, ""},
        {"saved, 1.2 GB", true, saved + "Size = 1288490188\r\nSeen = 0\r\n",
         L"Last backup: 12/09/2026 02:30, full archive saved (1.2 GB)", false, false, "Seen = 0"},
        {"saved, 900 bytes", true, saved + "Size = 900\r\nSeen = 0\r\n",
         L"Last backup: 12/09/2026 02:30, full archive saved (900 bytes)", false, false, "Seen = 0"},
        {"saved, 512 KB", true, saved + "Size = 524288\r\nSeen = 0\r\n",
         L"Last backup: 12/09/2026 02:30, full archive saved (512 KB)", false, false, "Seen = 0"},
        {"saved, 45.3 MB", true, saved + "Size = 47500000\r\nSeen = 0\r\n",
         L"Last backup: 12/09/2026 02:30, full archive saved (45.3 MB)", false, false, "Seen = 0"},
        {"saved encrypted", true, saved + "Size = 900\r\nSeen = 0\r\nEncrypted = 1\r\n",
         L"Last backup: 12/09/2026 02:30, saved encrypted (900 bytes)", false, false, "Seen = 0"},
        {"encrypted other than 1", true, saved + "Size = 900\r\nSeen = 0\r\nEncrypted = yes\r\n",
         L"Last backup: 12/09/2026 02:30, full archive saved (900 bytes)", false, false, "Seen = 0"},
        // Names read the one way everywhere: a user "anna_diff" makes fulls.
        {"a full of a user anna_diff", true,
         head + "Result = saved\r\nArchive = LarkmailBackup_PC1_anna_diff_20261209.7z\r\nSize = 900\r\nSeen = 0\r\n",
         L"Last backup: 12/09/2026 02:30, full archive saved (900 bytes)", false, false, "Seen = 0"},
        {"a differential of a user anna_diff", true,
         head + "Result = saved\r\nArchive = LarkmailBackup_PC1_anna_diff_20261209_diff_20261201.7z\r\n"
                "Size = 900\r\nSeen = 0\r\n",
         L"Last backup: 12/09/2026 02:30, differential archive saved (900 bytes)", false, false, "Seen = 0"},
        // Notes follow in the window's language; one of a newer version is left out.
        {"saved with notes", true,
         saved + "Size = 900\r\nSeen = 0\r\nNote1 = LogClockBehind|D:\\B\\LarkmailBackup_PC1_anna_20271209.7z\r\n"
                 "Note2 = LogSomethingNew|x\r\nNote3 = LogRetentionPaused|D:\\B\\LarkmailBackup_PC1_anna_20251209.7z\r\n",
         L"Last backup: 12/09/2026 02:30, full archive saved (900 bytes) The computer's date is earlier than that of the "
         L"archive D:\\B\\LarkmailBackup_PC1_anna_20271209.7z; archives dated after today are kept as they are. Check "
         L"the computer's clock. No old archive was removed: today is more than KeepDays days after "
         L"D:\\B\\LarkmailBackup_PC1_anna_20251209.7z, the newest archive made before today. Check the computer's clock.",
         false, false, "Seen = 0"},
        {"failed, not seen yet", true, failed + "Seen = 0\r\n", failedLine, true, true, "Seen = 1"},
        {"failed, seen before", true, failed + "Seen = 1\r\n", failedLine, true, false, "Seen = 1"},
        // A scheduled run under a German locale, the window in English: the window's language.
        {"failed in German", true, german + "Code = LogWarning\r\nDetail = 1\r\nSize = 0\r\nSeen = 1\r\n",
         L"Last backup failed: 12/09/2026 02:30, Backup failed, 7-Zip could not read some files (exit code 1). "
         L"The earlier archive was kept.", true, false, "Seen = 1"},
        {"a code of a newer version: its Reason", true,
         german + "Code = LogSomethingNew\r\nDetail = 1\r\nSize = 0\r\nSeen = 1\r\n",
         L"Last backup failed: 12/09/2026 02:30, Sicherung fehlgeschlagen, Exitcode 1", true, false, "Seen = 1"},
        {"saved, second copy pending", true,
         saved + "Size = 900\r\nSeen = 0\r\nCopyPendingSince = 2026-12-04 02:30:00\r\nCopyCode = LogSecondCopyUnreachable\r\n",
         L"Last backup: 12/09/2026 02:30, full archive saved (900 bytes); second copy pending since 12/04/2026", true, false,
         "Seen = 0"},
        {"failed, second copy pending", true,
         failed + "Seen = 1\r\nCopyPendingSince = 2026-12-04 02:30:00\r\n",
         failedLine + L"; second copy pending since 12/04/2026", true, false, "Seen = 1"},
        {"pending since a time cut short", true, saved + "Size = 900\r\nSeen = 0\r\nCopyPendingSince = 2026-12-04\r\n",
         L"Last backup: 12/09/2026 02:30, full archive saved (900 bytes)", false, false, "Seen = 0"},
    };
    for (const auto& c : cases) {
        SetUp();
        if (c.present) SetFakeFile(L"lmbackup.last", c.record);
        std::wstring line;
        bool alert = false;
        std::string whileInTray;
        // Started in the tray: only the restored window puts the failure in front of the user.
        RunWith(kBom + "\r\nBkUpDir = D:\\B\\\r\nOpenToTray = 1\r\nCopyDir = E:\\C\\\r\n", [&] {
            QueueFakeEventAction([&] {
                SelectTabPage(3);  // where the user left it
                whileInTray = FakeFileBytes(L"lmbackup.last");
            });
            QueueFakeEvent(kEventMenu, kItemRestoreWindow);
            QueueFakeEventAction([&] {
                line = FakeControlState(kLineLastBackup).text;
                alert = FakeControlState(kLineLastBackup).alert;
            });
        });
        EXPECT_EQ(line, c.line) << c.what;
        EXPECT_EQ(FakeControlState(kLineLastBackup).toolTip, c.line) << c.what;
        EXPECT_EQ(alert, c.alert) << c.what;
        EXPECT_EQ(ReadSelectedTabPage(), c.broughtToFront ? kMainTab : 3) << c.what;
        const std::string after = FakeFileBytes(L"lmbackup.last");
        EXPECT_EQ(after.find("Seen") == std::string::npos ? "" : after.substr(after.find("Seen"), 8), c.seenAfter)
            << c.what;
        EXPECT_EQ(FakeFileExists(L"lmbackup.last"), c.present) << c.what;
        EXPECT_EQ(whileInTray, c.record) << c.what;
    }
}

// A daily task whose last good backup is three days old: the line in the alert colour, its tip with the kept
// archives' proofs, a balloon at the start over an icon that goes with it, one a day in the tray, and a good
// backup that a scheduled run records clears it at the next look.
TEST_F(MainWindowTest, AStaleBackupIsToldOnTheLineInTheTrayAndInABalloon) {
    SetFakeEnvironment(L"COMPUTERNAME", L"PC1");
    SetFakeEnvironment(L"USERNAME", L"anna");
    FakeProgramScript query;
    query.outputLines = {L"BackupLarkmail    N/A    Ready"};
    ScriptFakeProgram(L"\"schtasks\" /query", query);
    SetFakeFile(L"lmbackup.last", kBom + "\r\nWhen = 2026-12-06 02:00:00\r\nResult = failed\r\nReason = r\r\n"
                                         "Code = LogToolMissing\r\nDetail = \r\nArchive = a.7z\r\nSize = 0\r\nSeen = 1\r\n"
                                         "LastGood = 2026-12-04 02:00:00\r\n");
    SetFakeFile(L"D:\\B\\LarkmailBackup_PC1_anna_20261204.7z", "x");
    SetFakeFile(L"D:\\B\\LarkmailBackup.proofs", kBom + "\r\n[LarkmailBackup_PC1_anna_20261204.7z]\r\n"
                                                        "Tested = 2026-12-04 02:00:10\r\nResult = passed\r\n");
    const std::wstring stale = L"No good backup for 3 days. Last backup failed: 12/06/2026 02:00, Backup failed, "
                               L"7-Zip could not be started.";
    const std::wstring staleTip = L"tip icon 0: Larkmail Backup - no good backup for 3 days";
    const std::wstring balloon = L"error balloon icon 0, 15000 ms: Larkmail Backup | " + stale;
    FakeControl atStart, atEnd;
    std::vector<std::wstring> log;
    RunWith(kBom + "\r\nBkUpDir = D:\\B\\\r\nTaskSchedule = Daily\r\n", [&] {
        QueueFakeEventAction([&] { atStart = FakeControlState(kLineLastBackup); });
        QueueFakeEventAction([] { PauseMilliseconds(15000); });
        QueueFakeEvent(kEventTimer, kMainTimer);  // the balloon's time is up
        QueueFakeEventAction([] {
            HideToTray();
            PauseMilliseconds(kStaleBalloonEveryMs - 15000 - 1);
        });
        QueueFakeEvent(kEventTimer, kMainTimer);  // a day less a moment: no second balloon yet
        QueueFakeEventAction([] { PauseMilliseconds(kBackupAgeLookMs); });
        QueueFakeEvent(kEventTimer, kMainTimer);
        QueueFakeEventAction([] {
            SetFakeFile(L"lmbackup.last", kBom + "\r\nWhen = 2026-12-07 15:35:00\r\nResult = saved\r\nReason = r\r\n"
                                                 "Code = \r\nDetail = \r\nArchive = a.7z\r\nSize = 245\r\nSeen = 0\r\n");
            PauseMilliseconds(kBackupAgeLookMs);
        });
        QueueFakeEvent(kEventTimer, kMainTimer);
        QueueFakeEventAction([&] { log = FakeTrayLog(); });
        QueueFakeEvent(kEventMenu, kItemRestoreWindow);
        QueueFakeEventAction([&] { atEnd = FakeControlState(kLineLastBackup); });
    });
    EXPECT_EQ(atStart.text, stale);
    EXPECT_TRUE(atStart.alert);
    EXPECT_EQ(atStart.toolTip, stale + L"\r\nArchives proven by a test: 1 of 1 kept, the oldest proof on 12/04/2026.");
    EXPECT_EQ(log, (std::vector<std::wstring>{L"add icon 0 image 54", staleTip, balloon, L"remove icon 0",
                                              L"add icon 0 image 54", staleTip, L"hide", staleTip, staleTip, balloon,
                                              L"tip icon 0: Larkmail Backup - last backup 12/07 15:35 OK (full)"}));
    EXPECT_EQ(atEnd.text, L"Last backup: 12/07/2026 15:35, full archive saved (245 bytes)");
    EXPECT_FALSE(atEnd.alert);
}

}  // namespace
