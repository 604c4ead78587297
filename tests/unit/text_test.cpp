// UTF-8 <-> UTF-16: surrogate pairs, damaged input as U+FFFD, ASCII-only upper case.
#include "platform/text.h"

#include <gtest/gtest.h>

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
