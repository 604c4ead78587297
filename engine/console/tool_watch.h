// Whether 7-Zip still moves: its percentage against the clock, and ending it once it has stood still too long.
#pragma once
#include <cstdint>

#include "engine/console/tool_messages.h"
#include "engine/console/tool_progress.h"
#include "platform/process.h"

// 7-Zip packing one huge file at level 9 can go minutes without a new
// figure; half an hour without one is a hang.
constexpr std::uint64_t kToolSilenceLimitMs = 30ull * 60 * 1000;

struct ToolWatch {
    ToolProgress progress;
    std::uint64_t changedAtMs = 0;  // the figure's last change, or the start
    std::uint64_t limitMs = kToolSilenceLimitMs;
    bool hung = false;  // ended here for standing still
    ToolMessages messages;
};
// From now. The environment's LARKMAILBACKUP_TEST_SILENCE_SECONDS may only
// shorten the limit: the tests' hanging 7-Zip must not take half an hour.
ToolWatch StartToolWatch();
// Takes the tool's new output (its figure and its messages). Ends the tool (`hung`) once the figure has
// stood still for the limit. True when the figure changed.
bool WatchTool(ToolWatch& watch, ProgramHandle tool);
// How long a wait on the tool may block before the watch must look again.
std::uint32_t ToolWatchWaitMs(const ToolWatch& watch);
