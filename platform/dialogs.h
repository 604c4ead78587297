// Message boxes and the system's requesters.
#pragma once
#include <string>

// Standard message-box types the program uses.
constexpr unsigned kBoxPlain = 0x00;
constexpr unsigned kBoxErrorOk = 0x10;
constexpr unsigned kBoxErrorYesNo = 0x14;
constexpr unsigned kBoxQuestionYesNo = 0x24;
constexpr unsigned kBoxExclamationOk = 0x30;
constexpr unsigned kBoxWarningYesNo = 0x34;
constexpr unsigned kBoxInformationOk = 0x40;

// True only when the user answered Yes.
bool ShowMessageBox(const std::wstring& title, const std::wstring& text, unsigned type);
