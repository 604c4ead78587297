// Process-wide services of the real platform: code page, folders, lock, payload.
#include <gtest/gtest.h>

#include "platform/files.h"
#include "platform/payload.h"
#include "platform/process.h"
#include "platform/system.h"
#include "tests/win/win_test_folder.h"

namespace {

TEST(SystemTest, AnsiCodePage1252BothWays) {
    struct Case {
        std::wstring wide;
        std::string ansi;
    } cases[] = {
        {L"", ""},
        {L"plain", "plain"},
        {L"Gr\u00F6\u00DFe \u20AC", "Gr\xF6\xDF" "e \x80"},
        {L"C:\\Users\\J\u00FCrgen\\", "C:\\Users\\J\xFCrgen\\"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(AnsiFromWide(c.wide), c.ansi);
        EXPECT_EQ(WideFromAnsi(c.ansi), c.wide);
    }
    EXPECT_EQ(AnsiFromWide(L"\u0416a"), "?a");  // no Cyrillic in 1252
}

TEST(SystemTest, CurrentFolderOfAnyLength) {
    std::wstring start = ReadCurrentFolder();
    ASSERT_FALSE(start.empty());
    std::wstring base = MakeTestFolder(L"cwd");
    ASSERT_FALSE(base.empty());
    std::wstring deep = base;
    while (deep.size() < 300) deep += L"\\a rather long folder name";
    ASSERT_TRUE(CreateFolderPath(deep));
    if (ChangeCurrentFolder(deep)) {
        EXPECT_EQ(ReadCurrentFolder(), deep);
    }
    ASSERT_TRUE(ChangeCurrentFolder(base));
    EXPECT_EQ(ReadCurrentFolder(), base);
    ASSERT_TRUE(ChangeCurrentFolder(start));
    EXPECT_FALSE(ChangeCurrentFolder(base + L"\\missing"));
    EXPECT_EQ(ReadCurrentFolder(), start);
    RemoveTree(base);
}

TEST(SystemTest, ExecutablePathAndEnvironment) {
    std::wstring exe = ReadExecutablePath();
    ASSERT_GE(exe.size(), 18u);
    EXPECT_EQ(exe.substr(exe.size() - 18), L"win_unit_tests.exe");
    EXPECT_EQ(LookUpPathKind(exe), PathKind::File);
    EXPECT_EQ(ReadEnvironmentText(L"LARKMAIL_SURELY_UNSET_NAME"), L"");
    EXPECT_FALSE(ReadEnvironmentText(L"SystemRoot").empty());
}

TEST(SystemTest, SingleInstanceLockOnlyOnce) {
    std::random_device random;
    std::wstring name = L"Larkmail Backup test " + std::to_wstring(random());
    EXPECT_TRUE(TakeSingleInstanceLock(name));
    EXPECT_FALSE(TakeSingleInstanceLock(name));
    EXPECT_FALSE(TakeSingleInstanceLock(name));
}

TEST(SystemTest, ProcessListHoldsThisProgram) {
    std::vector<ProcessEntry> processes;
    ASSERT_TRUE(ListProcesses(processes));
    bool found = false;
    for (const ProcessEntry& entry : processes) found = found || entry.exeFile == L"win_unit_tests.exe";
    EXPECT_TRUE(found);
}

TEST(SystemTest, LocalTimeIsPlausible) {
    LocalTime now = ReadLocalTime();
    EXPECT_GE(now.year, 2024);
    EXPECT_GE(now.month, 1);
    EXPECT_LE(now.month, 12);
    EXPECT_GE(now.day, 1);
    EXPECT_LE(now.day, 31);
    EXPECT_FALSE(ReadUserLocaleName().empty());
}

// The test program carries the same resources as the real one.
TEST(SystemTest, PayloadMatchesThePinned7Zip) {
    std::wstring payload = ReadEnvironmentText(L"LARKMAIL_PAYLOAD");
    if (payload.empty()) GTEST_SKIP() << "LARKMAIL_PAYLOAD not set";
    std::wstring folder = WinePathFromUnix(payload);
    std::string exe = BytesOf(folder + L"\\7z.exe"), dll = BytesOf(folder + L"\\7z.dll");
    ASSERT_FALSE(exe.empty());
    ASSERT_FALSE(dll.empty());
    EXPECT_TRUE(LoadPayloadBytes(PayloadItem::SevenZipExe) == exe);
    EXPECT_TRUE(LoadPayloadBytes(PayloadItem::SevenZipDll) == dll);
}

}  // namespace
