// Language table: the compiled texts, look-up rules, language file overlay, damaged files.
#include "config/language_table.h"

#include <gtest/gtest.h>

#include <cwctype>
#include <string>
#include <utility>
#include <vector>

#include "platform/files.h"

namespace {

const std::string kBom = "\xEF\xBB\xBF";
const std::wstring kFile = L"language_table_test.lng";

struct DefaultEntry {
    std::wstring group, key, text;
};

std::vector<DefaultEntry> DefaultEntries() {
    std::vector<DefaultEntry> entries;
    std::wstring group;
    const std::vector<const wchar_t*>& pairs = DefaultLanguageTexts();
    for (std::size_t i = 0; i + 1 < pairs.size(); i += 2) {
        const std::wstring first = pairs[i];
        if (first == L"_GROUP_") {
            group = pairs[i + 1];
        } else if (first != L"_END_") {
            entries.push_back({group, first, pairs[i + 1]});
        }
    }
    return entries;
}

std::wstring EnglishText(const std::wstring& group, const std::wstring& key) {
    for (const DefaultEntry& e : DefaultEntries())
        if (e.group == group && e.key == key) return e.text;
    return L"";
}

template <std::size_t N>
std::string Bytes(const char (&text)[N]) {
    return std::string(text, N - 1);  // keeps embedded NULs
}

void LoadEnglish() {
    LoadLanguageTable(ProcessLanguageTable(), L"");
}

void LoadFileBytes(const std::string& bytes) {
    ASSERT_TRUE(WriteFileReplacing(kFile, bytes));
    EXPECT_TRUE(LoadLanguageTable(ProcessLanguageTable(), kFile));
}

class LanguageTableTest : public ::testing::Test {
protected:
    void SetUp() override { LoadEnglish(); }
    void TearDown() override {
        DeleteFilePath(kFile);
        LoadEnglish();
    }
};

// Every key not named in `changed` must still give its English text.
void ExpectEnglishExcept(const std::vector<std::pair<std::wstring, std::wstring>>& changed) {
    for (const DefaultEntry& e : DefaultEntries()) {
        bool skip = false;
        for (const auto& c : changed) skip = skip || (c.first == e.group && c.second == e.key);
        if (!skip) {
            EXPECT_EQ(LookUpText(e.group, e.key), e.text) << e.group << L"/" << e.key;
        }
    }
}

TEST(DefaultLanguageTexts, GroupsInCompiledOrderWithTheirEntryCounts) {
    const std::vector<std::pair<std::wstring, int>> expected = {
        {L"MainWindow", 27}, {L"7-Zip", 18},        {L"TaskWindow", 26},
        {L"OptionsWindow", 7}, {L"PopUpMenu", 5}, {L"Messages", 33},
        {L"Misc", 5},         {L"RestoreMsgs", 35}, {L"LogMessages", 76},
    };
    std::vector<std::pair<std::wstring, int>> actual;
    for (const DefaultEntry& e : DefaultEntries()) {
        if (actual.empty() || actual.back().first != e.group) actual.push_back({e.group, 0});
        ++actual.back().second;
    }
    EXPECT_EQ(actual, expected);
    const std::vector<const wchar_t*>& pairs = DefaultLanguageTexts();
    ASSERT_GE(pairs.size(), 2u);
    EXPECT_EQ(std::wstring(pairs[pairs.size() - 2]), L"_END_");
    EXPECT_EQ(std::wstring(pairs.back()), L"");
}

TEST(DefaultLanguageTexts, KeysAreAsciiAndUniqueWithinTheirGroup) {
    const std::vector<DefaultEntry> entries = DefaultEntries();
    for (std::size_t i = 0; i < entries.size(); ++i) {
        for (wchar_t c : entries[i].key) EXPECT_LT(static_cast<unsigned>(c), 0x80u) << entries[i].key;
        for (std::size_t j = i + 1; j < entries.size(); ++j) {
            if (entries[i].group == entries[j].group) {
                EXPECT_NE(entries[i].key, entries[j].key);
            }
        }
    }
}

TEST_F(LanguageTableTest, LoadBuildsSortedGroupsWithInitialIndex) {
    LanguageTable table;
    ASSERT_TRUE(LoadLanguageTable(table, L""));
    EXPECT_EQ(table.groupCount, 9);
    EXPECT_EQ(table.entryCount, static_cast<std::int32_t>(DefaultEntries().size()));
    ASSERT_EQ(table.groups.size(), 10u);
    ASSERT_EQ(table.keys.size(), table.texts.size());
    EXPECT_EQ(table.groups[1].name, L"MAINWINDOW");
    EXPECT_EQ(table.groups[2].name, L"7-ZIP");
    EXPECT_EQ(table.groups[9].name, L"LOGMESSAGES");
    std::int32_t next = 1;
    for (std::int32_t g = 1; g <= table.groupCount; ++g) {
        const LanguageGroup& group = table.groups[g];
        EXPECT_EQ(group.firstEntry, next) << group.name;
        next = group.lastEntry + 1;
        for (std::int32_t i = group.firstEntry + 1; i <= group.lastEntry; ++i)
            EXPECT_LT(table.keys[i - 1], table.keys[i]) << group.name;
        for (int c = 0; c < 256; ++c) {
            std::int32_t first = 0;
            for (std::int32_t i = group.firstEntry; i <= group.lastEntry && first == 0; ++i)
                if (table.keys[i][0] == static_cast<wchar_t>(c)) first = i;
            EXPECT_EQ(group.firstByInitial[c], first) << group.name << L" " << c;
        }
    }
    EXPECT_EQ(next - 1, table.entryCount);
    // A key that begins another sorts first.
    const LanguageGroup& restore = table.groups[8];
    EXPECT_EQ(table.keys[restore.firstByInitial['W']], L"WARNING");
    EXPECT_EQ(table.keys[restore.firstByInitial['W'] + 1], L"WARNING1");
}

TEST_F(LanguageTableTest, EveryCompiledTextIsFoundInAnyLetterCase) {
    for (const DefaultEntry& e : DefaultEntries()) {
        std::wstring lowerGroup = e.group, lowerKey = e.key;
        for (wchar_t& c : lowerGroup) c = static_cast<wchar_t>(towlower(c));
        for (wchar_t& c : lowerKey) c = static_cast<wchar_t>(towlower(c));
        EXPECT_EQ(LookUpText(e.group, e.key), e.text) << e.group << L"/" << e.key;
        EXPECT_EQ(LookUpText(lowerGroup, lowerKey), e.text) << e.group << L"/" << e.key;
    }
}

TEST_F(LanguageTableTest, LookUpRules) {
    struct Case {
        std::wstring group, key, expected;
    };
    const Case cases[] = {
        {L"messages", L"ERROR", L"Error"},
        {L"MESSAGES", L"error", L"Error"},
        {L"7-zip", L"textultra", L"Ultra"},
        {L"RestoreMsgs", L"Warning", L"Warning"},
        {L"RestoreMsgs", L"Warning1", L"This will overwrite your current Larkmail Data. Are you sure you wish to continue?"},
        {L"RestoreMsgs", L"Cancelled", L"Cancelled"},
        {L"RestoreMsgs", L"Cancelled2", L"Your restore request has been cancelled."},
        {L"LogMessages", L"LogSuccess", L"Database backup successfully saved to "},
        {L"TaskWindow", L"TaskName", L"BackupLarkmail"},
        {L"Misc", L"TaskName", L"BackupLarkmail"},
        {L"PopUpMenu", L"Restore", L"Restore Database"},
        {L"RestoreMsgs", L"Restore", L"Restore"},
        {L"Misc", L"NoSuchKey", kTextNotFound},
        {L"NoSuchGroup", L"Error", kTextNotFound},
        {L"Messages", L"Erro", kTextNotFound},
        {L"Messages", L"Error ", kTextNotFound},
        {L"Messages", L"ErrorX", kTextNotFound},
        {L"Messages", L"A", kTextNotFound},
        {L"Messages", L"Zzz", kTextNotFound},
        {L"Messages", L"", kTextNotFound},
        {L"", L"Error", kTextNotFound},
        {L"", L"", kTextNotFound},
        {L"Messages ", L"Error", kTextNotFound},
        {L"_GROUP_", L"MainWindow", kTextNotFound},
        {L"_END_", L"", kTextNotFound},
        // Initials at or above U+0100 have no slot; U+0145 and U+FF45 share
        // their low byte with "E".
        {L"Messages", L"\u0145RROR", kTextNotFound},
        {L"Messages", L"\uFF45RROR", kTextNotFound},
        {L"Messages", L"\u0100", kTextNotFound},
        {L"Messages", L"\u00C9rror", kTextNotFound},
        {L"Messages", std::wstring(1, L'\0') + L"Error", kTextNotFound},
    };
    for (const Case& c : cases) EXPECT_EQ(LookUpText(c.group, c.key), c.expected) << c.group << L"/" << c.key;
}

TEST_F(LanguageTableTest, FailedLookUpsDoNotSpoilTheNextOne) {
    const std::vector<std::pair<std::wstring, std::wstring>> sequence = {
        {L"Misc", L"Nope"}, {L"Misc", L"AppRunning"}, {L"Nowhere", L"AppRunning"},
        {L"Misc", L"DesktopIconText"}, {L"Messages", L"\u0145"}, {L"Messages", L"Error"},
        {L"MainWindow", L"StatusBarText"}, {L"Messages", L"Error"},
    };
    const std::vector<std::wstring> expected = {
        kTextNotFound, L"Application is already running!!! Please check the system tray!!!",
        kTextNotFound, L"Larkmail Backup", kTextNotFound, L"Error", L"Ready", L"Error",
    };
    for (std::size_t i = 0; i < sequence.size(); ++i)
        EXPECT_EQ(LookUpText(sequence[i].first, sequence[i].second), expected[i]) << i;
}

TEST_F(LanguageTableTest, LowerCaseGroupAndKeyInTheFileOverride) {
    LoadFileBytes(kBom + "\r\n[messages]\r\nerror = Fehler\r\n");
    EXPECT_EQ(LookUpText(L"Messages", L"Error"), L"Fehler");
    ExpectEnglishExcept({{L"Messages", L"Error"}});
}

TEST_F(LanguageTableTest, PartialFileLeavesEveryOtherTextEnglish) {
    LoadFileBytes(kBom +
                  "[MainWindow]\r\nStatusBarText = Bereit\r\n"
                  "[RestoreMsgs]\r\nWarning1 = Achtung, alles weg\r\n");
    EXPECT_EQ(LookUpText(L"MainWindow", L"StatusBarText"), L"Bereit");
    EXPECT_EQ(LookUpText(L"RestoreMsgs", L"Warning1"), L"Achtung, alles weg");
    EXPECT_EQ(LookUpText(L"RestoreMsgs", L"Warning"), L"Warning");
    ExpectEnglishExcept({{L"MainWindow", L"StatusBarText"}, {L"RestoreMsgs", L"Warning1"}});
}

TEST_F(LanguageTableTest, FileWithoutTaskWindowKeepsTheEnglishTaskName) {
    LoadFileBytes(kBom + "[Misc]\r\nTaskName = SicherungLarkmail\r\n[Messages]\r\nError = Fehler\r\n");
    EXPECT_EQ(LookUpText(L"TaskWindow", L"TaskName"), L"BackupLarkmail");
    EXPECT_EQ(LookUpText(L"Misc", L"TaskName"), L"SicherungLarkmail");
    ExpectEnglishExcept({{L"Misc", L"TaskName"}, {L"Messages", L"Error"}});
}

TEST_F(LanguageTableTest, TextsKeepTrailingBlanksAndLoseLeadingOnes) {
    LoadFileBytes(kBom +
                  "[LogMessages]\r\n"
                  "LogSuccess =   \t Sicherung gespeichert in \r\n"
                  "LogNoPath\t=\tKein Pfad.\t\r\n"
                  "TaskFail =\r\n"
                  "TaskSucceed = a = b ; c\r\n");
    EXPECT_EQ(LookUpText(L"LogMessages", L"LogSuccess"), L"Sicherung gespeichert in ");
    EXPECT_EQ(LookUpText(L"LogMessages", L"LogNoPath"), L"Kein Pfad.\t");
    EXPECT_EQ(LookUpText(L"LogMessages", L"TaskFail"), L"");
    EXPECT_EQ(LookUpText(L"LogMessages", L"TaskSucceed"), L"a = b ; c");
}

TEST_F(LanguageTableTest, ExtrasInTheFileAreIgnoredAndUnreachable) {
    LoadFileBytes(kBom +
                  "; a comment\r\n"
                  "Error = top level\r\n"
                  "[Extra]\r\nError = extra group\r\nNew = never\r\n"
                  "[Messages]\r\n; Error = commented out\r\nNewKey = never\r\nError = Fout\r\nError = second\r\n"
                  "[Misc]\r\nError = wrong group\r\n"
                  "[Messages]\r\nSuccessMsg = duplicate group\r\n");
    EXPECT_EQ(LookUpText(L"Messages", L"Error"), L"Fout");
    EXPECT_EQ(LookUpText(L"Messages", L"NewKey"), kTextNotFound);
    EXPECT_EQ(LookUpText(L"Extra", L"Error"), kTextNotFound);
    EXPECT_EQ(LookUpText(L"Extra", L"New"), kTextNotFound);
    EXPECT_EQ(LookUpText(L"Misc", L"Error"), kTextNotFound);
    ExpectEnglishExcept({{L"Messages", L"Error"}});
}

TEST_F(LanguageTableTest, FileWithoutByteOrderMarkIsReadInTheAnsiCodePage) {
    // Code page 1252: 0xFC is u-umlaut.
    LoadFileBytes("[Messages]\r\nError = Fehler f\xFCr alle\r\n");
    EXPECT_EQ(LookUpText(L"Messages", L"Error"), L"Fehler f\u00FCr alle");
}

TEST_F(LanguageTableTest, Utf8TextsArriveAsUtf16) {
    LoadFileBytes(kBom + "[Messages]\r\nError = \xD0\x9E\xD1\x88\xD0\xB8\xD0\xB1\xD0\xBA\xD0\xB0 \xE2\x82\xAC\r\n");
    EXPECT_EQ(LookUpText(L"Messages", L"Error"), L"\u041E\u0448\u0438\u0431\u043A\u0430 \u20AC");
}

TEST_F(LanguageTableTest, LoadingAgainRebuildsFromTheCompiledTexts) {
    LoadFileBytes(kBom + "[Messages]\r\nError = Fout\r\n[MainWindow]\r\nStatusBarText = Gereed\r\n");
    EXPECT_EQ(LookUpText(L"Messages", L"Error"), L"Fout");
    LoadEnglish();
    ExpectEnglishExcept({});
    LoadFileBytes(kBom + "[MainWindow]\r\nStatusBarText = Klaar\r\n");
    EXPECT_EQ(LookUpText(L"Messages", L"Error"), L"Error");
    EXPECT_EQ(LookUpText(L"MainWindow", L"StatusBarText"), L"Klaar");
}

TEST_F(LanguageTableTest, MissingFileOrFolderPathGivesEnglish) {
    LoadFileBytes(kBom + "[Messages]\r\nError = Fout\r\n");
    ASSERT_TRUE(CreateFolderPath(L"language_table_test_folder.lng"));
    for (const std::wstring& path : {std::wstring(L"no_such_language_file.lng"), std::wstring(L"language_table_test_folder.lng"),
                                     std::wstring(L"no_such_folder\\dutch.lng")}) {
        EXPECT_TRUE(LoadLanguageTable(ProcessLanguageTable(), path));
        ExpectEnglishExcept({});
    }
    // The reader remembers a missing file's name for writes; loading must not create it.
    EXPECT_EQ(LookUpPathKind(L"no_such_language_file.lng"), PathKind::Missing);
    RemoveEmptyFolder(L"language_table_test_folder.lng");
}

TEST_F(LanguageTableTest, LoadingNeverWritesTheLanguageFile) {
    const std::string bytes = "[messages]\nerror=Fout";  // no BOM, no CR LF, lower case
    LoadFileBytes(bytes);
    EXPECT_EQ(LookUpText(L"Messages", L"Error"), L"Fout");
    std::string after;
    ASSERT_TRUE(ReadWholeFile(kFile, after));
    EXPECT_EQ(after, bytes);
}

TEST_F(LanguageTableTest, DamagedFilesNeverLoseEnglishTexts) {
    struct Case {
        const char* name;
        std::string bytes;
        // Keys the file manages to give, with the text each must have; an
        // empty expected text means "anything but English or the marker".
        std::vector<std::pair<std::wstring, std::wstring>> given;
    };
    const std::string huge(1 << 20, 'x');
    const std::vector<Case> cases = {
        {"empty file", "", {}},
        {"byte-order mark only", kBom, {}},
        {"blank lines only", kBom + "\r\n \t\r\n\n\r", {}},
        {"missing ] keeps the name", kBom + "[Messages\r\nError = Fout\r\n", {{L"Error", L"Fout"}}},
        {"blank inside brackets", kBom + "[Messages ]\r\nError = Fout\r\n", {}},
        {"no = on the line", kBom + "[Messages]\r\nError Fout\r\nSuccessMsg = Gelukt\r\n", {{L"SuccessMsg", L"Gelukt"}}},
        {"invalid UTF-8", kBom + "[Messages]\r\nError = F\xC3\x28ut\xFF\r\nSuccessMsg = Gelukt\r\n",
         {{L"Error", L""}, {L"SuccessMsg", L"Gelukt"}}},
        {"invalid UTF-8 in a key", kBom + "[Messages]\r\nErr\xFFor = Fout\r\nSuccessMsg = Gelukt\r\n",
         {{L"SuccessMsg", L"Gelukt"}}},
        {"NUL in a text", kBom + Bytes("[Messages]\r\nError = Fo\0ut\r\nSuccessMsg = Gelukt\r\n"),
         {{L"Error", L""}, {L"SuccessMsg", L"Gelukt"}}},
        {"NUL in a group line", kBom + Bytes("[Mess\0ages]\r\nError = Fout\r\n"), {}},
        {"enormous text", kBom + "[Messages]\r\nError = " + huge + "\r\nSuccessMsg = Gelukt\r\n",
         {{L"Error", std::wstring(huge.begin(), huge.end())}, {L"SuccessMsg", L"Gelukt"}}},
        {"enormous line without =", kBom + "[Messages]\r\n" + huge + "\r\nSuccessMsg = Gelukt", {{L"SuccessMsg", L"Gelukt"}}},
        {"enormous group name", kBom + "[" + huge + "\r\nError = Fout\r\n", {}},
        {"cut off in the middle", kBom + "[Messages]\r\nSuccessMsg = Gelukt\r\nErr", {{L"SuccessMsg", L"Gelukt"}}},
        {"cut off in a byte sequence", kBom + "[Messages]\r\nError = Fout\xD0", {{L"Error", L""}}},
        {"CR line ends", kBom + "[Messages]\rError = Fout\rSuccessMsg = Gelukt\r", {{L"Error", L"Fout"}, {L"SuccessMsg", L"Gelukt"}}},
        {"binary noise", Bytes("\x00\x01\xFE\xFF\x80[\x5D=\r\x00;"), {}},
        {"U+0001 in a text", kBom + "[Messages]\r\nError = a\x01" "b\r\n", {{L"Error", std::wstring(L"a\x01") + L"b"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LoadFileBytes(c.bytes);
        std::vector<std::pair<std::wstring, std::wstring>> changed;
        for (const auto& g : c.given) {
            changed.push_back({L"Messages", g.first});
            const std::wstring text = LookUpText(L"Messages", g.first);
            if (g.second.empty()) {
                EXPECT_NE(text, kTextNotFound);
                EXPECT_NE(text, EnglishText(L"Messages", g.first));
            } else {
                EXPECT_EQ(text, g.second);
            }
        }
        ExpectEnglishExcept(changed);
    }
}

}  // namespace
