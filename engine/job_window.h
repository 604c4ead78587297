// What a backup or restore needs from the window while 7-Zip works; a run without a window leaves both empty.
#pragma once
#include <string>

#include "platform/process.h"

struct JobWindow {
    void (*showStatus)(const std::wstring& text) = nullptr;
    // Returns once `tool` has ended, keeping the window painted meanwhile.
    void (*waitForTool)(ProgramHandle tool) = nullptr;
};
