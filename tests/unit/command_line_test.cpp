// Splitting the command line and the case-sensitive "/b" test.
#include "app/command_line.h"

#include <gtest/gtest.h>

namespace {

TEST(SplitCommandLine, BlanksSeparateQuotesGroup) {
    struct Case {
        const wchar_t* text;
        std::vector<std::wstring> arguments;
    };
    const Case cases[] = {
        {L"", {}},
        {L"   ", {}},
        {L"/b", {L"/b"}},
        {L"  /b   extra  ", {L"/b", L"extra"}},
        {L"\"a b\" c", {L"a b", L"c"}},
        {L"x\"y z\"w", {L"xy zw"}},
        {L"\"\"", {L""}},
        {L"\"\" /b", {L"", L"/b"}},
        {L"\"open", {L"open"}},
        {L"C:\\a\\ b", {L"C:\\a\\", L"b"}},
    };
    for (const Case& c : cases) EXPECT_EQ(SplitCommandLine(c.text), c.arguments) << c.text;
}

TEST(IsUnattendedRequest, FirstTwoCharactersExactly) {
    struct Case {
        std::vector<std::wstring> arguments;
        bool unattended;
    };
    const Case cases[] = {
        {{}, false},
        {{L""}, false},
        {{L"/b"}, true},
        {{L"/backup-now"}, true},
        {{L"/B"}, false},
        {{L"-b"}, false},
        {{L"/"}, false},
        {{L" /b"}, false},
        {{L"x", L"/b"}, false},
        {{L"/b", L"x", L"y"}, true},
        {{L"", L"/b"}, false},
    };
    for (const Case& c : cases) {
        const std::wstring first = c.arguments.empty() ? L"<none>" : c.arguments[0];
        EXPECT_EQ(IsUnattendedRequest(c.arguments), c.unattended) << first;
    }
}

}  // namespace
