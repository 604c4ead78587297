// What a backup or restore needs from the window while 7-Zip works; a run without a window leaves both empty.
#pragma once
#include <functional>
#include <string>

#include "engine/console/tool_watch.h"
#include "platform/process.h"

struct JobWindow {
    void (*showStatus)(const std::wstring& text) = nullptr;
    // Returns once `tool` has ended, keeping the window painted meanwhile and
    // giving `watch` each wake-up (WatchTool), its waits bounded by
    // ToolWatchWaitMs, so a tool that stands still is ended.
    // `sideWork` (may be empty) is a short piece of the job's own work, called
    // after each wake-up and again at once while it answers true (it did
    // something); answering false it waits for 7-Zip to write or end.
    void (*waitForTool)(ProgramHandle tool, ToolWatch& watch, const std::function<bool()>& sideWork) = nullptr;
    // For a tool whose output comes only at its end (a listing): returns
    // once `tool` has ended (true) or `timeoutMs` has passed, keeping the
    // window painted meanwhile; input that came is dropped.
    bool (*waitForEnd)(ProgramHandle tool, std::uint32_t timeoutMs) = nullptr;
    // Between pieces of the job's own long work (a copy): the window repaints,
    // input that came meanwhile is dropped.
    void (*keepAlive)() = nullptr;
};
