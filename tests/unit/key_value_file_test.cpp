// The key/value format: line rules, look-up, integers, edits and the exact write-back bytes.
#include "config/key_value_file.h"

#include <gtest/gtest.h>

#include <climits>

#include "config/settings.h"

namespace {

const std::string kBom = "\xEF\xBB\xBF";

std::string Describe(const std::vector<KeyValueLine>& lines) {
    std::string text;
    for (const KeyValueLine& line : lines) {
        switch (line.kind) {
            case KeyValueLineKind::Group: text += "G[" + line.key + "]"; break;
            case KeyValueLineKind::Comment: text += "C[" + line.value + "]"; break;
            case KeyValueLineKind::Entry: text += "E[" + line.key + "|" + line.value + "]"; break;
        }
    }
    return text;
}

KeyValueFile FileFrom(const std::string& bytes) {
    KeyValueFile file;
    file.lines = ParseKeyValueBytes(bytes);
    return file;
}

TEST(ParseKeyValueBytes, LineRules) {
    struct Case {
        const char* what;
        std::string bytes;
        std::string lines;
    };
    const Case cases[] = {
        {"crlf with bom", kBom + "\r\nA = 1\r\nB = 2\r\n", "E[A|1]E[B|2]"},
        {"cr only", kBom + "A=1\rB=2", "E[A|1]E[B|2]"},
        {"lf only", kBom + "A=1\nB=2\n", "E[A|1]E[B|2]"},
        {"mixed ends and empty lines", kBom + "\n\r\nA=1\r\r\n\nB=2", "E[A|1]E[B|2]"},
        {"leading blanks and tabs skipped", kBom + " \t A = x\r\n\t[G]\r\n  ;c", "E[A|x]G[G]C[c]"},
        {"blank only line skipped", kBom + "   \r\n\t\r\nA=1", "E[A|1]"},
        {"comment drops one blank only", kBom + ";one\r\n; two\r\n;  three\r\n;", "C[one]C[two]C[ three]C[]"},
        {"group name up to bracket, blanks kept", kBom + "[A b]tail\r\n[ x ]\r\n[open", "G[A b]G[ x ]G[open]"},
        {"key trimmed, value keeps its end", kBom + "Key \t= \tv = w ; x \t\r\n", "E[Key|v = w ; x \t]"},
        {"empty value", kBom + "BkUpDir = \r\n", "E[BkUpDir|]"},
        {"no equals gives an empty value", kBom + "lonely word\r\n", "E[lonely word|]"},
        {"equals first gives an empty key", kBom + "=v\r\n", "E[|v]"},
        {"ansi converted to utf-8", "K=caf\xE9 \x80\r\n", "E[K|caf\xC3\xA9 \xE2\x82\xAC]"},
        {"bom only", kBom, ""},
        {"empty", "", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(Describe(ParseKeyValueBytes(c.bytes)), c.lines) << c.what;
}

TEST(ParseKeyValueBytes, DamagedInputStillParses) {
    struct Case {
        const char* what;
        std::string bytes;
        std::string lines;
    };
    const std::string nul("A=x\0y\r\nB=2", 10);
    const std::string huge = kBom + "K=" + std::string(1 << 20, 'v') + "\r\nL=1";
    const Case cases[] = {
        {"nul inside a value", kBom + nul, std::string("E[A|x\0y]E[B|2]", 14)},
        {"invalid utf-8 kept as bytes", kBom + "A=\xFF\xC3\r\nB=2", "E[A|\xFF\xC3]E[B|2]"},
        {"enormous line", huge, "E[K|" + std::string(1 << 20, 'v') + "]E[L|1]"},
    };
    for (const Case& c : cases) EXPECT_EQ(Describe(ParseKeyValueBytes(c.bytes)), c.lines) << c.what;
    // Reading a damaged value gives replacement characters, never a crash.
    EXPECT_EQ(ReadKeyValueText(FileFrom(kBom + "A=\xFF" "ok"), L"A", L""), L"\xFFFDok");
}

TEST(ReadKeyValueText, GroupsCaseAndFirstOccurrence) {
    const KeyValueFile base = FileFrom(kBom +
                                       "Top = t\r\n"
                                       "top = second\r\n"
                                       "[Main]\r\n"
                                       "Key = main\r\n"
                                       "KEY = later\r\n"
                                       "[main ]\r\n"
                                       "Other = spaced\r\n"
                                       "[Last]\r\n"
                                       "Key = last\r\n");
    struct Case {
        const wchar_t* group;
        const wchar_t* key;
        const wchar_t* expected;
    };
    const Case cases[] = {
        {L"", L"TOP", L"t"},          {L"", L"Key", L"-"},           {L"MAIN", L"key", L"main"},
        {L"main", L"Top", L"-"},      {L"Main", L"Other", L"-"},     {L"main ", L"other", L"spaced"},
        {L"last", L"Key", L"last"},   {L"Nowhere", L"Key", L"-"},    {L"Main", L"Ke", L"-"},
    };
    for (const Case& c : cases) {
        KeyValueFile file = base;
        SelectKeyValueGroup(file, c.group);
        EXPECT_EQ(ReadKeyValueText(file, c.key, L"-"), c.expected) << c.group << L"/" << c.key;
    }
}

TEST(ReadKeyValueInteger, DecimalPrefixOrZero) {
    struct Case {
        std::string value;
        int expected;
    };
    const Case cases[] = {
        {"12", 12},     {"-7", -7},     {"+5", 5},        {"3abc", 3},          {"abc", 0},
        {"", 0},        {"-", 0},       {"1 2", 1},       {"007", 7},           {"2", 2},
        {"99999999999", INT_MAX},       {"-99999999999", INT_MIN},              {"\t4", 4},
    };
    for (const Case& c : cases) {
        const KeyValueFile file = FileFrom(kBom + "N = " + c.value + "\r\n");
        EXPECT_EQ(ReadKeyValueInteger(file, L"n", 42), c.expected) << c.value;
    }
    EXPECT_EQ(ReadKeyValueInteger(FileFrom(kBom), L"N", 42), 42);
}

TEST(WriteKeyValueText, PlacesEntriesAndWritesExactBytes) {
    const std::string source = kBom + "; note\r\nA = 1\r\n[G1]\r\nX = x\r\n[G2]\r\nY = y\r\n";
    struct Case {
        const char* what;
        const wchar_t* group;
        const wchar_t* key;
        const wchar_t* value;
        std::string bytes;
    };
    const Case cases[] = {
        {"replaces in place with the new letter case", L"", L"a", L"9",
         kBom + "\r\n; note\r\na = 9\r\n[G1]\r\nX = x\r\n[G2]\r\nY = y\r\n"},
        {"new top-level key before the first group", L"", L"B", L"2",
         kBom + "\r\n; note\r\nA = 1\r\nB = 2\r\n[G1]\r\nX = x\r\n[G2]\r\nY = y\r\n"},
        {"new key at the end of its group", L"g1", L"Z", L"z",
         kBom + "\r\n; note\r\nA = 1\r\n[G1]\r\nX = x\r\nZ = z\r\n[G2]\r\nY = y\r\n"},
        {"new key in the last group", L"G2", L"Z", L"",
         kBom + "\r\n; note\r\nA = 1\r\n[G1]\r\nX = x\r\n[G2]\r\nY = y\r\nZ = \r\n"},
        {"new group at the end of the file", L"New", L"K", L"v",
         kBom + "\r\n; note\r\nA = 1\r\n[G1]\r\nX = x\r\n[G2]\r\nY = y\r\n[New]\r\nK = v\r\n"},
        {"non-ascii value as utf-8", L"", L"A", L"D:\\Sicherung \x00DC\x0431\\",
         kBom + "\r\n; note\r\nA = D:\\Sicherung \xC3\x9C\xD0\xB1\\\r\n[G1]\r\nX = x\r\n[G2]\r\nY = y\r\n"},
    };
    for (const Case& c : cases) {
        KeyValueFile file = FileFrom(source);
        SelectKeyValueGroup(file, c.group);
        WriteKeyValueText(file, c.key, c.value);
        EXPECT_TRUE(file.changed) << c.what;
        EXPECT_EQ(SerializeKeyValueLines(file.lines), c.bytes) << c.what;
        EXPECT_EQ(ReadKeyValueText(file, c.key, L"-"), c.value) << c.what;
    }
}

TEST(WriteKeyValueInteger, DecimalText) {
    KeyValueFile file;
    WriteKeyValueInteger(file, L"Language", 3);
    WriteKeyValueInteger(file, L"Offset", -12);
    EXPECT_EQ(SerializeKeyValueLines(file.lines), kBom + "\r\nLanguage = 3\r\nOffset = -12\r\n");
}

TEST(SerializeKeyValueLines, HandEditedAnsiFileAfterOneWrite) {
    KeyValueFile file = FileFrom(
        ";Settings by hand\n"
        "   bkupdir=C:\\Sicherungen f\xFCr Anna\\\n"
        "\n"
        "COMPRESSION   =  7\n"
        "language=2\n");
    EXPECT_EQ(ReadKeyValueText(file, L"BkUpDir", L""), L"C:\\Sicherungen f\x00FCr Anna\\");
    EXPECT_EQ(ReadKeyValueInteger(file, L"Compression", 0), 7);
    EXPECT_EQ(ReadKeyValueInteger(file, L"Language", 0), 2);
    WriteKeyValueInteger(file, L"CloseToTray", 1);
    EXPECT_EQ(SerializeKeyValueLines(file.lines),
              kBom + "\r\n"
                     "; Settings by hand\r\n"
                     "bkupdir = C:\\Sicherungen f\xC3\xBCr Anna\\\r\n"
                     "COMPRESSION = 7\r\n"
                     "language = 2\r\n"
                     "CloseToTray = 1\r\n");
}

TEST(DefaultSettingsBytes, ByteForByte) {
    EXPECT_EQ(DefaultSettingsBytes(),
              "\xEF\xBB\xBF\r\nBkUpDir = \r\nCloseToTray = 0\r\nCompression = 0\r\nOpenToTray = 0\r\n"
              "ReopenLM = 0\r\nStayOnTop = 0\r\nLanguage = 1\r\n");
}

}  // namespace
