// The settings file on disk: creation, reading defaults, write cycles, read-only and held files, crash safety.
#include "config/settings.h"
#include "config/archive_password.h"

#include <gtest/gtest.h>

#include "config/key_value_file.h"
#include "platform/fake/fake_platform.h"
#include "platform/files.h"
#include "platform/secrets.h"
#include "platform/text.h"

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

// Hand-edited values: what is not plainly a count keeps every archive, and only a plain 0 skips the test.
TEST_F(SettingsTest, KeepDaysAndTheArchiveTestAsHandEdited) {
    struct Case {
        std::string value;  // as it stands after "Key =", up to the line's end; "-": no such line
        int keepDays;
        bool verify;
    };
    const Case cases[] = {
        {"-", 0, true},       {"", 0, true},          {"30", 30, true},      {" 30", 30, true},
        {"30 ", 30, true},    {"\t30\t", 30, true},   {"0030", 30, true},    {"3650", 3650, true},
        {"3651", 0, true},    {"99999999999", 0, true}, {"1e3", 0, true},    {"30 days", 0, true},
        {"-5", 0, true},      {"+5", 0, true},        {"3 0", 0, true},      {"0x10", 0, true},
        {"0", 0, false},      {"0 ", 0, false},       {" 0\t", 0, false},    {"00", 0, true},
        {"-0", 0, true},      {"1 ", 1, true},        {"yes", 0, true},      {"true", 0, true},
        {"no", 0, true},      {"off", 0, true},       {"O", 0, true},        {"\xEF\xBC\x90", 0, true},
    };
    for (const Case& c : cases) {
        const std::string lines = c.value == "-" ? "" : "KeepDays = " + c.value + "\r\nVerifyBackup = " + c.value + "\r\n";
        SetFakeFile(kPrefs, kBom + "\r\n" + lines);
        EXPECT_EQ(ReadKeepDaysSetting(), c.keepDays) << "[" << c.value << "]";
        EXPECT_EQ(ReadVerifySetting(), c.verify) << "[" << c.value << "]";
        EXPECT_EQ(FakeFileBytes(kPrefs), kBom + "\r\n" + lines) << "reading changed the file";
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

// The password travels sealed: base64 of what the system's sealing gave, and
// back only through it; a refusal never leaves a value that reads as no password.
TEST_F(SettingsTest, ArchivePasswordRoundTripsSealedAndFailsClosed) {
    // The fake seals "ab" as its marker and each UTF-16LE byte turned by 0x5A.
    const std::string sealedAb = "fake-sealed:;Z8Z";
    std::string blob;
    ASSERT_TRUE(ProtectSecret(L"ab", blob));
    ASSERT_EQ(blob, sealedAb);
    struct Case {
        const char* what;
        std::wstring password;
        bool sealingFails;
        bool stored;
        std::string value;  // after "ArchivePassword = "
    };
    const Case cases[] = {
        {"ascii", L"ab", false, true, "ZmFrZS1zZWFsZWQ6O1o4Wg=="},
        {"cyrillic", L"\u043f\u0430\u0440\u043e\u043b\u044c", false, true, "ZmFrZS1zZWFsZWQ6ZV5qXhpeZF5hXhZe"},
        {"refused", L"ab", true, false, "OLD"},
        {"cleared", L"", false, true, ""},
    };
    for (const Case& c : cases) {
        SetFakeFile(kPrefs, kDefaults + "ArchivePassword = OLD\r\n");
        SetFakeSecretsFail(c.sealingFails);
        EXPECT_EQ(StoreArchivePassword(c.password), c.stored) << c.what;
        const std::string bytes = FakeFileBytes(kPrefs);
        ASSERT_EQ(bytes.compare(0, kDefaults.size(), kDefaults), 0) << c.what;
        const std::string value = bytes.substr(kDefaults.size() + 18, bytes.size() - kDefaults.size() - 20);
        EXPECT_EQ(value, c.value) << c.what;
        EXPECT_EQ(bytes.find(Utf8FromWide(c.password)), c.password.empty() ? 0u : std::string::npos) << c.what;
        std::wstring read = L"stale";
        const StoredPassword state = ReadArchivePassword(read);
        if (c.sealingFails) {
            EXPECT_EQ(state, StoredPassword::Unreadable) << c.what;
        } else {
            EXPECT_EQ(state, c.password.empty() ? StoredPassword::None : StoredPassword::Ready) << c.what;
            EXPECT_EQ(read, c.password) << c.what;
        }
    }
    SetFakeSecretsFail(false);
    const std::pair<std::string, StoredPassword> values[] = {
        {"", StoredPassword::None},
        {"ZmFrZS1zZWFsZWQ6O1o4Wg==", StoredPassword::Ready},
        {"ZmFrZS1zZWFsZWQ6O1o4Wg", StoredPassword::Unreadable},    // padding cut off
        {"bm90IHNlYWxlZA==", StoredPassword::Unreadable},          // base64, but never sealed
        {"ZmFrZS1zZWFsZWQ6", StoredPassword::Unreadable},          // sealed empty text: a bare -p
        {"ZmFrZS1zZWFsZWQ6O1o4Wg==!", StoredPassword::Unreadable},
    };
    for (const auto& v : values) {
        SetFakeFile(kPrefs, kDefaults + "ArchivePassword = " + v.first + "\r\n");
        std::wstring read;
        EXPECT_EQ(ReadArchivePassword(read), v.second) << v.first;
        EXPECT_EQ(read.empty(), v.second != StoredPassword::Ready) << v.first;
    }
}
