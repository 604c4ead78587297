// A failed run without a window, or one that found a damaged full or whose second copy is pending, tells the user through a tray balloon of its own.
#pragma once
#include <cstdint>

#include "engine/report/last_backup.h"

constexpr std::uint32_t kFailureNoticeMs = 15000;

// Tray icon with the short tool tip and an error balloon holding the reason
// (for a saved night, its notes and why its second copy is pending),
// for kFailureNoticeMs or until the user clicks the icon or the balloon;
// the icon is gone when this returns.
void ShowFailureNotice(const LastBackup& attempt);
