// The main window over the fake window layer: its controls, the button states and the Main tab's settings writes.
#include "ui/main_window.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "config/language_table.h"
#include "config/settings.h"
#include "platform/fake/fake_platform.h"
#include "ui/event_loop.h"
#include "ui/main_tab.h"

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
        {8, ControlKind::Button, 0, {0, 105, 150, 30}, L"Backup"},
        {9, ControlKind::Button, 0, {167, 105, 150, 30}, L"Set Backup Path"},
        {10, ControlKind::Button, 0, {167, 105, 150, 30}, L"Open Backup Path"},
        {11, ControlKind::Button, 0, {334, 105, 150, 30}, L"Restore"},
        {61, ControlKind::SingleLine, 0, {10, 142, 470, 20}, L"No backup recorded yet."},
        {12, ControlKind::Label, 1, {20, 25, 100, 20}, L"Compression:"},
        {13, ControlKind::TrackBar, 1, {100, 20, 370, 30}, L""},
        {14, ControlKind::Label, 1, {100, 50, 50, 20}, L"None"},
        {15, ControlKind::Label, 1, {445, 50, 50, 20}, L"Ultra"},
        {60, ControlKind::CheckBox, 1, {20, 75, 450, 20}, L"Test each new archive before it replaces the old one"},
        {62, ControlKind::Label, 1, {20, 102, 330, 20}, L"Keep archives for this many days (0 = all):"},
        {63, ControlKind::NumberField, 1, {355, 99, 60, 23}, L"0"},
        {64, ControlKind::Label, 1, {20, 129, 330, 20}, L"Make a full backup every this many days:"},
        {65, ControlKind::LeaveField, 1, {355, 126, 60, 23}, L"0"},
        {66, ControlKind::Label, 1, {20, 153, 465, 18},
         L"0 = a full archive every time; other nights store only what changed."},
    };
    RunWith(SettingsBytes("E:\\Saved Mail\\", 6), [] {});

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
    EXPECT_EQ(w.clientHeight, 225);
    EXPECT_EQ(std::vector<int>({w.panel.x, w.panel.y, w.panel.width, w.panel.height}),
              std::vector<int>({5, 5, 492, 195}));
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

TEST_F(MainWindowTest, TheArchiveTestAndKeepDaysAreWrittenAtOnceAndOnlyWhenValid) {
    struct Case {
        const char* what;
        std::string extra;     // lines after the seven
        bool check;            // box 60 as the user leaves it
        std::wstring days;     // field 63 as typed; empty: untouched
        std::string written;   // the lines after the seven afterwards
        bool checkedAtStart;
    };
    const Case cases[] = {
        {"nothing changed", "", true, L"", "", true},
        {"test turned off", "", false, L"", "VerifyBackup = 0\r\n", true},
        {"test turned on again", "VerifyBackup = 0\r\n", true, L"", "VerifyBackup = 1\r\n", false},
        {"days typed", "", true, L"30", "KeepDays = 30\r\n", true},
        {"the longest keep", "", true, L"3650", "KeepDays = 3650\r\n", true},
        {"too long", "KeepDays = 7\r\n", true, L"3651", "KeepDays = 7\r\n", true},
        {"emptied while typing", "KeepDays = 7\r\n", true, L"", "KeepDays = 7\r\n", true},
        {"the same again", "", true, L"0", "", true},
    };
    for (const Case& c : cases) {
        SetUp();
        const std::string start = SettingsBytes("", 2) + c.extra;
        RunWith(start, [&] {
            QueueFakeEventAction([&c] { EXPECT_EQ(ReadControlCheck(kCheckVerifyBackup), c.checkedAtStart) << c.what; });
            if (c.check != c.checkedAtStart) {
                QueueFakeEventAction([&c] { SetControlCheck(kCheckVerifyBackup, c.check); });
                QueueFakeEvent(kEventControl, kCheckVerifyBackup);
            }
            QueueFakeEventAction([&c] { SetControlText(kFieldKeepDays, c.days.empty() && c.extra.empty() ? L"0" : c.days); });
            QueueFakeEvent(kEventControl, kFieldKeepDays);
        });
        EXPECT_EQ(FakeFileBytes(L"lmbackup.prefs"), SettingsBytes("", 2) + c.written) << c.what;
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
        {"failed, not seen yet", true, failed + "Seen = 0\r\n", failedLine, true, true, "Seen = 1"},
        {"failed, seen before", true, failed + "Seen = 1\r\n", failedLine, true, false, "Seen = 1"},
    };
    for (const auto& c : cases) {
        SetUp();
        if (c.present) SetFakeFile(L"lmbackup.last", c.record);
        std::wstring line;
        bool alert = false;
        std::string whileInTray;
        // Started in the tray: only the restored window puts the failure in front of the user.
        RunWith(kBom + "\r\nBkUpDir = D:\\B\\\r\nOpenToTray = 1\r\n", [&] {
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

}  // namespace
