// The tray over the fake window layer: the menu, the icon through every state, the task bar's return, the tool tip.
#include "ui/tray.h"

#include <gtest/gtest.h>

#include "config/language_table.h"
#include "config/settings.h"
#include "platform/fake/fake_platform.h"
#include "platform/fake/fake_shell.h"
#include "platform/text.h"
#include "ui/event_loop.h"
#include "ui/main_window.h"
#include "ui/options_tab.h"

namespace {

const std::string kBom = "\xef\xbb\xbf";
const std::wstring kProfile = L"C:\\Users\\Anna";
const std::wstring kTip = L"Larkmail Backup - Click for Options";

std::string SettingsBytes(int closeToTray, int openToTray, const std::string& bkUpDir = "") {
    return kBom + "\r\nBkUpDir = " + bkUpDir + "\r\nCloseToTray = " + std::to_string(closeToTray) +
           "\r\nCompression = 0\r\nOpenToTray = " + std::to_string(openToTray) +
           "\r\nReopenLM = 0\r\nStayOnTop = 0\r\nLanguage = 1\r\n";
}

class TrayTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetFakePlatform();
        ResetFakeWindow();
        ResetFakeShell();
        ClearEventHandlers();
        ProcessWindowState() = MainWindowState{};
        LoadLanguageTable(ProcessLanguageTable(), L"");
        SetFakeEnvironment(L"USERPROFILE", kProfile);
    }
    // The script must end the loop itself.
    static void RunWith(const std::string& settings, const std::function<void()>& script) {
        SetFakeFile(L"lmbackup.prefs", settings);
        const Settings startSettings = ReadAllSettings();
        script();
        EXPECT_EQ(RunMainWindow(startSettings, kProfile + L"\\AppData\\Local\\Larkmail"), 0);
    }
    struct Look {
        bool visible = false, icon = false;
        std::wstring tip;
        size_t logSize = 0;
    };
    static void QueueLook(std::vector<Look>& looks) {
        QueueFakeEventAction([&looks] {
            FakeMainWindow w = FakeWindowState();
            looks.push_back(Look{w.visible, w.trayIcon, w.trayToolTip, FakeTrayLog().size()});
        });
    }
};

TEST_F(TrayTest, MenuHoldsItsItemsSeparatorsAndImagesInOrder) {
    RunWith(SettingsBytes(0, 0), [] { QueueFakeEvent(kEventMenu, kItemQuit); });
    FakeMainWindow w = FakeWindowState();
    EXPECT_TRUE(w.menu);
    EXPECT_EQ(w.menuItems, std::vector<int>({49, 0, 50, 51, 52, 0, 53}));
    EXPECT_EQ(w.menuImages, (std::vector<std::pair<int, int>>{{49, 55}, {50, 56}, {51, 57}, {52, 58}, {53, 59}}));
}

// The state table: what the window and the icon do on every event, in order.
TEST_F(TrayTest, IconAndWindowFollowTheStates) {
    struct Step {
        int kind, number;
        bool visible, icon;
        std::wstring tip;
    };
    struct Case {
        const char* name;
        int closeToTray, openToTray;
        bool visibleAtStart, iconAtStart;
        std::vector<Step> steps;  // the last one ends the program
        std::vector<std::wstring> log;
    };
    const Case cases[] = {
        {"on screen, close without Close to Tray ends", 0, 0, true, false,
         {{kEventClose, 0, false, false, L""}},
         {L"remove icon 0", L"remove icon 0"}},
        {"on screen, close to tray, restore, quit", 1, 0, true, false,
         {{kEventClose, 0, false, true, kTip},
          {kEventTray, 0, false, true, kTip},
          {kEventMenu, kItemRestoreWindow, true, false, L""},
          {kEventClose, 0, false, true, kTip},
          {kEventMenu, kItemQuit, false, false, L""}},
         {L"add icon 0 image 54", L"tip icon 0: " + kTip, L"hide", L"show", L"remove icon 0", L"add icon 0 image 54",
          L"tip icon 0: " + kTip, L"hide", L"remove icon 0", L"remove icon 0"}},
        {"start in tray, task bar returns, restore, close ends", 0, 1, false, true,
         {{kEventTaskbarCreated, 0, false, true, L""},
          {kEventMenu, kItemRestoreWindow, true, false, L""},
          {kEventClose, 0, true, false, L""}},
         {L"add icon 0 image 54", L"tip icon 0: " + kTip, L"hide", L"remove icon 0", L"add icon 0 image 54", L"show",
          L"remove icon 0", L"remove icon 0", L"remove icon 0"}},
        {"on screen, task bar returns: icon without tip; close ends", 0, 0, true, false,
         {{kEventTaskbarCreated, 0, true, true, L""},
          {kEventClose, 0, true, false, L""}},
         {L"remove icon 0", L"add icon 0 image 54", L"remove icon 0", L"remove icon 0"}},
        {"on screen with icon, close to tray, quit", 1, 0, true, false,
         {{kEventTaskbarCreated, 0, true, true, L""},
          {kEventClose, 0, false, true, kTip},
          {kEventMenu, kItemQuit, false, false, L""}},
         {L"remove icon 0", L"add icon 0 image 54", L"remove icon 0", L"add icon 0 image 54", L"tip icon 0: " + kTip,
          L"hide", L"remove icon 0", L"remove icon 0"}},
    };
    for (const Case& c : cases) {
        SetUp();
        std::vector<Look> looks;
        RunWith(SettingsBytes(c.closeToTray, c.openToTray), [&] {
            QueueLook(looks);
            for (const Step& s : c.steps) {
                QueueFakeEvent(s.kind, s.number);
                QueueLook(looks);
            }
        });
        // The loop stops right after the last step: its look never ran past it.
        ASSERT_EQ(looks.size(), c.steps.size()) << c.name;
        EXPECT_EQ(looks[0].visible, c.visibleAtStart) << c.name;
        EXPECT_EQ(looks[0].icon, c.iconAtStart) << c.name;
        for (size_t i = 1; i < c.steps.size(); ++i) {
            const Step& s = c.steps[i - 1];
            EXPECT_EQ(looks[i].visible, s.visible) << c.name << ", step " << i;
            EXPECT_EQ(looks[i].icon, s.icon) << c.name << ", step " << i;
            EXPECT_EQ(looks[i].tip, s.tip) << c.name << ", step " << i;
        }
        EXPECT_EQ(FakeTrayLog(), c.log) << c.name;
        FakeMainWindow w = FakeWindowState();
        EXPECT_FALSE(w.trayIcon) << c.name << ": no dead icon after the end";
        EXPECT_FALSE(w.open) << c.name;
    }
}

TEST_F(TrayTest, StartInTrayChecksItsBoxAndShowsTheTip) {
    bool checked = false;
    int flag = 0;
    FakeMainWindow atStart;
    RunWith(SettingsBytes(0, 1), [&] {
        QueueFakeEventAction([&] {
            checked = ReadControlCheck(kCheckStartInTray);
            flag = ProcessOptionFlags().openToTray;
            atStart = FakeWindowState();
        });
        QueueFakeEvent(kEventMenu, kItemQuit);
    });
    EXPECT_TRUE(checked);
    EXPECT_EQ(flag, 1);
    EXPECT_FALSE(atStart.visible);
    EXPECT_TRUE(atStart.trayIcon);
    EXPECT_EQ(atStart.trayImage, 54);
    EXPECT_EQ(atStart.trayToolTip, kTip);
}

TEST_F(TrayTest, EveryTrayClickOpensTheMenuAndItsItemsReachTheirActions) {
    RunWith(SettingsBytes(1, 1, "D:\\B\\"), [] {
        QueueFakeEvent(kEventTray, 0);
        QueueFakeEvent(kEventTray, 0);
        QueueFakeEvent(kEventMenu, kItemOpenFolder);
        QueueFakeEvent(kEventMenu, kItemQuit);
    });
    EXPECT_EQ(FakeWindowState().popupsShown, 2);
    ASSERT_EQ(FakeStarts().size(), 2u);  // the task query, then explorer
    EXPECT_EQ(FakeStarts()[1].commandLine, L"\"explorer\" D:\\B\\");
}

TEST_F(TrayTest, BackupItemsAreGreyedWithoutABackupFolder) {
    for (const std::string& folder : {std::string(""), std::string("D:\\B\\")}) {
        SetUp();
        std::vector<bool> enabled;
        RunWith(SettingsBytes(0, 1, folder), [&] {
            QueueFakeEvent(kEventTimer, kMainTimer);
            QueueFakeEventAction([&] {
                for (int item : {49, 50, 51, 52, 53}) enabled.push_back(FakeMenuItemEnabled(item));
            });
            QueueFakeEvent(kEventMenu, kItemQuit);
        });
        const bool set = !folder.empty();
        EXPECT_EQ(enabled, std::vector<bool>({true, set, set, set, true})) << folder;
    }
}

TEST_F(TrayTest, ToolTipIsCutTo63CharactersNeverInsideAPair) {
    const std::wstring sixtyTwo(62, L'x');
    const struct {
        std::wstring text, shown;
    } rows[] = {
        {kTip, kTip},
        {std::wstring(63, L'y'), std::wstring(63, L'y')},
        {std::wstring(64, L'y') + L"tail", std::wstring(63, L'y')},
        // U+1F426, two UTF-16 units at 63 and 64: the whole pair goes.
        {sixtyTwo + L"\xD83D\xDC26" + L"z", sixtyTwo},
        {sixtyTwo.substr(1) + L"\xD83D\xDC26" + L"z", sixtyTwo.substr(1) + L"\xD83D\xDC26"},
    };
    for (const auto& row : rows) {
        SetUp();
        const std::string bytes = "\xef\xbb\xbf[Messages]\r\nSysTrayTooltip = " + Utf8FromWide(row.text) + "\r\n";
        SetFakeFile(L"Lang\\long.lng", bytes);
        ASSERT_TRUE(LoadLanguageTable(ProcessLanguageTable(), L"Lang\\long.lng"));
        ASSERT_EQ(LookUpText(L"Messages", L"SysTrayTooltip"), row.text);
        EXPECT_EQ(TrayToolTipText(), row.shown);
        std::wstring shown;
        RunWith(SettingsBytes(1, 0), [&] {
            QueueFakeEvent(kEventClose, 0);
            QueueFakeEventAction([&] { shown = FakeWindowState().trayToolTip; });
            QueueFakeEvent(kEventMenu, kItemQuit);
        });
        EXPECT_EQ(shown, row.shown);
    }
}

TEST_F(TrayTest, ToolTipSaysTheLastBackupInShort) {
    const std::string head = kBom + "\r\nWhen = 2026-12-09 02:30:00\r\nReason = x\r\nArchive = a.7z\r\nSize = 7\r\nSeen = 0\r\n";
    const std::string pending = "CopyPendingSince = 2026-12-04 02:30:00\r\nCopyCode = LogSecondCopyUnreachable\r\n";
    const struct {
        std::string record;
        std::wstring tip;
        bool copyDir = true;
    } rows[] = {
        {"", kTip},
        {head + "Result = saved\r\n", L"Larkmail Backup - last backup 12/09 02:30 OK (full)"},
        {head + "Result = failed\r\n", L"Larkmail Backup - last backup 12/09 02:30 FAILED"},
        {head, kTip},  // damaged: no Result
        {head + "Result = saved\r\n" + pending, L"Larkmail Backup - second copy pending since 12/04"},
        {head + "Result = failed\r\n" + pending, L"Larkmail Backup - last backup 12/09 02:30 FAILED"},
        // CopyDir cleared since: nothing is pending any more.
        {head + "Result = saved\r\n" + pending, L"Larkmail Backup - last backup 12/09 02:30 OK (full)", false},
    };
    for (const auto& row : rows) {
        SetUp();
        if (!row.record.empty()) SetFakeFile(L"lmbackup.last", row.record);
        std::wstring shown;
        RunWith(SettingsBytes(1, 0) + (row.copyDir ? "CopyDir = E:\\C\\\r\n" : ""), [&] {
            QueueFakeEvent(kEventClose, 0);
            QueueFakeEventAction([&] { shown = FakeWindowState().trayToolTip; });
            QueueFakeEvent(kEventMenu, kItemQuit);
        });
        EXPECT_EQ(shown, row.tip);
        EXPECT_LE(shown.size(), kTrayToolTipLimit);
    }
}

}  // namespace
