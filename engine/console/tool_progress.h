// 7-Zip's own percentage, read from its -bsp1 output as it comes through the pipe.
#pragma once
#include <string>

// Each update erases the one before with backspaces and begins with the
// figure, as "  42% 12 + Mail\a.msg"; a figure elsewhere (a file name) is no update.
struct ToolProgress {
    int percent = -1;  // -1: no figure yet
    bool atUpdateStart = true;
    int digits = 0;
    int value = 0;
};
// Pieces may end anywhere, even inside a figure. True when the figure changed.
bool ReadToolProgress(ToolProgress& progress, const std::string& bytes);
// "Creating backup" and 42 -> "Creating backup 42 %".
std::wstring TextWithPercent(const std::wstring& step, int percent);
