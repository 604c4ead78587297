// The settings file on disk: creation, reading defaults, write cycles, read-only and held files, crash safety.
#include "config/settings.h"

#include <gtest/gtest.h>

#include "config/key_value_file.h"
#include "platform/fake/fake_platform.h"
#include "platform/files.h"

namespace {

const std::wstring kPrefs = L"C:\\work\\lmbackup.prefs";
const std::string kBom = "\xEF\xBB\xBF";
const std::string kDefaults =
    "\xEF\xBB\xBF\r\nBkUpDir = \r\nCloseToTray = 0\r\nCompression = 0\r\nOpenToTray = 0\r\n"
    "ReopenLM = 0\r\nStayOnTop = 0\r\nLanguage = 1\r\n";

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override { ResetFakePlatform(); }
};

TEST_F(SettingsTest, EnsureCreatesTheDefaultsOnlyWhenTheFileCannotBeOpened) {
    struct Case {
        const char* what;
        bool present;
        std::string before;
        bool readOnly;
        std::string after;
    };
    const Case cases[] = {
        {"missing", false, "", false, kDefaults},
        {"present, even empty", true, "", false, ""},
        {"present without the keys", true, "junk\r\n", false, "junk\r\n"},
        {"read-only", true, kBom + "Language = 2\r\n", true, kBom + "Language = 2\r\n"},
    };
    for (const Case& c : cases) {
        ResetFakePlatform();
        if (c.present) SetFakeFile(kPrefs, c.before);
        SetFakeReadOnly(kPrefs, c.readOnly);
        EnsureSettingsFile();
        EXPECT_TRUE(FakeFileExists(kPrefs)) << c.what;
        EXPECT_EQ(FakeFileBytes(kPrefs), c.after) << c.what;
    }
}

TEST_F(SettingsTest, FullEveryReadsOnlyAPlainNumberOfDays) {
    struct Case {
        std::string line;
        int days;
    };
    const Case cases[] = {
        {"", 0},  {"FullEvery = 0\r\n", 0},   {"FullEvery = 7\r\n", 7},    {"FullEvery = 365\r\n", 365},
        {"FullEvery = 366\r\n", 0}, {"FullEvery = 7x\r\n", 0}, {"FullEvery = -3\r\n", 0}, {"FullEvery = \r\n", 0},
        {"FullEvery = 0007\r\n", 0},
    };
    for (const Case& c : cases) {
        SetFakeFile(kPrefs, kBom + "Compression = 5\r\n" + c.line);
        EXPECT_EQ(ReadFullEverySetting(), c.days) << c.line;
    }
    EXPECT_EQ(DefaultSettingsBytes(), kDefaults);
}

TEST_F(SettingsTest, ACreationThatFailsLeavesNothingAndReadsDefaults) {
    SetFakeDiskFull(true);
    EnsureSettingsFile();
    EXPECT_FALSE(FakeFileExists(kPrefs));
    EXPECT_EQ(ReadAllSettings().language, 0);  // Dutch, as for any unreadable file
    // A folder of that name can be neither opened nor replaced.
    SetFakeDiskFull(false);
    SetFakeFolder(kPrefs);
    EnsureSettingsFile();
    WriteSettingInteger(L"Language", 2);
    EXPECT_FALSE(FakeFileExists(kPrefs));
    EXPECT_EQ(ReadAllSettings().language, 0);
}

TEST_F(SettingsTest, ReadingDefaultsAndValues) {
    struct Case {
        const char* what;
        std::string bytes;
        Settings expected;
    };
    const Case cases[] = {
        {"created defaults", kDefaults, {L"", 0, 0, 0, 0, 0, 1}},
        {"empty file", "", {L"", 0, 0, 0, 0, 0, 0}},
        {"language of letters", kBom + "Language = abc\r\n", {L"", 0, 0, 0, 0, 0, 0}},
        {"flags read as numbers", kBom + "CloseToTray = 2\r\nStayOnTop = 1x\r\nReopenLM = -1\r\n",
         {L"", 2, 0, 0, -1, 1, 0}},
        {"every key, other letter case",
         "bkupdir=D:\\Back ups\\ \r\nclosetotray=1\r\nCOMPRESSION=9\r\nopentotray=1\r\nreopenlm=1\r\n"
         "stayontop=1\r\nLANGUAGE=3\r\n",
         {L"D:\\Back ups\\ ", 1, 9, 1, 1, 1, 3}},
        {"first occurrence wins", kBom + "Compression = 4\r\nCompression = 8\r\n", {L"", 0, 4, 0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        SetFakeFile(kPrefs, c.bytes);
        const Settings s = ReadAllSettings();
        EXPECT_EQ(s.bkUpDir, c.expected.bkUpDir) << c.what;
        EXPECT_EQ(s.closeToTray, c.expected.closeToTray) << c.what;
        EXPECT_EQ(s.compression, c.expected.compression) << c.what;
        EXPECT_EQ(s.openToTray, c.expected.openToTray) << c.what;
        EXPECT_EQ(s.reopenLM, c.expected.reopenLM) << c.what;
        EXPECT_EQ(s.stayOnTop, c.expected.stayOnTop) << c.what;
        EXPECT_EQ(s.language, c.expected.language) << c.what;
        EXPECT_EQ(FakeFileBytes(kPrefs), c.bytes) << c.what << ": reading changed the file";
    }
}

TEST_F(SettingsTest, EachWriteIsOneCycleWithExactBytes) {
    SetFakeFile(kPrefs, kDefaults);
    WriteSettingText(L"BkUpDir", L"E:\\Sicherung f\x00FCr \x0410\x043D\x043D\x0430\\");
    WriteSettingInteger(L"Compression", 7);
    WriteSettingInteger(L"NewKey", -3);
    EXPECT_EQ(FakeFileBytes(kPrefs),
              "\xEF\xBB\xBF\r\nBkUpDir = E:\\Sicherung f\xC3\xBCr \xD0\x90\xD0\xBD\xD0\xBD\xD0\xB0\\\r\n"
              "CloseToTray = 0\r\nCompression = 7\r\nOpenToTray = 0\r\nReopenLM = 0\r\nStayOnTop = 0\r\n"
              "Language = 1\r\nNewKey = -3\r\n");
    EXPECT_EQ(ReadSettingText(L"bkupdir", L""), L"E:\\Sicherung f\x00FCr \x0410\x043D\x043D\x0430\\");
    EXPECT_EQ(ReadSettingInteger(L"COMPRESSION", 0), 7);
}

TEST_F(SettingsTest, AFileDeletedWhileRunningComesBackWithTheOneKey) {
    SetFakeFile(kPrefs, kDefaults);
    ASSERT_TRUE(DeleteFilePath(kPrefs));
    WriteSettingInteger(L"CloseToTray", 1);
    EXPECT_EQ(FakeFileBytes(kPrefs), kBom + "\r\nCloseToTray = 1\r\n");
}

TEST_F(SettingsTest, HandEditedAnsiFileIsRewrittenAsUtf8) {
    SetFakeFile(kPrefs, ";my settings\nbkupdir = D:\\K\xF6ln\\\n\n  compression=3\nStayOnTop =1\n");
    EXPECT_EQ(ReadSettingText(L"BkUpDir", L""), L"D:\\K\x00F6ln\\");
    WriteSettingInteger(L"StayOnTop", 0);
    EXPECT_EQ(FakeFileBytes(kPrefs),
              kBom + "\r\n; my settings\r\nbkupdir = D:\\K\xC3\xB6ln\\\r\ncompression = 3\r\nStayOnTop = 0\r\n");
}

TEST_F(SettingsTest, WritesThatCannotLandAreDroppedAndTheOldFileStays) {
    struct Case {
        const char* what;
        bool readOnly;
        bool diskFull;
        bool heldByOther;
    };
    const Case cases[] = {
        {"read-only file", true, false, false},
        {"disk full while replacing", false, true, false},
        {"another process holds it for writing", false, false, true},
    };
    for (const Case& c : cases) {
        ResetFakePlatform();
        SetFakeFile(kPrefs, kDefaults);
        SetFakeReadOnly(kPrefs, c.readOnly);
        HeldFile other;
        std::string otherBytes;
        if (c.heldByOther) {
            other = OpenFileForUpdate(kPrefs, otherBytes);
            ASSERT_TRUE(other.writable) << c.what;
        }
        SetFakeDiskFull(c.diskFull);
        WriteSettingInteger(L"Compression", 9);
        EXPECT_EQ(FakeFileBytes(kPrefs), kDefaults) << c.what;
        // Reading still works while the write is refused.
        EXPECT_EQ(ReadAllSettings().language, 1) << c.what;
        EXPECT_EQ(FakePaths().size(), 2u) << c.what << ": a temporary stayed behind";
        ReleaseHeldFile(other);
    }
}

TEST_F(SettingsTest, TheHolderWinsAndTheSecondOpenIsReadOnly) {
    SetFakeFile(kPrefs, kDefaults);
    KeyValueFile first;
    ASSERT_TRUE(OpenKeyValueFile(first, kPrefs));
    EXPECT_TRUE(first.held.writable);
    KeyValueFile second;
    ASSERT_TRUE(OpenKeyValueFile(second, kPrefs));
    EXPECT_FALSE(second.held.writable);
    WriteKeyValueInteger(second, L"Language", 2);
    CloseKeyValueFile(second);
    EXPECT_EQ(FakeFileBytes(kPrefs), kDefaults);  // the second one's change is lost
    WriteKeyValueInteger(first, L"Language", 3);
    CloseKeyValueFile(first);
    EXPECT_EQ(ReadSettingInteger(L"Language", 0), 3);
    // Released: the next open may write again.
    WriteSettingInteger(L"Language", 0);
    EXPECT_EQ(ReadSettingInteger(L"Language", 9), 0);
}

TEST_F(SettingsTest, ClosingWithoutAChangeLeavesTheFileAlone) {
    const std::string odd = "Language=2\n\n;x\r";
    SetFakeFile(kPrefs, odd);
    KeyValueFile file;
    ASSERT_TRUE(OpenKeyValueFile(file, kPrefs));
    EXPECT_EQ(ReadKeyValueInteger(file, L"Language", 0), 2);
    CloseKeyValueFile(file);
    EXPECT_EQ(FakeFileBytes(kPrefs), odd);
    EXPECT_FALSE(file.isOpen);
    // The value it already has is no change either (the unattended run stores
    // the locale's language every night); another spelling of the key is.
    WriteSettingInteger(L"Language", 2);
    EXPECT_EQ(FakeFileBytes(kPrefs), odd);
    WriteSettingInteger(L"LANGUAGE", 2);
    EXPECT_EQ(FakeFileBytes(kPrefs), kBom + "\r\nLANGUAGE = 2\r\n; x\r\n");
}

TEST_F(SettingsTest, OpeningAgainClosesAndWritesTheFirstFile) {
    const std::wstring other = L"C:\\work\\other.lng";
    SetFakeFile(other, "");
    KeyValueFile file;
    EXPECT_FALSE(OpenKeyValueFile(file, kPrefs));  // missing, but remembered
    WriteKeyValueInteger(file, L"Language", 2);
    EXPECT_TRUE(OpenKeyValueFile(file, other));
    EXPECT_EQ(FakeFileBytes(kPrefs), kBom + "\r\nLanguage = 2\r\n");
    CloseKeyValueFile(file);
    EXPECT_EQ(FakeFileBytes(other), "");
}

TEST_F(SettingsTest, TheFileIsTheCurrentFoldersWhateverItsLetterCase) {
    SetFakeFile(L"c:\\WORK\\LMBackup.PREFS", kBom + "Compression = 5\r\n");
    EXPECT_EQ(ReadSettingInteger(L"Compression", 0), 5);
    SetFakeCurrentFolder(L"D:\\Elsewhere");
    EXPECT_EQ(ReadSettingInteger(L"Compression", 0), 0);
    WriteSettingInteger(L"Compression", 6);
    EXPECT_EQ(FakeFileBytes(L"D:\\elsewhere\\lmbackup.prefs"), kBom + "\r\nCompression = 6\r\n");
    EXPECT_EQ(FakeFileBytes(kPrefs), kBom + "Compression = 5\r\n");
}

}  // namespace
