// UTF-8 <-> UTF-16 conversion, the same on every platform. Invalid input
// becomes U+FFFD, never a crash.
#pragma once
#include <string>

std::string Utf8FromWide(const std::wstring& text);
std::wstring WideFromUtf8(const std::string& bytes);
// The text's UTF-16 units as bytes, low byte first, no BOM.
std::string Utf16LeFromWide(const std::wstring& text);
// ASCII-only upper-casing, for names the program compares.
std::wstring UpperAscii(std::wstring text);
