// UTF-8 <-> UTF-16 conversion, the same on every platform. Invalid input
// becomes U+FFFD, never a crash.
#pragma once
#include <string>

std::string Utf8FromWide(const std::wstring& text);
std::wstring WideFromUtf8(const std::string& bytes);
// ASCII-only upper-casing, for names the program compares.
std::wstring UpperAscii(std::wstring text);
// Upper-cased as Windows compares file names with letter case ignored
// (CompareStringOrdinal's table): every script, one code unit for one, so
// two names are the same to Windows exactly when their keys are equal.
std::wstring UpperAsWindows(std::wstring text);
