// Splitting the command line and telling the two modes apart.
#pragma once
#include <string>
#include <vector>

// Blanks separate arguments; a pair of double quotes groups and is removed.
// The program name is not part of `text`.
std::vector<std::wstring> SplitCommandLine(const std::wstring& text);
// The first argument begins with exactly "/b" (case-sensitive).
bool IsUnattendedRequest(const std::vector<std::wstring>& arguments);
