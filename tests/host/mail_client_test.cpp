// Finding, ending and restarting the mail client over the fake platform.
#include "engine/guard/mail_client.h"

#include <gtest/gtest.h>

#include "platform/fake/fake_platform.h"

namespace {

class MailClientTest : public ::testing::Test {
protected:
    void SetUp() override { ResetFakePlatform(); }
};

TEST_F(MailClientTest, FindProcessIdsMatchesWholeFileNameAnyCase) {
    struct Case {
        const char* what;
        std::vector<ProcessEntry> processes;
        std::wstring expected;
    };
    const Case cases[] = {
        {"none", {}, L""},
        {"bare lower", {{4312, L"larkmail.exe"}}, L"4312"},
        {"upper", {{4312, L"LARKMAIL.EXE"}}, L"4312"},
        {"two, in list order",
         {{4312, L"C:\\Program Files\\Larkmail\\larkmail.exe"}, {77, L"explorer.exe"}, {5120, L"LarkMail.Exe"}},
         L"4312,5120"},
        {"forward slash path", {{9, L"C:/Apps/Larkmail.exe"}}, L"9"},
        {"longer names do not match",
         {{1, L"notlarkmail.exe"}, {2, L"larkmail.exe.bak"}, {3, L"Larkmail.exe2"}, {4, L"larkmail"},
          {5, L"C:\\Larkmail.exe\\other.exe"}, {6, L"larkmail.exe "}},
         L""},
        {"id as signed decimal", {{0xFFFFFFFFu, L"larkmail.exe"}}, L"-1"},
    };
    for (const Case& c : cases) {
        SetFakeProcesses(c.processes);
        EXPECT_EQ(FindProcessIds(L"Larkmail.exe"), c.expected) << c.what;
    }
}

TEST_F(MailClientTest, FindProcessIdsIsEmptyWhenTheListFails) {
    SetFakeProcesses({{4312, L"larkmail.exe"}});
    SetFakeProcessListFails(true);
    EXPECT_EQ(FindProcessIds(L"Larkmail.exe"), L"");
}

TEST_F(MailClientTest, FindWindowByTitleContainsIgnoringCase) {
    struct Case {
        const char* what;
        std::vector<TopLevelWindow> windows;
        std::uintptr_t expected;
    };
    const Case cases[] = {
        {"none", {}, 0},
        {"no match", {{1, L"Untitled - Notepad"}, {2, L""}, {3, L"Lark mail"}}, 0},
        {"client", {{1, L"Notepad"}, {2, L"Inbox - Larkmail"}}, 2},
        {"any case", {{5, L"LARKMAIL"}, {6, L"larkmail - Inbox"}}, 5},
        {"our own window counts", {{8, L"Larkmail Backup"}}, 8},
        {"first of two", {{3, L"xlarkmailx"}, {4, L"Larkmail - Inbox"}}, 3},
    };
    for (const Case& c : cases) {
        SetFakeWindows(c.windows);
        EXPECT_EQ(FindWindowByTitle(L"Larkmail"), c.expected) << c.what;
    }
}

TEST_F(MailClientTest, FindWindowByTitleSearchesEveryWindow) {
    std::vector<TopLevelWindow> windows;
    for (std::uintptr_t id = 1; id <= 3000; ++id) windows.push_back({id, L"Window " + std::to_wstring(id)});
    windows.push_back({4242, L"Larkmail - Inbox"});
    SetFakeWindows(windows);
    EXPECT_EQ(FindWindowByTitle(L"Larkmail"), 4242u);
}

TEST_F(MailClientTest, TaskkillAndRestartCommandLines) {
    EndMailClient(true);
    EndMailClient(false);
    RestartMailClient();
    const std::vector<FakeStart> starts = FakeStarts();
    ASSERT_EQ(starts.size(), 3u);
    EXPECT_EQ(starts[0].commandLine, L"\"taskkill\" /f /im larkmail.exe");
    EXPECT_TRUE(starts[0].options.hidden);
    EXPECT_TRUE(starts[0].options.wait);
    EXPECT_FALSE(starts[0].options.keepHandle);
    EXPECT_EQ(starts[1].commandLine, L"\"taskkill\" /f /im larkmail.exe");
    EXPECT_FALSE(starts[1].options.wait);
    EXPECT_EQ(starts[2].commandLine, L"\"larkmail.exe\" ");
    EXPECT_FALSE(starts[2].options.hidden);
    EXPECT_FALSE(starts[2].options.wait);
    EXPECT_FALSE(starts[2].options.keepHandle);
    EXPECT_TRUE(starts[2].options.workingFolder.empty());
}

TEST_F(MailClientTest, WaitUntilGoneIsBounded) {
    SetFakeProcesses({{4312, L"larkmail.exe"}});
    EXPECT_FALSE(WaitUntilMailClientGone(3000));
    EXPECT_GE(FakePausedMilliseconds(), 3000u);
    EXPECT_LE(FakePausedMilliseconds(), 3200u);
}

TEST_F(MailClientTest, WaitUntilGoneReturnsAtOnceWhenNoneRuns) {
    SetFakeProcesses({{77, L"explorer.exe"}});
    EXPECT_TRUE(WaitUntilMailClientGone(3000));
    EXPECT_EQ(FakePausedMilliseconds(), 0u);
}

TEST_F(MailClientTest, WaitUntilGoneSeesTheClientLeave) {
    SetFakeProcesses({{4312, L"larkmail.exe"}});
    FakeProgramScript script;
    script.onStart = [] { SetFakeProcesses({}); };
    ScriptFakeProgram(L"\"taskkill\"", script);
    EndMailClient(true);
    EXPECT_TRUE(WaitUntilMailClientGone(3000));
}

}  // namespace
