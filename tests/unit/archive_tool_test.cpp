// Archive names and 7-Zip command lines, exact texts.
#include "engine/archive_tool.h"
#include "engine/tool_progress.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

const LocalTime kDay{2026, 12, 7, 15, 35, 1};

TEST(ArchiveName, JoinsComputerUserAndPaddedDay) {
    struct Case {
        std::wstring computer, user;
        LocalTime day;
        std::wstring expected;
    };
    const Case cases[] = {
        {L"PC1", L"anna", kDay, L"LarkmailBackup_PC1_anna_20261207.7z"},
        {L"PC1", L"anna", {2027, 1, 9, 0, 0, 0}, L"LarkmailBackup_PC1_anna_20270109.7z"},
        {L"", L"", kDay, L"LarkmailBackup___20261207.7z"},
        {L"MY PC", L"Anna Maria", kDay, L"LarkmailBackup_MY PC_Anna Maria_20261207.7z"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ArchiveName(c.computer, c.user, c.day), c.expected) << c.expected;
    }
}

TEST(ArchiveName, SameDaySameName) {
    EXPECT_EQ(ArchiveName(L"PC1", L"anna", {2026, 12, 7, 0, 0, 0}),
              ArchiveName(L"PC1", L"anna", {2026, 12, 7, 23, 59, 59}));
}

TEST(BuildBackupParameters, ExactTexts) {
    const std::wstring name = L"LarkmailBackup_PC1_anna_20261207.7z";
    const std::wstring data = L"C:\\Users\\anna\\AppData\\Local\\Larkmail";
    struct Case {
        int level;
        std::wstring folder, archive, data, expected;
    };
    const Case cases[] = {
        {5, L"C:\\Backups\\", name, data,
         L"a -mmt -mx=5 -slp -y -bsp1 C:\\Backups\\LarkmailBackup_PC1_anna_20261207.7z "
         L"C:\\Users\\anna\\AppData\\Local\\Larkmail"},
        {5, L"C:\\My Backups\\", name, data,
         L"a -mmt -mx=5 -slp -y -bsp1 \"C:\\My Backups\\\"LarkmailBackup_PC1_anna_20261207.7z "
         L"C:\\Users\\anna\\AppData\\Local\\Larkmail"},
        {0, L"C:\\Backups\\", name, data,
         L"a -mmt -mx=0 -slp -y -bsp1 C:\\Backups\\LarkmailBackup_PC1_anna_20261207.7z "
         L"C:\\Users\\anna\\AppData\\Local\\Larkmail"},
        {9, L"D:\\b\\", name, data,
         L"a -mmt -mx=9 -slp -y -bsp1 D:\\b\\LarkmailBackup_PC1_anna_20261207.7z "
         L"C:\\Users\\anna\\AppData\\Local\\Larkmail"},
        // No folder: a bare archive name, created in 7-Zip's working folder.
        {5, L"", name, data,
         L"a -mmt -mx=5 -slp -y -bsp1 LarkmailBackup_PC1_anna_20261207.7z C:\\Users\\anna\\AppData\\Local\\Larkmail"},
        // A profile folder with a blank would split into two items unquoted.
        {5, L"C:\\Backups\\", name, L"C:\\Users\\Anna Maria\\AppData\\Local\\Larkmail",
         L"a -mmt -mx=5 -slp -y -bsp1 C:\\Backups\\LarkmailBackup_PC1_anna_20261207.7z "
         L"\"C:\\Users\\Anna Maria\\AppData\\Local\\Larkmail\""},
        {3, L"C:\\My Backups\\", name, L"C:\\Users\\Anna Maria\\AppData\\Local\\Larkmail",
         L"a -mmt -mx=3 -slp -y -bsp1 \"C:\\My Backups\\\"LarkmailBackup_PC1_anna_20261207.7z "
         L"\"C:\\Users\\Anna Maria\\AppData\\Local\\Larkmail\""},
        // The temporary archive name goes in the same place.
        {5, L"C:\\My Backups\\", name + L".tmp", data,
         L"a -mmt -mx=5 -slp -y -bsp1 \"C:\\My Backups\\\"LarkmailBackup_PC1_anna_20261207.7z.tmp "
         L"C:\\Users\\anna\\AppData\\Local\\Larkmail"},
        // Names with a blank stay unquoted.
        {5, L"C:\\Backups\\", L"LarkmailBackup_MY PC_anna_20261207.7z", data,
         L"a -mmt -mx=5 -slp -y -bsp1 C:\\Backups\\LarkmailBackup_MY PC_anna_20261207.7z "
         L"C:\\Users\\anna\\AppData\\Local\\Larkmail"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(BuildBackupParameters(c.level, c.folder, c.archive, c.data), c.expected) << c.expected;
    }
}

TEST(BuildRestoreParameters, ExactTexts) {
    struct Case {
        std::wstring target, archive, expected;
    };
    const Case cases[] = {
        {L"C:\\Users\\anna\\AppData\\Local\\", L"C:\\My Backups\\LarkmailBackup_PC1_anna_20261207.7z",
         L"x -oC:\\Users\\anna\\AppData\\Local\\ -bsp1 \"C:\\My Backups\\LarkmailBackup_PC1_anna_20261207.7z\""},
        {L"C:\\Users\\anna\\AppData\\Local\\", L"C:\\Backups\\LarkmailBackup_PC1_anna_20261207.7z",
         L"x -oC:\\Users\\anna\\AppData\\Local\\ -bsp1 C:\\Backups\\LarkmailBackup_PC1_anna_20261207.7z"},
        {L"C:\\Users\\Anna Maria\\AppData\\Local\\", L"C:\\My Backups\\LarkmailBackup_PC1_anna_20261207.7z",
         L"x -o\"C:\\Users\\Anna Maria\\AppData\\Local\\\" -bsp1 "
         L"\"C:\\My Backups\\LarkmailBackup_PC1_anna_20261207.7z\""},
        {L"C:\\Users\\Anna Maria\\AppData\\Local\\", L"C:\\b\\x.7z",
         L"x -o\"C:\\Users\\Anna Maria\\AppData\\Local\\\" -bsp1 C:\\b\\x.7z"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(BuildRestoreParameters(c.target, c.archive), c.expected) << c.expected;
    }
}

TEST(BuildFolderRestoreParameters, ExactTextsWithoutRecursion) {
    struct Case {
        std::wstring target, archive, folder, expected;
    };
    const Case cases[] = {
        {L"C:\\L\\Larkmail.restore-1\\", L"D:\\B\\x.7z", L"Larkmail\\Mail\\Inbox",
         L"x -oC:\\L\\Larkmail.restore-1\\ -bsp1 -y -- D:\\B\\x.7z Larkmail\\Mail\\Inbox"},
        // Each path with a blank quoted whole; a leading "-" is no switch after "--".
        {L"C:\\Anna Maria\\Larkmail.restore-1\\", L"D:\\My Backups\\x.7z", L"Larkmail\\Mail\\Old Mail",
         L"x -o\"C:\\Anna Maria\\Larkmail.restore-1\\\" -bsp1 -y -- \"D:\\My Backups\\x.7z\" "
         L"\"Larkmail\\Mail\\Old Mail\""},
        {L"E:\\Copy\\Larkmail.restore-2\\", L"D:\\B\\x.7z", L"Larkmail\\-drafts",
         L"x -oE:\\Copy\\Larkmail.restore-2\\ -bsp1 -y -- D:\\B\\x.7z Larkmail\\-drafts"},
        {L"E:\\C\\", L"D:\\B\\x.7z", L"Larkmail\\\u00c4rger", L"x -oE:\\C\\ -bsp1 -y -- D:\\B\\x.7z Larkmail\\\u00c4rger"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(BuildFolderRestoreParameters(c.target, c.archive, c.folder), c.expected) << c.expected;
}

TEST(BuildTestParameters, ExactTexts) {
    EXPECT_EQ(BuildTestParameters(L"C:\\Backups\\x.7z.4242.tmp"), L"t -bsp1 C:\\Backups\\x.7z.4242.tmp");
    EXPECT_EQ(BuildTestParameters(L"C:\\My Backups\\x.7z"), L"t -bsp1 \"C:\\My Backups\\x.7z\"");
}

// As 7-Zip writes it to a pipe: right-aligned figures, each update erased by
// backspaces, a count and the file name after the figure.
TEST(ReadToolProgress, FollowsTheUpdatesWhereverThePiecesEnd) {
    const std::string erase(14, '\b');
    struct Case {
        std::vector<std::string> pieces;
        int expected;
    };
    const Case cases[] = {
        {{}, -1},
        {{"\nScanning the drive:\n  0M Scan\b\b\b\b\b\b\b\b\b1 file, 60000000 bytes (58 MiB)\n"}, -1},
        {{"\n  0%"}, 0},
        {{"  0%" + erase + "  7% 3 + Mail\\a.msg" + erase + " 42% 12 + Mail\\b.msg"}, 42},
        {{" 4", "2% 1", "2 + b"}, 42},
        {{" 42%", "\b\b\b\b", "100%"}, 100},
        // Figures in a name, a count or a size are no update.
        {{" 42% 3 + Mail 99%.msg"}, 42},
        {{" 42% 3 + x", "\b\b\b\b\b\b\b\b\b\b 50 files"}, 42},
        {{"\b1000%"}, -1},
        {{"\b7z%"}, -1},
        {{"Everything is Ok\r\n"}, -1},
    };
    for (const Case& c : cases) {
        ToolProgress progress;
        std::string all;
        for (const std::string& piece : c.pieces) {
            const int before = progress.percent;
            const bool changed = ReadToolProgress(progress, piece);
            EXPECT_EQ(changed, progress.percent != before) << piece;
            all += piece;
        }
        EXPECT_EQ(progress.percent, c.expected) << all;
    }
    EXPECT_EQ(TextWithPercent(L"Creating backup", 42), L"Creating backup 42 %");
}

TEST(FinishArchiveTool, NoHandleMeansNotStarted) {
    const ToolOutcome outcome = FinishArchiveTool(0);
    EXPECT_FALSE(outcome.started);
    EXPECT_FALSE(ArchiveToolRunning(0));
}

}  // namespace
