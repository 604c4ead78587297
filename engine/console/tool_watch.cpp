// Whether 7-Zip still moves: its percentage against the clock, and ending it once it has stood still too long.
#include "engine/console/tool_watch.h"

#include <string>

#include "platform/system.h"

namespace {

// Once ended, the tool's end is looked for each second rather than in a busy loop.
constexpr std::uint32_t kEndingLookMs = 1000;

std::uint64_t TestLimitMs() {
    const std::wstring text = ReadEnvironmentText(L"LARKMAILBACKUP_TEST_SILENCE_SECONDS");
    if (text.empty() || text.size() > 6) return 0;
    std::uint64_t seconds = 0;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9') return 0;
        seconds = seconds * 10 + static_cast<std::uint64_t>(c - L'0');
    }
    return seconds * 1000;
}

}  // namespace

ToolWatch StartToolWatch() {
    ToolWatch watch;
    watch.changedAtMs = ReadTickMilliseconds();
    const std::uint64_t test = TestLimitMs();
    if (test > 0 && test < watch.limitMs) watch.limitMs = test;
    return watch;
}

bool WatchTool(ToolWatch& watch, ProgramHandle tool) {
    const std::uint64_t now = ReadTickMilliseconds();
    const std::string output = TakeProgramOutput(tool);
    ReadToolMessages(watch.messages, output);
    const bool changed = ReadToolProgress(watch.progress, output);
    if (changed) watch.changedAtMs = now;
    if (!watch.hung && now - watch.changedAtMs >= watch.limitMs && ProgramRunning(tool)) {
        EndProgram(tool);
        watch.hung = true;
    }
    return changed;
}

std::uint32_t ToolWatchWaitMs(const ToolWatch& watch) {
    if (watch.hung) return kEndingLookMs;
    const std::uint64_t now = ReadTickMilliseconds();
    const std::uint64_t due = watch.changedAtMs + watch.limitMs;
    return due > now ? static_cast<std::uint32_t>(due - now) : 0;
}
