// 7-Zip's own percentage, read from its -bsp1 output as it comes through the pipe.
#include "engine/console/tool_progress.h"

namespace {

constexpr int kMostDigits = 3;

void BeginUpdate(ToolProgress& progress) {
    progress.atUpdateStart = true;
    progress.digits = 0;
    progress.value = 0;
}

}  // namespace

bool ReadToolProgress(ToolProgress& progress, const std::string& bytes) {
    const int before = progress.percent;
    for (char c : bytes) {
        if (c == '\b' || c == '\r' || c == '\n') {
            BeginUpdate(progress);
        } else if (!progress.atUpdateStart) {
            continue;
        } else if (c == ' ' && progress.digits == 0) {
            continue;  // the figure is right-aligned
        } else if (c >= '0' && c <= '9' && progress.digits < kMostDigits) {
            progress.value = progress.value * 10 + (c - '0');
            ++progress.digits;
        } else {
            if (c == '%' && progress.digits > 0 && progress.value <= 100) progress.percent = progress.value;
            progress.atUpdateStart = false;
        }
    }
    return progress.percent != before;
}

std::wstring TextWithPercent(const std::wstring& step, int percent) {
    return step + L" " + std::to_wstring(percent) + L" %";
}
