// Finding, ending and restarting the mail client.
#include "engine/guard/mail_client.h"

#include <vector>

#include "platform/process.h"
#include "platform/system.h"
#include "platform/text.h"

namespace {

constexpr std::uint32_t kGoneCheckIntervalMs = 100;
constexpr std::size_t kTitleChars = 259;  // what a 260-character title buffer holds

}  // namespace

std::wstring FindProcessIds(const std::wstring& exeName) {
    std::vector<ProcessEntry> processes;
    if (!ListProcesses(processes)) return L"";
    const std::wstring wanted = UpperAscii(exeName);
    std::wstring ids;
    for (const ProcessEntry& entry : processes) {
        if (UpperAscii(FileNameOf(entry.exeFile)) != wanted) continue;
        if (!ids.empty()) ids += L",";
        ids += std::to_wstring(static_cast<std::int32_t>(entry.id));
    }
    return ids;
}

std::uintptr_t FindWindowByTitle(const std::wstring& text) {
    const std::wstring wanted = UpperAscii(text);
    for (const TopLevelWindow& window : ListTopLevelWindows()) {
        const std::wstring title = UpperAscii(window.title.substr(0, kTitleChars));
        if (title.find(wanted) != std::wstring::npos) return window.id;
    }
    return 0;
}

void EndMailClient(bool waitForTaskkill) {
    StartOptions options;
    options.wait = waitForTaskkill;
    options.hidden = true;
    StartProgram(L"taskkill", L"/f /im larkmail.exe", options);
}

bool WaitUntilMailClientGone(std::uint32_t timeoutMs) {
    std::uint32_t waited = 0;
    for (;;) {
        if (FindProcessIds(L"larkmail.exe").empty()) return true;
        if (waited >= timeoutMs) return false;
        PauseMilliseconds(kGoneCheckIntervalMs);
        waited += kGoneCheckIntervalMs;
    }
}

void RestartMailClient() {
    StartProgram(L"larkmail.exe", L"", StartOptions{});
}
