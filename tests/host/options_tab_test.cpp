// The Options tab over the fake platform: settings bytes after each click, start states, shortcut, log viewer, selector.
#include "ui/options_tab.h"

#include <gtest/gtest.h>

#include "config/language_table.h"
#include "config/settings.h"
#include "platform/fake/fake_platform.h"
#include "platform/fake/fake_shell.h"
#include "ui/event_loop.h"
#include "ui/main_window.h"

namespace {

const std::string kBom = "\xef\xbb\xbf";
const std::wstring kProfile = L"C:\\Users\\Anna Maria";

struct Start {
    int closeToTray = 0, openToTray = 0, reopenLM = 0, stayOnTop = 0;
};

std::string SettingsBytes(const Start& s, int language = 1) {
    return kBom + "\r\nBkUpDir = \r\nCloseToTray = " + std::to_string(s.closeToTray) +
           "\r\nCompression = 0\r\nOpenToTray = " + std::to_string(s.openToTray) +
           "\r\nReopenLM = " + std::to_string(s.reopenLM) + "\r\nStayOnTop = " + std::to_string(s.stayOnTop) +
           "\r\nLanguage = " + std::to_string(language) + "\r\n";
}

class OptionsTabTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetFakePlatform();
        ResetFakeWindow();
        ResetFakeShell();
        ClearEventHandlers();
        ProcessWindowState() = MainWindowState{};
        LoadLanguageTable(ProcessLanguageTable(), L"");
        SetFakeEnvironment(L"USERPROFILE", kProfile);
        SetFakeEnvironment(L"HOMEDRIVE", L"C:");
    }
    // Runs the window over `settings`; the script's events come first, then Quit from the tray menu.
    static void RunWith(const std::string& settings, const std::function<void()>& script) {
        SetFakeFile(L"lmbackup.prefs", settings);
        const Settings startSettings = ReadAllSettings();
        script();
        QueueFakeEvent(kEventMenu, kItemQuit);
        EXPECT_EQ(RunMainWindow(startSettings, kProfile + L"\\AppData\\Local\\Larkmail"), 0);
    }
    // A click as the real check box takes it: it flips itself, then reports.
    static void QueueBoxClick(int box) {
        QueueFakeEventAction([box] { SetControlCheck(box, !ReadControlCheck(box)); });
        QueueFakeEvent(kEventControl, box);
    }
    static void QueueSettingsLook(std::vector<std::string>& seen) {
        QueueFakeEvent(kEventTimer, kMainTimer);
        QueueFakeEventAction([&seen] { seen.push_back(FakeFileBytes(L"lmbackup.prefs")); });
    }
};

TEST_F(OptionsTabTest, BuildsItsControlsAtTheirPlacesWithTheirTexts) {
    struct Row {
        int number;
        ControlKind kind;
        Box box;
        std::wstring text;
    };
    const Row rows[] = {
        {41, ControlKind::CheckBox, {20, 5, 200, 20}, L"Close to Tray"},
        {42, ControlKind::CheckBox, {20, 25, 290, 20}, L"Restart Larkmail after backup"},
        {43, ControlKind::CheckBox, {20, 45, 200, 20}, L"Start in System Tray"},
        {44, ControlKind::CheckBox, {20, 65, 200, 20}, L"Stay on Top"},
        {45, ControlKind::Button, {0, 105, 155, 30}, L"Create Desktop Shortcut"},
        {46, ControlKind::Button, {328, 105, 155, 30}, L"View Log"},
        {47, ControlKind::ComboList, {320, 10, 150, 23}, L""},
    };
    RunWith(SettingsBytes({}), [] {});
    std::vector<int> created = FakeControlNumbers();
    std::vector<int> options;
    for (int n : created)
        if (n >= 41 && n <= 47) options.push_back(n);
    EXPECT_EQ(options, std::vector<int>({41, 42, 43, 44, 45, 46, 47}));
    for (const Row& row : rows) {
        FakeControl c = FakeControlState(row.number);
        EXPECT_EQ(c.kind, row.kind) << row.number;
        EXPECT_EQ(c.tab, kOptionsTab) << row.number;
        EXPECT_EQ(std::vector<int>({c.box.x, c.box.y, c.box.width, c.box.height}),
                  std::vector<int>({row.box.x, row.box.y, row.box.width, row.box.height}))
            << row.number;
        EXPECT_EQ(c.text, row.text) << row.number;
        EXPECT_TRUE(c.enabled) << row.number;
    }
}

// Each click writes the box's key at once with the flag's new value; only exactly 1 starts checked.
TEST_F(OptionsTabTest, BoxClicksWriteTheirSettingAtOnce) {
    struct Case {
        const char* name;
        Start start;
        int box;
        bool startsChecked;
        std::vector<Start> afterEachClick;
    };
    const Case cases[] = {
        {"close, 2 reads as off", {2, 0, 0, 0}, 41, false, {{1, 0, 0, 0}}},
        {"close on, twice", {1, 0, 0, 0}, 41, true, {{0, 0, 0, 0}, {1, 0, 0, 0}}},
        {"restart", {0, 0, 0, 0}, 42, false, {{0, 0, 1, 0}, {0, 0, 0, 0}}},
        {"restart 7 reads as off", {0, 0, 7, 0}, 42, false, {{0, 0, 1, 0}}},
        {"start in tray", {0, 0, 0, 0}, 43, false, {{0, 1, 0, 0}}},
        {"start in tray on", {0, 1, 0, 0}, 43, true, {{0, 0, 0, 0}}},
        {"stay on top, twice", {0, 0, 0, 0}, 44, false, {{0, 0, 0, 1}, {0, 0, 0, 0}}},
        {"stay on top on", {0, 0, 0, 1}, 44, true, {{0, 0, 0, 0}}},
    };
    for (const Case& c : cases) {
        SetUp();
        bool checkedAtStart = false;
        std::vector<std::string> seen;
        RunWith(SettingsBytes(c.start), [&] {
            QueueFakeEventAction([&] { checkedAtStart = ReadControlCheck(c.box); });
            for (size_t i = 0; i < c.afterEachClick.size(); ++i) {
                QueueBoxClick(c.box);
                QueueSettingsLook(seen);
            }
        });
        EXPECT_EQ(checkedAtStart, c.startsChecked) << c.name;
        ASSERT_EQ(seen.size(), c.afterEachClick.size()) << c.name;
        for (size_t i = 0; i < seen.size(); ++i) {
            // Untouched keys keep their bytes, even an odd value such as 2 or 7.
            Start expected = c.start;
            if (c.box == 41) expected.closeToTray = c.afterEachClick[i].closeToTray;
            if (c.box == 42) expected.reopenLM = c.afterEachClick[i].reopenLM;
            if (c.box == 43) expected.openToTray = c.afterEachClick[i].openToTray;
            if (c.box == 44) expected.stayOnTop = c.afterEachClick[i].stayOnTop;
            EXPECT_EQ(seen[i], SettingsBytes(expected)) << c.name << ", click " << i + 1;
        }
    }
}

TEST_F(OptionsTabTest, StayOnTopFollowsItsFlag) {
    for (int startValue : {0, 1}) {
        SetUp();
        std::vector<bool> topmost;
        auto look = [&] { QueueFakeEventAction([&] { topmost.push_back(FakeWindowState().topmost); }); };
        RunWith(SettingsBytes({0, 0, 0, startValue}), [&] {
            look();
            QueueBoxClick(kCheckStayOnTop);
            look();
            QueueBoxClick(kCheckStayOnTop);
            look();
        });
        const bool on = startValue == 1;
        EXPECT_EQ(topmost, std::vector<bool>({on, !on, on})) << startValue;
    }
}

TEST_F(OptionsTabTest, ShortcutPointsToTheProgramsOwnFileWhereverItRuns) {
    SetFakeFolder(kProfile + L"\\Desktop");
    SetFakeCurrentFolder(L"E:\\Elsewhere");
    SetFakeExecutablePath(L"D:\\Portable Tools\\Lark Backup\\LMB 2.exe");
    bool enabledBefore = false, enabledAfter = true;
    FakeControl logButton;
    RunWith(SettingsBytes({}), [&] {
        QueueFakeEventAction([&] { enabledBefore = ControlEnabled(kButtonDesktopShortcut); });
        QueueFakeEventAction([] { FocusControl(kButtonDesktopShortcut); });  // pressed from the keyboard
        QueueFakeEvent(kEventControl, kButtonDesktopShortcut);
        QueueFakeEvent(kEventTimer, kMainTimer);
        QueueFakeEventAction([&] {
            enabledAfter = ControlEnabled(kButtonDesktopShortcut);
            logButton = FakeControlState(kButtonOpenLog);
        });
    });
    EXPECT_TRUE(enabledBefore);
    EXPECT_FALSE(enabledAfter);
    EXPECT_TRUE(logButton.focused);  // the next tab stop, not the disabled button
    ShortcutFields link;
    ASSERT_TRUE(ReadShortcut(kProfile + L"\\Desktop\\Larkmail Backup.lnk", link));
    EXPECT_EQ(link.target, L"D:\\Portable Tools\\Lark Backup\\LMB 2.exe");
    EXPECT_EQ(link.arguments, L"");
    EXPECT_EQ(link.workingFolder, L"D:\\Portable Tools\\Lark Backup\\");
    EXPECT_EQ(link.description, L"Larkmail Backup");
    EXPECT_EQ(link.iconPath, L"D:\\Portable Tools\\Lark Backup\\LMB 2.exe");
    EXPECT_EQ(link.iconIndex, 0);
    EXPECT_EQ(link.showCommand, 1);
    EXPECT_EQ(link.hotKey, 0);
    EXPECT_TRUE(FakeBoxes().empty());

    // At the next start the button is disabled from the beginning.
    ResetFakeWindow();
    ClearEventHandlers();
    bool enabledAtNextStart = true;
    RunWith(SettingsBytes({}), [&] {
        QueueFakeEventAction([&] { enabledAtNextStart = ControlEnabled(kButtonDesktopShortcut); });
    });
    EXPECT_FALSE(enabledAtNextStart);
}

TEST_F(OptionsTabTest, FailedShortcutShowsNothingAndLeavesTheButtonEnabled) {
    struct Case {
        const char* name;
        bool desktopExists;
        bool shellFails;
    };
    for (const Case& c : {Case{"no desktop folder", false, false}, Case{"shell refuses", true, true}}) {
        SetUp();
        if (c.desktopExists) SetFakeFolder(kProfile + L"\\Desktop");
        SetFakeShortcutFails(c.shellFails);
        bool enabledAfter = false;
        RunWith(SettingsBytes({}), [&] {
            QueueFakeEvent(kEventControl, kButtonDesktopShortcut);
            QueueFakeEventAction([&] { enabledAfter = ControlEnabled(kButtonDesktopShortcut); });
        });
        EXPECT_TRUE(enabledAfter) << c.name;
        EXPECT_FALSE(FakeFileExists(kProfile + L"\\Desktop\\Larkmail Backup.lnk")) << c.name;
        EXPECT_TRUE(FakeBoxes().empty()) << c.name;
    }
}

TEST_F(OptionsTabTest, ViewLogOpensTheLogThroughTheShellOrSaysThereIsNone) {
    for (bool logThere : {false, true}) {
        SetUp();
        if (logThere) SetFakeFile(L"Backup.log", "Backup created 12/07/2026 15:35:01\r\n");
        RunWith(SettingsBytes({}), [] { QueueFakeEvent(kEventControl, kButtonOpenLog); });
        std::vector<FakeStart> logStarts;
        for (const FakeStart& s : FakeStarts())
            if (s.commandLine.find(L"backup.log") != std::wstring::npos) logStarts.push_back(s);
        if (logThere) {
            ASSERT_EQ(logStarts.size(), 1u);
            EXPECT_EQ(logStarts[0].commandLine, L"\"backup.log\" ");
            EXPECT_FALSE(logStarts[0].options.wait);
            EXPECT_FALSE(logStarts[0].options.hidden);
            EXPECT_TRUE(FakeBoxes().empty());
        } else {
            EXPECT_TRUE(logStarts.empty());
            ASSERT_EQ(FakeBoxes().size(), 1u);
            EXPECT_EQ(FakeBoxes()[0].title, L"Error");
            EXPECT_EQ(FakeBoxes()[0].text, L"Cannot open backup log. File has been deleted or no backup ran yet.");
            EXPECT_EQ(FakeBoxes()[0].type, 0x30u);
        }
    }
}

// Positions 1 to 4 store 0 to 3 whatever file they show; 0 and 5 store nothing.
TEST_F(OptionsTabTest, SelectorListsTheLanguageFilesAndStoresByPosition) {
    SetFakeFile(L"Lang\\dutch.lng", "");
    SetFakeFile(L"Lang\\english.lng", "");
    SetFakeFile(L"Lang\\german.lng", "");
    SetFakeFile(L"Lang\\russian.lng", "");
    SetFakeFile(L"Lang\\swedish.lng", "");
    SetFakeFolder(L"Lang\\old.lng");  // a folder: skipped
    SetFakeFile(L"Lang\\notes.txt", "");
    const struct {
        int position;
        int stored;  // -1: the file keeps Language = 1
    } rows[] = {{1, 0}, {2, 1}, {3, 2}, {4, 3}, {0, -1}, {5, -1}};
    for (const auto& row : rows) {
        SetFakeFile(L"lmbackup.prefs", SettingsBytes({}));
        ResetFakeWindow();
        ClearEventHandlers();
        FakeControl atStart;
        RunWith(SettingsBytes({}), [&] {
            QueueFakeEventAction([&] { atStart = FakeControlState(kComboLanguage); });
            QueueFakeEventAction([&] { SelectListItem(kComboLanguage, row.position); });
            QueueFakeEvent(kEventControl, kComboLanguage);
        });
        EXPECT_EQ(atStart.items, std::vector<std::wstring>({L"Select Language:", L"dutch.lng", L"english.lng",
                                                           L"german.lng", L"russian.lng", L"swedish.lng"}));
        EXPECT_EQ(atStart.selected, 0);
        EXPECT_EQ(FakeFileBytes(L"lmbackup.prefs"), SettingsBytes({}, row.stored < 0 ? 1 : row.stored))
            << row.position;
    }
}

TEST_F(OptionsTabTest, SelectorWithoutLanguageFilesHoldsItsFirstEntryAlone) {
    for (bool folder : {false, true}) {
        SetUp();
        if (folder) SetFakeFolder(L"Lang");
        FakeControl atStart;
        RunWith(SettingsBytes({}), [&] {
            QueueFakeEventAction([&] { atStart = FakeControlState(kComboLanguage); });
        });
        EXPECT_EQ(atStart.items, std::vector<std::wstring>({L"Select Language:"}));
        EXPECT_EQ(atStart.selected, 0);
    }
}

}  // namespace
