// UTF-8 <-> UTF-16: surrogate pairs, damaged input as U+FFFD, ASCII-only upper case, letter case as Windows ignores it.
#include "platform/text.h"

#include <gtest/gtest.h>

#include "platform/files.h"

namespace {

TEST(Utf8FromWide, EncodesEveryRange) {
    struct Case {
        std::wstring text;
        std::string bytes;
    };
    const Case cases[] = {
        {L"", ""},
        {L"abc", "abc"},
        {L"\x00E9", "\xC3\xA9"},
        {L"\x20AC", "\xE2\x82\xAC"},
        {L"\xD83D\xDE00", "\xF0\x9F\x98\x80"},  // surrogate pair
        {L"\xD83D", "\xEF\xBF\xBD"},            // lone high surrogate
        {L"\xDE00x", "\xEF\xBF\xBDx"},          // lone low surrogate
        {L"\xD83D" L"a", "\xEF\xBF\xBD" "a"},
    };
    for (const Case& c : cases) EXPECT_EQ(Utf8FromWide(c.text), c.bytes) << c.bytes;
}

TEST(WideFromUtf8, DecodesAndReplacesDamage) {
    struct Case {
        const char* what;
        std::string bytes;
        std::wstring text;
    };
    const Case cases[] = {
        {"ascii", "abc", L"abc"},
        {"two bytes", "\xC3\xA9", L"\x00E9"},
        {"three bytes", "\xE2\x82\xAC", L"\x20AC"},
        {"four bytes become a pair", "\xF0\x9F\x98\x80", L"\xD83D\xDE00"},
        {"highest", "\xF4\x8F\xBF\xBF", L"\xDBFF\xDFFF"},
        {"stray continuation", "\x80" "a", L"\xFFFD" L"a"},
        {"invalid lead", "\xFF\xFE", L"\xFFFD\xFFFD"},
        {"truncated at end", "a\xE2\x82", L"a\xFFFD"},
        {"truncated before ascii", "\xE2\x82" "b", L"\xFFFD" L"b"},
        {"overlong two bytes", "\xC0\xAF", L"\xFFFD\xFFFD"},
        {"overlong three bytes", "\xE0\x80\xAF", L"\xFFFD\xFFFD\xFFFD"},
        {"encoded surrogate", "\xED\xA0\x80", L"\xFFFD\xFFFD\xFFFD"},
        {"above U+10FFFF", "\xF4\x90\x80\x80", L"\xFFFD\xFFFD\xFFFD\xFFFD"},
        {"nul kept", std::string("a\0b", 3), std::wstring(L"a\0b", 3)},
    };
    for (const Case& c : cases) EXPECT_EQ(WideFromUtf8(c.bytes), c.text) << c.what;
}

TEST(WideFromUtf8, RoundTripsText) {
    const std::wstring text = L"D:\\Sicherung \x00DC\x0431\x20AC\xD83D\xDE00\\";
    EXPECT_EQ(WideFromUtf8(Utf8FromWide(text)), text);
}

TEST(Utf16LeFromWide, LowByteFirstPairsKept) {
    EXPECT_EQ(Utf16LeFromWide(L""), "");
    EXPECT_EQ(Utf16LeFromWide(L"A\x0431"), std::string("A\0\x31\x04", 4));
    EXPECT_EQ(Utf16LeFromWide(L"\xD83D\xDE00"), std::string("\x3D\xD8\x00\xDE", 4));
}

TEST(UpperAscii, OnlyAsciiLetters) {
    EXPECT_EQ(UpperAscii(L"misc appRunning_9"), L"MISC APPRUNNING_9");
    EXPECT_EQ(UpperAscii(L"\x00E9\x0431z"), L"\x00E9\x0431Z");
}

// Keys agree with the file system's own comparison (CompareStringOrdinal under Wine) in every script.
TEST(UpperAsWindows, EqualKeysExactlyForNamesWindowsTakesAsOne) {
    struct Case {
        std::wstring a, b;
        bool same;
    };
    const Case cases[] = {
        {L"Larkmail\\Mail", L"LARKMAIL\\mail", true},
        {L"\x00C4rger \x00E9t\x00E9 \x00F8", L"\x00E4RGER \x00C9T\x00C9 \x00D8", true},        // Latin-1
        {L"\x0141\x00F3\x017A", L"\x0142\x00D3\x0179", true},                                // Latin Extended-A
        {L"\x03B1\x03B2\x03C3", L"\x0391\x0392\x03A3", true},                                // Greek
        {L"\x043F\x043E\x0447\x0442\x0430 \x0451", L"\x041F\x041E\x0427\x0422\x0410 \x0401", true},  // Cyrillic
        {L"\x0561\x0562", L"\x0531\x0532", true},                                              // Armenian
        {L"\xFF41\xFF42", L"\xFF21\xFF22", true},                                              // full width
        {L"stra\u00DFe", L"STRASSE", false},  // one code unit for one
        {L"\x00E4", L"a", false},
        {L"Larkmail", L"Larkmail2", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(UpperAsWindows(c.a) == UpperAsWindows(c.b), c.same) << c.b;
        EXPECT_EQ(SamePathText(c.a, c.b), c.same) << c.b;
        EXPECT_EQ(UpperAsWindows(c.a).size(), c.a.size()) << c.a;
    }
}

TEST(PathText, SeparatorsTrimmedAndJoined) {
    struct Case {
        std::wstring path;
        std::size_t keep;
        std::wstring trimmed;
    };
    const Case cases[] = {
        {L"C:\\Backups\\", 0, L"C:\\Backups"},
        {L"C:\\Backups\\/\\", 0, L"C:\\Backups"},
        {L"\\", 0, L""},
        {L"\\", 1, L"\\"},
        {L"C:\\", 3, L"C:\\"},
        {L"C:\\", 0, L"C:"},
        {L"a/b", 0, L"a/b"},
    };
    for (const Case& c : cases) EXPECT_EQ(WithoutTrailingSeparators(c.path, c.keep), c.trimmed) << c.path;
    EXPECT_EQ(WindowsSeparators(L"Larkmail/Mail/a.eml"), L"Larkmail\\Mail\\a.eml");
    EXPECT_EQ(JoinPath(L"C:\\B", L"x.7z"), L"C:\\B\\x.7z");
    EXPECT_EQ(JoinPath(L"C:\\", L"x.7z"), L"C:\\x.7z");
    EXPECT_EQ(JoinPath(L"", L"x.7z"), L"\\x.7z");
    EXPECT_EQ(FileNameOf(L"D:\\B/x\\y.7z"), L"y.7z");
    EXPECT_EQ(FileNameOf(L"y.7z"), L"y.7z");
    EXPECT_EQ(FileNameOf(L"D:\\B\\"), L"");
}

}  // namespace
