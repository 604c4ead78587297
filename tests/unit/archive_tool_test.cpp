// Archive names and 7-Zip command lines, exact texts.
#include "engine/archive_tool.h"

#include <gtest/gtest.h>

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
         L"a -mmt -mx=5 -slp -y C:\\Backups\\LarkmailBackup_PC1_anna_20261207.7z "
         L"C:\\Users\\anna\\AppData\\Local\\Larkmail"},
        {5, L"C:\\My Backups\\", name, data,
         L"a -mmt -mx=5 -slp -y \"C:\\My Backups\\\"LarkmailBackup_PC1_anna_20261207.7z "
         L"C:\\Users\\anna\\AppData\\Local\\Larkmail"},
        {0, L"C:\\Backups\\", name, data,
         L"a -mmt -mx=0 -slp -y C:\\Backups\\LarkmailBackup_PC1_anna_20261207.7z "
         L"C:\\Users\\anna\\AppData\\Local\\Larkmail"},
        {9, L"D:\\b\\", name, data,
         L"a -mmt -mx=9 -slp -y D:\\b\\LarkmailBackup_PC1_anna_20261207.7z "
         L"C:\\Users\\anna\\AppData\\Local\\Larkmail"},
        // No folder: a bare archive name, created in 7-Zip's working folder.
        {5, L"", name, data,
         L"a -mmt -mx=5 -slp -y LarkmailBackup_PC1_anna_20261207.7z C:\\Users\\anna\\AppData\\Local\\Larkmail"},
        // A profile folder with a blank would split into two items unquoted.
        {5, L"C:\\Backups\\", name, L"C:\\Users\\Anna Maria\\AppData\\Local\\Larkmail",
         L"a -mmt -mx=5 -slp -y C:\\Backups\\LarkmailBackup_PC1_anna_20261207.7z "
         L"\"C:\\Users\\Anna Maria\\AppData\\Local\\Larkmail\""},
        {3, L"C:\\My Backups\\", name, L"C:\\Users\\Anna Maria\\AppData\\Local\\Larkmail",
         L"a -mmt -mx=3 -slp -y \"C:\\My Backups\\\"LarkmailBackup_PC1_anna_20261207.7z "
         L"\"C:\\Users\\Anna Maria\\AppData\\Local\\Larkmail\""},
        // The temporary archive name goes in the same place.
        {5, L"C:\\My Backups\\", name + L".tmp", data,
         L"a -mmt -mx=5 -slp -y \"C:\\My Backups\\\"LarkmailBackup_PC1_anna_20261207.7z.tmp "
         L"C:\\Users\\anna\\AppData\\Local\\Larkmail"},
        // Names with a blank stay unquoted.
        {5, L"C:\\Backups\\", L"LarkmailBackup_MY PC_anna_20261207.7z", data,
         L"a -mmt -mx=5 -slp -y C:\\Backups\\LarkmailBackup_MY PC_anna_20261207.7z "
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
         L"x -oC:\\Users\\anna\\AppData\\Local\\ \"C:\\My Backups\\LarkmailBackup_PC1_anna_20261207.7z\""},
        {L"C:\\Users\\anna\\AppData\\Local\\", L"C:\\Backups\\LarkmailBackup_PC1_anna_20261207.7z",
         L"x -oC:\\Users\\anna\\AppData\\Local\\ C:\\Backups\\LarkmailBackup_PC1_anna_20261207.7z"},
        {L"C:\\Users\\Anna Maria\\AppData\\Local\\", L"C:\\My Backups\\LarkmailBackup_PC1_anna_20261207.7z",
         L"x -o\"C:\\Users\\Anna Maria\\AppData\\Local\\\" "
         L"\"C:\\My Backups\\LarkmailBackup_PC1_anna_20261207.7z\""},
        {L"C:\\Users\\Anna Maria\\AppData\\Local\\", L"C:\\b\\x.7z",
         L"x -o\"C:\\Users\\Anna Maria\\AppData\\Local\\\" C:\\b\\x.7z"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(BuildRestoreParameters(c.target, c.archive), c.expected) << c.expected;
    }
}

TEST(FinishArchiveTool, NoHandleMeansNotStarted) {
    const ToolOutcome outcome = FinishArchiveTool(0);
    EXPECT_FALSE(outcome.started);
    EXPECT_FALSE(ArchiveToolRunning(0));
}

}  // namespace
