// Archive names and 7-Zip command lines, exact texts.
#include "engine/backup/archive_choice.h"
#include "engine/console/archive_tool.h"
#include "engine/console/tool_messages.h"
#include "engine/console/tool_progress.h"

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
        bool encrypt = false;
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
        // A blank in the name (computer or user) quotes the whole archive path,
        // or 7-Zip would take "...MY" as the archive and the rest as a file to add.
        {5, L"C:\\Backups\\", L"LarkmailBackup_MY PC_anna_20261207.7z", data,
         L"a -mmt -mx=5 -slp -y -bsp1 \"C:\\Backups\\LarkmailBackup_MY PC_anna_20261207.7z\" "
         L"C:\\Users\\anna\\AppData\\Local\\Larkmail"},
        {5, L"C:\\Backups\\", L"LarkmailBackup_PC1_Anna Maria_20261207.7z.4242.tmp",
         L"C:\\Users\\Anna Maria\\AppData\\Local\\Larkmail",
         L"a -mmt -mx=5 -slp -y -bsp1 \"C:\\Backups\\LarkmailBackup_PC1_Anna Maria_20261207.7z.4242.tmp\" "
         L"\"C:\\Users\\Anna Maria\\AppData\\Local\\Larkmail\""},
        {5, L"C:\\My Backups\\", L"LarkmailBackup_MY PC_Anna Maria_20261207.7z.4242.tmp", data,
         L"a -mmt -mx=5 -slp -y -bsp1 \"C:\\My Backups\\LarkmailBackup_MY PC_Anna Maria_20261207.7z.4242.tmp\" "
         L"C:\\Users\\anna\\AppData\\Local\\Larkmail"},
        {5, L"", L"LarkmailBackup_PC1_Anna Maria_20261207.7z", data,
         L"a -mmt -mx=5 -slp -y -bsp1 \"LarkmailBackup_PC1_Anna Maria_20261207.7z\" "
         L"C:\\Users\\anna\\AppData\\Local\\Larkmail"},
        // Encrypted: a bare -p asks on standard input, names encrypted too.
        {5, L"C:\\My Backups\\", name, data,
         L"a -mmt -mx=5 -slp -y -bsp1 -p -mhe=on -sccUTF-8 \"C:\\My Backups\\\"LarkmailBackup_PC1_anna_20261207.7z "
         L"C:\\Users\\anna\\AppData\\Local\\Larkmail",
         true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(BuildBackupParameters(c.level, c.folder, c.archive, c.data, c.encrypt), c.expected) << c.expected;
    }
}

TEST(BuildRestoreParameters, ExactTexts) {
    struct Case {
        std::wstring target, archive, expected;
        bool withPassword = false;
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
        {L"C:\\Users\\anna\\AppData\\Local\\Larkmail.restore-1\\", L"C:\\b\\LarkmailBackup_PC1_Anna Maria_20261207.7z",
         L"x -oC:\\Users\\anna\\AppData\\Local\\Larkmail.restore-1\\ -bsp1 "
         L"\"C:\\b\\LarkmailBackup_PC1_Anna Maria_20261207.7z\""},
        // With a password 7-Zip asks by itself; a bare -p would be an empty one.
        {L"C:\\Users\\anna\\AppData\\Local\\", L"C:\\My Backups\\x.7z",
         L"x -oC:\\Users\\anna\\AppData\\Local\\ -bsp1 -sccUTF-8 \"C:\\My Backups\\x.7z\"", true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(BuildRestoreParameters(c.target, c.archive, c.withPassword), c.expected) << c.expected;
    }
}

TEST(BuildDifferentialParameters, ExactTexts) {
    struct Case {
        int level;
        std::wstring full, folder, diff, expected;
        bool encrypt = false;
    };
    const Case cases[] = {
        // The full's password opens it and seals the differential, from standard input.
        {5, L"D:\\b\\F.7z", L"Larkmail", L"D:\\b\\D.7z.9.tmp",
         L"u D:\\b\\F.7z Larkmail -t7z -mx=5 -u- -up0q3r2x2y2z0w2!D:\\b\\D.7z.9.tmp -bsp1 -p -mhe=on -sccUTF-8", true},
        {5, L"D:\\b\\LarkmailBackup_PC1_anna_20261201.7z", L"Larkmail",
         L"D:\\b\\LarkmailBackup_PC1_anna_20261207_diff_20261201.7z.4242.tmp",
         L"u D:\\b\\LarkmailBackup_PC1_anna_20261201.7z Larkmail -t7z -mx=5 -u- "
         L"-up0q3r2x2y2z0w2!D:\\b\\LarkmailBackup_PC1_anna_20261207_diff_20261201.7z.4242.tmp -bsp1"},
        // Every path with a blank is quoted whole, the target glued to "!".
        {0, L"C:\\My Backups\\LarkmailBackup_MY PC_Anna Maria_20261201.7z", L"Lark mail",
         L"C:\\My Backups\\LarkmailBackup_MY PC_Anna Maria_20261207_diff_20261201.7z.7.tmp",
         L"u \"C:\\My Backups\\LarkmailBackup_MY PC_Anna Maria_20261201.7z\" \"Lark mail\" -t7z -mx=0 -u- "
         L"-up0q3r2x2y2z0w2!\"C:\\My Backups\\LarkmailBackup_MY PC_Anna Maria_20261207_diff_20261201.7z.7.tmp\" -bsp1"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(BuildDifferentialParameters(c.level, c.full, c.folder, c.diff, c.encrypt), c.expected) << c.expected;
}

TEST(ParseArchiveName, ReadsBackWhatTheNamesWrite) {
    const LocalTime full{2026, 11, 30, 0, 0, 0};
    for (const std::wstring& user : {std::wstring(L"anna"), std::wstring(L"anna_maria_2026"), std::wstring(L"_")}) {
        ArchiveNameParts parts;
        ASSERT_TRUE(ParseArchiveName(ArchiveName(L"PC_1", user, kDay), L"PC_1", user, parts)) << user;
        EXPECT_EQ(parts.kind, ArchiveKind::Full);
        EXPECT_EQ(DayNumber(parts.day), DayNumber(kDay));
        const std::wstring diff = DifferentialArchiveName(L"PC_1", user, kDay, full);
        ASSERT_TRUE(ParseArchiveName(diff, L"PC_1", user, parts)) << diff;
        EXPECT_EQ(parts.kind, ArchiveKind::Differential);
        EXPECT_EQ(DayNumber(parts.day), DayNumber(kDay));
        EXPECT_EQ(DayNumber(parts.fullDay), DayNumber(full));
        // Another computer and user read the same name by its shape alone.
        ASSERT_TRUE(ReadArchiveName(diff, L"PC2", L"bob", parts)) << diff;
        EXPECT_EQ(parts.kind, ArchiveKind::Differential);
        EXPECT_EQ(parts.fullName, ArchiveName(L"PC_1", user, full));
        ASSERT_TRUE(ReadArchiveName(ArchiveName(L"PC_1", user, kDay), L"PC2", L"bob", parts)) << user;
        EXPECT_EQ(parts.kind, ArchiveKind::Full);
    }
    EXPECT_EQ(DifferentialArchiveName(L"PC1", L"anna", kDay, full), L"LarkmailBackup_PC1_anna_20261207_diff_20261130.7z");
    struct Case {
        const wchar_t* name;
        const wchar_t* user;
        bool matches;
    };
    const Case cases[] = {
        {L"larkmailbackup_pc1_ANNA_20261207_DIFF_20261130.7Z", L"anna", true},
        {L"LarkmailBackup_PC1_anna_maria_20261207.7z", L"anna", false},  // another user's
        {L"LarkmailBackup_PC1_anna_maria_20261207_diff_20261130.7z", L"anna", false},
        {L"LarkmailBackup_PC1_anna_20261207_diff_20261131.7z", L"anna", false},  // no such date
        {L"LarkmailBackup_PC1_anna_20261207_diff_2026113.7z", L"anna", false},
        {L"LarkmailBackup_PC1_anna_20261207_diff_20261130.7z.9.tmp", L"anna", false},
        {L"LarkmailBackup_PC1_anna_20261207_full_20261130.7z", L"anna", false},
        {L"LarkmailBackup_PC1_anna_20261207.7z.tmp", L"anna", false},
    };
    for (const Case& c : cases) {
        ArchiveNameParts parts;
        EXPECT_EQ(ParseArchiveName(c.name, L"PC1", c.user, parts), c.matches) << c.name;
    }
}

// "_diff" in a computer's or user's name never makes a full a differential,
// read by this computer and user or by any other (the restore of a copy, the window).
TEST(ReadArchiveName, NamesHoldingDiffReadTheSameEverywhere) {
    struct Case {
        const wchar_t* name;
        const wchar_t *computer, *user;  // the reader's own
        bool ours;                       // ParseArchiveName, which backup and retention use
        bool read;
        ArchiveKind kind;
        const wchar_t* fullName;
    };
    const ArchiveKind full = ArchiveKind::Full, diff = ArchiveKind::Differential;
    const Case cases[] = {
        {L"LarkmailBackup_PC1_anna_diff_20261207.7z", L"PC1", L"anna_diff", true, true, full,
         L"LarkmailBackup_PC1_anna_diff_20261207.7z"},
        {L"LarkmailBackup_PC1_anna_diff_20261207.7z", L"PC2", L"bob", false, true, full,
         L"LarkmailBackup_PC1_anna_diff_20261207.7z"},
        {L"LarkmailBackup_PC1_anna_diff_20261207.7z", L"PC1", L"anna", false, true, full,
         L"LarkmailBackup_PC1_anna_diff_20261207.7z"},
        {L"LarkmailBackup_PC1_anna_diff_20261207_diff_20261201.7z", L"PC1", L"anna_diff", true, true, diff,
         L"LarkmailBackup_PC1_anna_diff_20261201.7z"},
        {L"LarkmailBackup_PC1_anna_diff_20261207_DIFF_20261201.7z", L"PC2", L"bob", false, true, diff,
         L"LarkmailBackup_PC1_anna_diff_20261201.7z"},
        {L"LarkmailBackup_PC1_a_diff_b_20261207.7z", L"PC2", L"bob", false, true, full,
         L"LarkmailBackup_PC1_a_diff_b_20261207.7z"},
        {L"LarkmailBackup_PC_diff_anna_20261207.7z", L"PC_diff", L"anna", true, true, full,
         L"LarkmailBackup_PC_diff_anna_20261207.7z"},
        // A user "20261201_diff": the day before "_diff" is after the one behind it, so no differential.
        {L"LarkmailBackup_PC1_20261201_diff_20261207.7z", L"PC2", L"bob", false, true, full,
         L"LarkmailBackup_PC1_20261201_diff_20261207.7z"},
        {L"LarkmailBackup_PC1_20261201_diff_20261207.7z", L"PC1", L"20261201_diff", true, true, full,
         L"LarkmailBackup_PC1_20261201_diff_20261207.7z"},
        {L"LarkmailBackup_anna_20261207.7z", L"PC2", L"bob", false, false, full, L""},  // no computer and user
        {L"LarkmailBackup_PC1_anna_20261207_diff_20261201.7z.9.tmp", L"PC1", L"anna", false, false, full, L""},
        {L"x - Copy.7z", L"PC1", L"anna", false, false, full, L""},
    };
    for (const Case& c : cases) {
        ArchiveNameParts parts;
        EXPECT_EQ(ParseArchiveName(c.name, c.computer, c.user, parts), c.ours) << c.name << L" by " << c.user;
        parts = ArchiveNameParts{};
        ASSERT_EQ(ReadArchiveName(c.name, c.computer, c.user, parts), c.read) << c.name << L" by " << c.user;
        if (!c.read) continue;
        EXPECT_EQ(parts.kind, c.kind) << c.name << L" by " << c.user;
        EXPECT_EQ(parts.fullName, c.fullName) << c.name << L" by " << c.user;
    }
}

TEST(ChooseArchive, FromTheBackupFolder) {
    const std::wstring full1201 = L"LarkmailBackup_PC1_anna_20261201.7z";
    const std::wstring diffName = L"LarkmailBackup_PC1_anna_20261207_diff_20261201.7z";
    const std::wstring fullName = L"LarkmailBackup_PC1_anna_20261207.7z";
    struct Case {
        const char* what;
        std::vector<std::wstring> names;
        int fullEvery;
        FullReason reason;
        std::wstring archive, full;
        std::vector<ArchiveProof> proofs = {};
    };
    ArchiveProof lacking{full1201}, failed{full1201}, otherPassword{full1201};
    lacking.lacking = 2;
    failed.tested = otherPassword.tested = true;
    failed.result = ProofResult::Failed;
    otherPassword.result = ProofResult::WrongPassword;
    ArchiveProof olderFailed{L"LarkmailBackup_PC1_anna_20261125.7z"};
    olderFailed.tested = true;
    olderFailed.result = ProofResult::Failed;
    const Case cases[] = {
        {"FullEvery 0", {full1201}, 0, FullReason::FullEveryOff, fullName, L""},
        // What the proof record says of the newest full: lacking files or failed, no base; the full's own test decides the rest.
        {"newest full lacks files", {full1201}, 7, FullReason::FullLacksFiles, fullName, full1201, {lacking}},
        {"newest full failed its last test", {full1201}, 7, FullReason::FullFailedTest, fullName, full1201, {failed}},
        {"made with another password", {full1201}, 7, FullReason::None, diffName, full1201, {otherPassword}},
        {"an older full failed", {L"LarkmailBackup_PC1_anna_20261125.7z", full1201}, 7, FullReason::None, diffName,
         full1201, {olderFailed}},
        {"no full", {L"notes.txt", L"LarkmailBackup_PC1_anna_20261206_diff_20261130.7z"}, 7, FullReason::NoFull, fullName, L""},
        {"full of six days ago", {full1201}, 7, FullReason::None, diffName, full1201},
        {"full too old", {full1201}, 6, FullReason::FullTooOld, fullName, full1201},
        {"newest full wins",
         {L"LarkmailBackup_PC1_anna_20261125.7z", full1201, L"LarkmailBackup_PC1_anna_20261203_diff_20261201.7z"}, 30,
         FullReason::None, diffName, full1201},
        {"another user's and computer's fulls",
         {L"LarkmailBackup_PC1_bob_20261206.7z", L"LarkmailBackup_PC2_anna_20261206.7z",
          L"LarkmailBackup_PC1_anna_x_20261206.7z"}, 7, FullReason::NoFull, fullName, L""},
        {"same-day full", {full1201, fullName}, 7, FullReason::SameDayFull, fullName, fullName},
        {"a full dated after today", {full1201, L"LarkmailBackup_PC1_anna_20261208.7z"}, 7, FullReason::None, diffName,
         full1201},
        {"a differential is no full", {L"LarkmailBackup_PC1_anna_20261206_diff_20261201.7z"}, 7, FullReason::NoFull,
         fullName, L""},
    };
    for (const Case& c : cases) {
        const ArchivePlan plan = ChooseArchive(c.names, L"PC1", L"anna", kDay, c.fullEvery, c.proofs);
        EXPECT_EQ(plan.reason, c.reason) << c.what;
        EXPECT_EQ(plan.kind, c.reason == FullReason::None ? ArchiveKind::Differential : ArchiveKind::Full) << c.what;
        EXPECT_EQ(plan.archiveName, c.archive) << c.what;
        EXPECT_EQ(plan.fullName, c.full) << c.what;
    }
}

TEST(BuildFolderRestoreParameters, ExactTextsWithoutRecursion) {
    struct Case {
        std::wstring target, archive, folder;
        bool withPassword;
        std::wstring overwrite, expected;
    };
    const Case cases[] = {
        {L"C:\\L\\Larkmail.restore-1\\", L"D:\\B\\x.7z", L"Larkmail\\Mail\\Inbox", false, L"-y",
         L"x -oC:\\L\\Larkmail.restore-1\\ -y -bsp1 -- D:\\B\\x.7z Larkmail\\Mail\\Inbox"},
        // Each path with a blank quoted whole; a leading "-" is no switch after "--".
        {L"C:\\Anna Maria\\Larkmail.restore-1\\", L"D:\\My Backups\\x.7z", L"Larkmail\\Mail\\Old Mail", false, L"-y",
         L"x -o\"C:\\Anna Maria\\Larkmail.restore-1\\\" -y -bsp1 -- \"D:\\My Backups\\x.7z\" "
         L"\"Larkmail\\Mail\\Old Mail\""},
        {L"E:\\Copy\\Larkmail.restore-2\\", L"D:\\B\\x.7z", L"Larkmail\\-drafts", false, L"-y",
         L"x -oE:\\Copy\\Larkmail.restore-2\\ -y -bsp1 -- D:\\B\\x.7z Larkmail\\-drafts"},
        // A differential over its full, encrypted: the answer's charset, and -aoa for its anti-items.
        {L"E:\\C\\", L"D:\\B\\x_diff_20261201.7z", L"Larkmail\\\u00c4rger", true, L"-aoa",
         L"x -oE:\\C\\ -aoa -bsp1 -sccUTF-8 -- D:\\B\\x_diff_20261201.7z Larkmail\\\u00c4rger"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(BuildFolderRestoreParameters(c.target, c.archive, c.folder, c.withPassword, c.overwrite), c.expected)
            << c.expected;
}

TEST(BuildTestParameters, ExactTexts) {
    EXPECT_EQ(BuildTestParameters(L"C:\\Backups\\x.7z.4242.tmp"), L"t -bsp1 C:\\Backups\\x.7z.4242.tmp");
    EXPECT_EQ(BuildTestParameters(L"C:\\My Backups\\x.7z"), L"t -bsp1 \"C:\\My Backups\\x.7z\"");
    EXPECT_EQ(BuildTestParameters(L"C:\\B\\LarkmailBackup_PC1_Anna Maria_20261207.7z.4242.tmp"),
              L"t -bsp1 \"C:\\B\\LarkmailBackup_PC1_Anna Maria_20261207.7z.4242.tmp\"");
    EXPECT_EQ(BuildTestParameters(L"C:\\My Backups\\x.7z", true), L"t -bsp1 -sccUTF-8 \"C:\\My Backups\\x.7z\"");
}

// UTF-8 and CR LF, three times: once per question an update may ask.
TEST(PasswordAnswerBytes, ExactBytes) {
    struct Case {
        std::wstring password;
        std::string line;
    };
    const Case cases[] = {
        {L"geheim 42", "geheim 42\r\n"},
        {L"\u043f\u0430\u0440\u043e\u043b\u044c", "\xD0\xBF\xD0\xB0\xD1\x80\xD0\xBE\xD0\xBB\xD1\x8C\r\n"},
        {L"Gr\u00fc\u00dfe", "Gr\xC3\xBC\xC3\x9F" "e\r\n"},
        // The longest bytes a unit makes, and a lone surrogate: the buffer is sized for them up front.
        {std::wstring(L"\uFFFF") + static_cast<wchar_t>(0xD800) + L"x", "\xEF\xBF\xBF\xEF\xBF\xBDx\r\n"},
    };
    for (const Case& c : cases) EXPECT_EQ(PasswordAnswerBytes(c.password), c.line + c.line + c.line);
}

// Only 7-Zip's own refusal of the password counts; a damaged archive or a
// "Wrong password" in a file name at another exit code does not.
TEST(OutputTellsWrongPassword, FromExitCodeAndOutput) {
    struct Case {
        long exitCode;
        std::wstring output;
        bool wrong;
    };
    const Case cases[] = {
        {2, L"ERROR: D:\\b\\x.7z : Cannot open encrypted archive. Wrong password?\n", true},
        {2, L"ERROR: Data Error in encrypted file. Wrong password? : Larkmail\\inbox.db\n", true},
        {2, L"ERROR: D:\\b\\x.7z\nCan not open the file as archive\n", false},
        {2, L"ERROR: Data Error : Larkmail\\inbox.db\n", false},
        {255, L"Break signaled\n", false},
        {0, L"Path = Larkmail\\Wrong password?.txt\n", false},
    };
    for (const Case& c : cases) EXPECT_EQ(OutputTellsWrongPassword(c.exitCode, c.output), c.wrong) << c.output;
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

TEST(ReadToolMessages, NamesTheFilesSevenZipCouldNotReadWhereverThePiecesEnd) {
    // As 7-Zip 26 wrote it under Wine for a file held open without sharing.
    const std::string wine =
        "\r\nScanning the drive:\r\n  0M Scan  Z:\\d\\\r                              \r2 folders, 3 files\r\n\r\n"
        "  0%\r    \r\r\nWARNING: Sharing violation.\r\nZ:\\d\\Larkmail\\Mail\\inbox.db\r\n\r\n"
        "  0% 1 + Larkmail\\Mail\\sent.db\r                              \r\r\nFiles read from disk: 2\r\n"
        "Archive size: 203 bytes (1 KiB)\r\n\r\nWARNINGS for files:\r\n\r\n"
        "Z:\\d\\Larkmail\\Mail\\inbox.db : Sharing violation.\r\n----------------\r\nWARNING: Cannot open 1 file\r\n";
    std::string many = "WARNINGS for files:\r\n\r\n";
    for (int i = 0; i < 12; ++i) many += "Larkmail\\f" + std::to_string(i) + " : The process cannot access the file.\r\n";
    many += "----------------\r\nWARNING: Cannot open 14 files\r\n";
    struct Case {
        const char* what;
        std::vector<std::string> pieces;
        bool utf8;
        std::vector<std::wstring> files;
        int count;
        bool wrongPassword;
    };
    const Case cases[] = {
        {"Wine", {wine}, false, {L"Z:\\d\\Larkmail\\Mail\\inbox.db"}, 1, false},
        {"one byte a piece", {}, false, {L"Z:\\d\\Larkmail\\Mail\\inbox.db"}, 1, false},
        // Windows' own message, a colon in it; a differential names the file from the data folder's name on.
        {"Windows", {"WARNINGS for files:\n\nLarkmail\\a.db : The process: in use.\n----------------\n"}, false,
         {L"Larkmail\\a.db"}, 1, false},
        {"more than are named", {many}, false,
         {L"Larkmail\\f0", L"Larkmail\\f1", L"Larkmail\\f2", L"Larkmail\\f3", L"Larkmail\\f4", L"Larkmail\\f5",
          L"Larkmail\\f6", L"Larkmail\\f7", L"Larkmail\\f8", L"Larkmail\\f9"},
         14, false},
        {"a scan's list", {"Scan WARNINGS for files and folders:\r\n\r\nZ:\\d\\x : Access denied.\r\n----------------\r\n"
                           "Scan WARNINGS: 1\r\n"}, false, {L"Z:\\d\\x"}, 1, false},
        {"OEM code page", {"WARNINGS for files:\r\n\r\nLarkmail\\\x8Erger\\n\x94te.eml : x\r\n----------------\r\n"}, false,
         {L"Larkmail\\\u00c4rger\\n\u00f6te.eml"}, 1, false},
        {"UTF-8 when asked", {"WARNINGS for files:\r\n\r\nLarkmail\\\xC3\x84rger.eml : x\r\n----------------\r\n"}, true,
         {L"Larkmail\\\u00c4rger.eml"}, 1, false},
        // Outside the closing list nothing counts: a name with " : " in a percentage line, the inline warning.
        {"outside the list", {"  0% 1 + Larkmail\\a : b\r\nWARNING: Sharing violation.\r\nZ:\\d\\a\r\n"}, false, {}, 0, false},
        {"encrypted names", {"ERROR: enc.7z\r\nCannot open encrypted archive. Wrong password?\r\n"}, false, {}, 0, true},
        {"encrypted data", {"  0%\r    \rERROR: Data Error in encrypted file. Wrong password? : Larkmail\\a\r\n"}, false,
         {}, 0, true},
        {"a good run", {"Everything is Ok\r\n"}, false, {}, 0, false},
    };
    for (const Case& c : cases) {
        ToolMessages messages;
        messages.utf8 = c.utf8;
        std::vector<std::string> pieces = c.pieces;
        if (pieces.empty())
            for (char b : wine) pieces.push_back(std::string(1, b));
        for (const std::string& piece : pieces) ReadToolMessages(messages, piece);
        EXPECT_EQ(messages.unreadFiles, c.files) << c.what;
        EXPECT_EQ(messages.unreadCount, c.count) << c.what;
        EXPECT_EQ(messages.wrongPassword, c.wrongPassword) << c.what;
    }
}

TEST(FinishArchiveTool, NoHandleMeansNotStarted) {
    ToolWatch watch;
    const ToolOutcome outcome = FinishArchiveTool(0, watch);
    EXPECT_FALSE(outcome.started);
    EXPECT_FALSE(ArchiveToolRunning(0));
}

}  // namespace
