// The backup started from the window (control 8, menu item 50): the close-the-client question, the dots, the result box.
#pragma once
#include <string>

// How long the mail client may take to go after "Yes, close it".
constexpr unsigned kClientGoneTimeoutMs = 5000;

void RunInteractiveBackup();

// The dots behind "Creating backup": they live as long as the program and
// carry on from one backup to the next.
std::wstring& ProgressDots();
// One timer tick's step: one dot more, and none again after the tenth.
std::wstring NextProgressDots(const std::wstring& dots);
