// Language selection over the fake platform: by setting, by locale, and the selector.
#include "config/language_selection.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "config/language_table.h"
#include "config/settings.h"
#include "platform/fake/fake_platform.h"

namespace {

const std::wstring kLang = L"C:\\work\\Lang\\";
const std::wstring kPrefs = L"C:\\work\\lmbackup.prefs";
const std::string kBom = "\xEF\xBB\xBF";
const char* const kShipped[] = {"dutch.lng", "english.lng", "german.lng", "russian.lng"};

std::string ShippedBytes(const std::string& name) {
    std::ifstream in(std::string(LARKMAIL_SOURCE_DIR) + "/lang/" + name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void InstallShippedFile(const char* name) {
    const std::string bytes = ShippedBytes(name);
    ASSERT_FALSE(bytes.empty()) << name;
    SetFakeFile(kLang + std::wstring(name, name + std::char_traits<char>::length(name)), bytes);
}

void InstallShippedFiles() {
    for (const char* name : kShipped) InstallShippedFile(name);
}

std::string PrefsWithLanguage(int language) {
    return kBom + "\r\nBkUpDir = D:\\Backups\\\r\nLanguage = " + std::to_string(language) + "\r\n";
}

class LanguageSelectionTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetFakePlatform();
        LoadLanguageTable(ProcessLanguageTable(), L"");
        SetFakeFile(kPrefs, PrefsWithLanguage(3));
    }
    void TearDown() override { LoadLanguageTable(ProcessLanguageTable(), L""); }
};

TEST_F(LanguageSelectionTest, FilePathsAppendToTheCurrentFolder) {
    struct Case {
        std::wstring folder;
        int language;
        std::wstring expected;
    };
    const Case cases[] = {
        {L"C:\\work", 0, L"C:\\work\\\\Lang\\dutch.lng"},
        {L"C:\\work", 1, L""},
        {L"C:\\work", 2, L"C:\\work\\\\Lang\\german.lng"},
        {L"C:\\work", 3, L"C:\\work\\\\Lang\\russian.lng"},
        {L"C:\\work", 4, L""},
        {L"C:\\work", 7, L""},
        {L"C:\\work", -1, L""},
        {L"D:\\", 2, L"D:\\\\Lang\\german.lng"},
        {L"E:\\Program Files\\Larkmail Backup", 0, L"E:\\Program Files\\Larkmail Backup\\\\Lang\\dutch.lng"},
    };
    for (const Case& c : cases) {
        SetFakeCurrentFolder(c.folder);
        EXPECT_EQ(LanguageFilePath(c.language), c.expected) << c.folder << L" " << c.language;
    }
}

TEST_F(LanguageSelectionTest, SettingPicksTheFileOrEnglish) {
    struct Case {
        int language;
        bool filesPresent;
        std::wstring error, taskName;
    };
    const Case cases[] = {
        {0, true, L"Fout", L"BackupLarkmail"},
        {1, true, L"Error", L"BackupLarkmail"},
        {2, true, L"Fehler", L"BackupLarkmail"},
        {3, true, L"\u041E\u0448\u0438\u0431\u043A\u0430", L"BackupLarkmail"},
        {3, false, L"Error", L"BackupLarkmail"},
        {0, false, L"Error", L"BackupLarkmail"},
        {7, true, L"Error", L"BackupLarkmail"},
        {-3, true, L"Error", L"BackupLarkmail"},
    };
    for (const Case& c : cases) {
        ResetFakePlatform();
        if (c.filesPresent) InstallShippedFiles();
        ApplyLanguageSetting(c.language);
        EXPECT_EQ(LookUpText(L"Messages", L"Error"), c.error) << c.language;
        EXPECT_EQ(LookUpText(L"TaskWindow", L"TaskName"), c.taskName) << c.language;
        EXPECT_TRUE(FakeBoxes().empty()) << c.language;
    }
}

TEST_F(LanguageSelectionTest, RussianSettingWithOnlyRussianMissing) {
    InstallShippedFile("dutch.lng");
    InstallShippedFile("german.lng");
    ApplyLanguageSetting(3);
    EXPECT_EQ(LookUpText(L"MainWindow", L"StatusBarText"), L"Ready");
    EXPECT_TRUE(FakeBoxes().empty());
}

TEST_F(LanguageSelectionTest, LocaleNamesChooseStoreAndLoad) {
    struct Case {
        std::wstring locale;
        int stored;  // -1: the setting keeps the Russian choice untouched
        std::wstring error;
        bool warns;
    };
    const Case cases[] = {
        {L"Deutsch (Deutschland)", 2, L"Fehler", false},
        {L"German (Germany)", 2, L"Fehler", false},
        {L"Dutch (Netherlands)", 0, L"Fout", false},
        {L"Nederlands (Nederland)", 0, L"Fout", false},
        {L"English (United States)", 1, L"Error", false},
        {L"English (United Kingdom)", -1, L"Error", true},
        {L"German (Austria)", -1, L"Error", true},
        {L"german (germany)", -1, L"Error", true},
        {L"German (Germany) ", -1, L"Error", true},
        {L"Russian (Russia)", -1, L"Error", true},
        {L"", -1, L"Error", true},
    };
    for (const Case& c : cases) {
        ResetFakePlatform();
        InstallShippedFiles();
        SetFakeFile(kPrefs, PrefsWithLanguage(3));
        SetFakeLocaleName(c.locale);
        ApplyLanguageSetting(3);  // a translated table before, as after a Russian start
        SelectLanguageByLocale();
        EXPECT_EQ(LookUpText(L"Messages", L"Error"), c.error) << c.locale;
        if (c.stored < 0) {
            EXPECT_EQ(FakeFileBytes(kPrefs), PrefsWithLanguage(3)) << c.locale;
        } else {
            EXPECT_EQ(FakeFileBytes(kPrefs), PrefsWithLanguage(c.stored)) << c.locale;
        }
        const std::vector<FakeBox> boxes = FakeBoxes();
        if (c.warns) {
            ASSERT_EQ(boxes.size(), 1u) << c.locale;
            EXPECT_EQ(boxes[0].title, L"Warning");
            EXPECT_EQ(boxes[0].text, L"Language not found, defaulting to English.");
            EXPECT_EQ(boxes[0].type, 0x30u);
        } else {
            EXPECT_TRUE(boxes.empty()) << c.locale;
        }
    }
}

TEST_F(LanguageSelectionTest, GermanLocaleWithoutTheFileStoresGermanAndRunsInEnglish) {
    SetFakeLocaleName(L"German (Germany)");
    SelectLanguageByLocale();
    EXPECT_EQ(ReadSettingInteger(L"Language", -1), 2);
    EXPECT_EQ(LookUpText(L"Messages", L"Error"), L"Error");
    EXPECT_TRUE(FakeBoxes().empty());
}

TEST_F(LanguageSelectionTest, LocaleChoiceCreatesAMissingSettingsFile) {
    ResetFakePlatform();
    SetFakeLocaleName(L"Dutch (Netherlands)");
    SelectLanguageByLocale();
    EXPECT_EQ(FakeFileBytes(kPrefs), kBom + "\r\nLanguage = 0\r\n");
}

TEST_F(LanguageSelectionTest, SelectorListsLanguageFilesInListingOrder) {
    struct Case {
        const char* name;
        std::vector<std::wstring> files, folders;
        std::vector<std::wstring> expected;
    };
    const std::vector<Case> cases = {
        {"the four shipped files",
         {L"dutch.lng", L"english.lng", L"german.lng", L"russian.lng"},
         {},
         {L"Select Language:", L"dutch.lng", L"english.lng", L"german.lng", L"russian.lng"}},
        {"other files and folders",
         {L"german.lng", L"readme.txt", L"dutch.lng.bak", L"french.lng"},
         {L"old.lng", L"sub"},
         {L"Select Language:", L"french.lng", L"german.lng"}},
        {"empty folder", {}, {}, {L"Select Language:"}},
        {"only a folder named like a file", {}, {L"dutch.lng"}, {L"Select Language:"}},
    };
    for (const Case& c : cases) {
        ResetFakePlatform();
        SetFakeFolder(L"C:\\work\\Lang");
        for (const std::wstring& f : c.files) SetFakeFile(kLang + f, "x");
        for (const std::wstring& f : c.folders) SetFakeFolder(kLang + f);
        EXPECT_EQ(ListLanguageSelectorItems(), c.expected) << c.name;
    }
}

TEST_F(LanguageSelectionTest, SelectorWithoutLangFolderHoldsOnlyThePrompt) {
    ResetFakePlatform();
    SetFakeFile(L"C:\\work\\Lang.lng", "x");
    SetFakeFile(L"C:\\work\\dutch.lng", "x");
    EXPECT_EQ(ListLanguageSelectorItems(), std::vector<std::wstring>{L"Select Language:"});
}

TEST_F(LanguageSelectionTest, SelectorLooksInTheCurrentFolder) {
    ResetFakePlatform();
    SetFakeCurrentFolder(L"D:\\Tools\\Larkmail Backup");
    SetFakeFile(L"D:\\Tools\\Larkmail Backup\\Lang\\german.lng", "x");
    SetFakeFile(L"C:\\work\\Lang\\dutch.lng", "x");
    EXPECT_EQ(ListLanguageSelectorItems(), (std::vector<std::wstring>{L"Select Language:", L"german.lng"}));
}

TEST_F(LanguageSelectionTest, StoredChoiceDependsOnThePositionOnly) {
    struct Case {
        int position;
        int stored;  // -1: nothing written
    };
    const Case cases[] = {{0, -1}, {1, 0}, {2, 1}, {3, 2}, {4, 3}, {5, -1}, {6, -1}, {-1, -1}, {1000, -1}};
    for (const Case& c : cases) {
        SetFakeFile(kPrefs, PrefsWithLanguage(7));
        StoreLanguageChoice(c.position);
        EXPECT_EQ(FakeFileBytes(kPrefs), PrefsWithLanguage(c.stored < 0 ? 7 : c.stored)) << c.position;
    }
    EXPECT_TRUE(FakeBoxes().empty());
}

TEST_F(LanguageSelectionTest, ChoosingGermanInTheSelectorStoresTwoWithoutReloading) {
    InstallShippedFiles();
    const std::vector<std::wstring> items = ListLanguageSelectorItems();
    int german = -1;
    for (std::size_t i = 0; i < items.size(); ++i)
        if (items[i] == L"german.lng") german = static_cast<int>(i);
    ASSERT_EQ(german, 3);
    StoreLanguageChoice(german);
    EXPECT_EQ(ReadSettingInteger(L"Language", -1), 2);
    EXPECT_EQ(LookUpText(L"Messages", L"Error"), L"Error");  // applies at the next start
    StoreLanguageChoice(0);  // "Select Language:" again
    EXPECT_EQ(ReadSettingInteger(L"Language", -1), 2);
}

TEST_F(LanguageSelectionTest, ReadOnlySettingsFileLosesTheChoiceSilently) {
    SetFakeReadOnly(kPrefs, true);
    StoreLanguageChoice(1);
    SetFakeLocaleName(L"German (Germany)");
    InstallShippedFiles();
    SelectLanguageByLocale();
    EXPECT_EQ(FakeFileBytes(kPrefs), PrefsWithLanguage(3));
    EXPECT_EQ(LookUpText(L"Messages", L"Error"), L"Fehler");
    EXPECT_TRUE(FakeBoxes().empty());
}

}  // namespace
