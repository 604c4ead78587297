// Start-up: the files it writes, the mode it picks, its refusals and the move to the program's folder.
#include "app/startup.h"

#include <gtest/gtest.h>

#include "config/language_table.h"
#include "engine/backup/unattended_backup.h"
#include "platform/dialogs.h"
#include "platform/fake/fake_platform.h"

namespace {

const std::string kDefaults =
    "\xEF\xBB\xBF\r\nBkUpDir = \r\nCloseToTray = 0\r\nCompression = 0\r\nOpenToTray = 0\r\n"
    "ReopenLM = 0\r\nStayOnTop = 0\r\nLanguage = 1\r\n";
const std::wstring kWork = L"C:\\work\\";
const std::wstring kData = L"C:\\Users\\anna\\AppData\\Local\\Larkmail";
const std::wstring kLangTitle = L"Error";
const std::wstring kLangText = L"Language folder missing, defaulting to English.";
const std::wstring kRunningText = L"Application is already running!!! Please check the system tray!!!";

class StartupTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetFakePlatform();
        LoadLanguageTable(ProcessLanguageTable(), L"");
        SetFakeEnvironment(L"USERPROFILE", L"C:\\Users\\anna");
        SetFakeEnvironment(L"COMPUTERNAME", L"PC1");
        SetFakeEnvironment(L"USERNAME", L"anna");
        SetFakePayload(PayloadItem::SevenZipExe, "EXE-BYTES");
        SetFakePayload(PayloadItem::SevenZipDll, "DLL-BYTES");
        // A start that gets as far as the window closes it at once (Close to Tray is off).
        ResetFakeWindow();
        QueueFakeEvent(kEventClose, 0);
    }
    static void PrepareInteractive() {
        SetFakeFolder(kWork + L"Lang");
        SetFakeFolder(kData);
    }
    static std::vector<std::wstring> BoxTexts() {
        std::vector<std::wstring> texts;
        for (const FakeBox& box : FakeBoxes()) texts.push_back(box.text);
        return texts;
    }
};

TEST_F(StartupTest, FirstRunInAnEmptyFolder) {
    SetFakeFolder(kData);
    EXPECT_EQ(RunProgram({}), 0);
    EXPECT_EQ(FakeFileBytes(kWork + L"lmbackup.prefs"), kDefaults);
    EXPECT_EQ(FakeFileBytes(kWork + L"7z.exe"), "EXE-BYTES");
    EXPECT_EQ(FakeFileBytes(kWork + L"7z.dll"), "DLL-BYTES");
    const std::vector<FakeBox> boxes = FakeBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].title, kLangTitle);
    EXPECT_EQ(boxes[0].text, kLangText);
    EXPECT_EQ(boxes[0].type, kBoxExclamationOk);
    EXPECT_FALSE(FakeFileExists(kWork + L"Lang"));  // never created
    EXPECT_TRUE(FakeLockTaken());
    EXPECT_EQ(ProcessDataFolder(), kData);
    EXPECT_EQ(ProcessSettings().language, 1);
    EXPECT_EQ(FakeWindowState().title, L"Larkmail Backup");
}

TEST_F(StartupTest, ExistingToolFilesAreLeftAlone) {
    struct Case {
        const char* what;
        bool exeFolder;
        std::string exeBytes;
        std::string dllBytes;
        std::string exeAfter, dllAfter;
    };
    const Case cases[] = {
        {"other version kept", false, "OLD-7ZIP", "", "OLD-7ZIP", "DLL-BYTES"},
        {"empty file kept", false, "", "", "", "DLL-BYTES"},
        {"a folder named 7z.exe", true, "", "", "", "DLL-BYTES"},
        {"both present", false, "A", "B", "A", "B"},
    };
    for (const Case& c : cases) {
        SetUp();
        if (c.exeFolder) {
            SetFakeFolder(kWork + L"7z.exe");
        } else {
            SetFakeFile(kWork + L"7z.exe", c.exeBytes);
        }
        if (!c.dllBytes.empty()) SetFakeFile(kWork + L"7z.dll", c.dllBytes);
        WriteArchiveToolFiles();
        EXPECT_EQ(FakeFileExists(kWork + L"7z.exe"), !c.exeFolder) << c.what;
        EXPECT_EQ(FakeFileBytes(kWork + L"7z.exe"), c.exeAfter) << c.what;
        EXPECT_EQ(FakeFileBytes(kWork + L"7z.dll"), c.dllAfter) << c.what;
    }
}

TEST_F(StartupTest, AFailedToolWriteLeavesNoFileAndStartUpGoesOn) {
    // A truncated 7z.exe would be kept forever by the next start-ups.
    PrepareInteractive();
    SetFakeFile(kWork + L"lmbackup.prefs", kDefaults);
    SetFakeDiskFull(true);
    EXPECT_EQ(RunProgram({}), 0);
    EXPECT_FALSE(FakeFileExists(kWork + L"7z.exe"));
    EXPECT_FALSE(FakeFileExists(kWork + L"7z.dll"));
    EXPECT_TRUE(FakeLockTaken());
    // Nothing to write out: better no file than an empty one.
    SetFakeDiskFull(false);
    SetFakePayload(PayloadItem::SevenZipExe, "");
    WriteArchiveToolFiles();
    EXPECT_FALSE(FakeFileExists(kWork + L"7z.exe"));
    EXPECT_EQ(FakeFileBytes(kWork + L"7z.dll"), "DLL-BYTES");
}

TEST_F(StartupTest, TheFirstArgumentPicksTheMode) {
    struct Case {
        std::vector<std::wstring> arguments;
        bool unattended;
    };
    const Case cases[] = {
        {{}, false},
        {{L""}, false},
        {{L"/b"}, true},
        {{L"/bogus"}, true},
        {{L"/b", L"more", L"args"}, true},
        {{L"/B"}, false},
        {{L"b"}, false},
        {{L"x", L"y"}, false},  // extra arguments no longer leave an invisible process
        {{L"", L"/b"}, false},
    };
    for (const Case& c : cases) {
        SetUp();
        PrepareInteractive();
        const std::wstring first = c.arguments.empty() ? L"<none>" : c.arguments[0];
        const int exitCode = RunProgram(c.arguments);
        // Both modes write the settings and tool files first.
        EXPECT_EQ(FakeFileBytes(kWork + L"lmbackup.prefs"), kDefaults) << first;
        EXPECT_TRUE(FakeFileExists(kWork + L"7z.exe")) << first;
        if (c.unattended) {
            // BkUpDir is empty, so the backup stops at its first check.
            EXPECT_EQ(exitCode, kUnattendedNoPath) << first;
            EXPECT_FALSE(FakeLockTaken()) << first;
        } else {
            EXPECT_EQ(exitCode, 0) << first;
            EXPECT_TRUE(FakeLockTaken()) << first;
            EXPECT_TRUE(FakeBoxes().empty()) << first;
        }
    }
}

TEST_F(StartupTest, RefusalsShowTheirMessageAndStop) {
    struct Case {
        const char* what;
        bool lockHeld;
        bool dataFolder;
        std::vector<std::wstring> texts;
        unsigned type;
    };
    const Case cases[] = {
        {"second copy", true, true, {kRunningText}, kBoxExclamationOk},
        {"second copy checked before the data folder", true, false, {kRunningText}, kBoxExclamationOk},
        {"no mail data folder", false, false, {L"Larkmail path not found!!!"}, kBoxErrorOk},
    };
    for (const Case& c : cases) {
        SetUp();
        SetFakeFolder(kWork + L"Lang");
        if (c.dataFolder) SetFakeFolder(kData);
        SetFakeLockHeld(c.lockHeld);
        EXPECT_EQ(RunProgram({}), 0) << c.what;
        EXPECT_EQ(BoxTexts(), c.texts) << c.what;
        ASSERT_FALSE(FakeBoxes().empty()) << c.what;
        EXPECT_EQ(FakeBoxes()[0].title, L"Error") << c.what;
        EXPECT_EQ(FakeBoxes()[0].type, c.type) << c.what;
    }
}

TEST_F(StartupTest, AMailDataFolderThatIsAFileCounts) {
    SetFakeFolder(kWork + L"Lang");
    SetFakeFile(kData, "");
    RunProgram({});
    EXPECT_TRUE(FakeBoxes().empty());
}

TEST_F(StartupTest, RefusalSpeaksTheLanguageOfTheSettings) {
    SetFakeFile(kWork + L"lmbackup.prefs", "\xEF\xBB\xBF\r\nLanguage = 2\r\n");
    SetFakeFile(kWork + L"Lang\\german.lng",
                "\xEF\xBB\xBF[Messages]\r\nError = Fehler\r\n[Misc]\r\nAppRunning = L\xC3\xA4uft schon\r\n");
    SetFakeLockHeld(true);
    RunProgram({});
    ASSERT_EQ(FakeBoxes().size(), 1u);
    EXPECT_EQ(FakeBoxes()[0].title, L"Fehler");
    EXPECT_EQ(FakeBoxes()[0].text, L"L\x00E4uft schon");
}

TEST_F(StartupTest, MissingLangFolderWarnsThenRunsInEnglish) {
    for (int language : {1, 2}) {
        SetUp();
        SetFakeFile(kWork + L"lmbackup.prefs", "\xEF\xBB\xBF\r\nLanguage = " + std::to_string(language) + "\r\n");
        SetFakeLockHeld(true);
        RunProgram({});
        EXPECT_EQ(BoxTexts(), (std::vector<std::wstring>{kLangText, kRunningText})) << language;
        EXPECT_EQ(ProcessSettings().language, language);
    }
}

TEST_F(StartupTest, UnattendedRunIgnoresTheLockAndTheInteractiveChecks) {
    SetFakeLockHeld(true);
    SetFakeFile(kWork + L"lmbackup.prefs", kDefaults);
    EXPECT_EQ(RunProgram({L"/b"}), kUnattendedNoPath);
    for (const std::wstring& text : BoxTexts()) {
        EXPECT_NE(text, kLangText);
        EXPECT_NE(text, kRunningText);
    }
    EXPECT_FALSE(FakeLockTaken());
}

TEST_F(StartupTest, UnattendedRunMovesToTheProgramFolderWhenOnlyThatHoldsSettings) {
    const std::wstring system = L"C:\\Windows\\System32\\";
    const std::wstring tools = L"D:\\Larkmail Backup\\";
    const std::string own = "\xEF\xBB\xBF\r\nBkUpDir = \r\nLanguage = 2\r\n";
    struct Case {
        const char* what;
        std::vector<std::wstring> arguments;
        bool prefsInCurrent;
        bool prefsBesideExe;
        std::wstring folderAfter;
    };
    const Case cases[] = {
        {"scheduled run from the system folder", {L"/b"}, false, true, L"D:\\Larkmail Backup"},
        {"current folder has its own settings", {L"/b"}, true, true, L"C:\\Windows\\System32"},
        {"neither folder has settings", {L"/b"}, false, false, L"C:\\Windows\\System32"},
        {"interactive runs keep the current folder", {}, false, true, L"C:\\Windows\\System32"},
    };
    for (const Case& c : cases) {
        SetUp();
        SetFakeCurrentFolder(system);
        SetFakeExecutablePath(tools + L"LarkmailBackup.exe");
        SetFakeFolder(tools);
        if (c.prefsInCurrent) SetFakeFile(system + L"lmbackup.prefs", kDefaults);
        if (c.prefsBesideExe) SetFakeFile(tools + L"lmbackup.prefs", own);
        RunProgram(c.arguments);
        EXPECT_EQ(ReadCurrentFolder(), c.folderAfter) << c.what;
        const std::wstring used = c.folderAfter + L"\\";
        const std::wstring other = used == system ? tools : system;
        EXPECT_TRUE(FakeFileExists(used + L"lmbackup.prefs")) << c.what;
        EXPECT_EQ(FakeFileBytes(used + L"7z.exe"), "EXE-BYTES") << c.what;
        EXPECT_FALSE(FakeFileExists(other + L"7z.exe")) << c.what;
        EXPECT_EQ(FakeFileExists(other + L"lmbackup.prefs"), other == system ? c.prefsInCurrent : c.prefsBesideExe)
            << c.what;
    }
}

}  // namespace

namespace {

// Killed between moving the data aside and the restored copy in: both starts put it back before anything looks at it.
TEST_F(StartupTest, EveryStartRepairsAnInterruptedRestoreFirst) {
    const std::wstring parent = L"C:\\Users\\anna\\AppData\\Local\\";
    for (const bool unattended : {false, true}) {
        SetUp();
        SetFakeFolder(kWork + L"Lang");
        SetFakeFile(kWork + L"lmbackup.prefs", kDefaults);
        SetFakeFile(parent + L"Larkmail.old-1\\prefs.js", "old prefs");
        SetFakeFile(parent + L"Larkmail.restoring",
                    "phase=moving back\r\nstaging=Larkmail.restore-1\r\naside=Larkmail.old-1\r\nprocess=7\r\n"
                    "program=LarkmailBackup.exe\r\n");
        RunProgram(unattended ? std::vector<std::wstring>{L"/b"} : std::vector<std::wstring>{});
        EXPECT_EQ(FakeFileBytes(kData + L"\\prefs.js"), "old prefs") << unattended;
        EXPECT_FALSE(FakeFileExists(parent + L"Larkmail.old-1")) << unattended;
        EXPECT_FALSE(FakeFileExists(parent + L"Larkmail.restoring")) << unattended;
        const std::string log = FakeFileBytes(kWork + L"Backup.log");
        EXPECT_EQ(log.substr(0, log.find(" 12/")),
                  "An interrupted restore was undone: your Larkmail data was moved back into place.")
            << unattended;
        // The window opened on the data folder rather than refusing a missing one.
        if (!unattended) {
            EXPECT_TRUE(FakeBoxes().empty());
        }
    }
}

}  // namespace
