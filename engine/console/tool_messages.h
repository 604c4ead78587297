// What 7-Zip says besides its percentage: the files it could not read, and a password it refused.
#pragma once
#include <string>
#include <vector>

// How many unread files a run keeps by name; the count goes on.
constexpr std::size_t kMostNamedUnreadFiles = 10;

// 7-Zip ends a run that could not open some files with their list, one
// "<path> : <system message>" a line between "WARNINGS for files:" (or
// "Scan WARNINGS for files and folders:") and "----------------", then
// "WARNING: Cannot open <n> file(s)". The message is the system's and
// differs by language and system ("Sharing violation." under Wine), so only
// the path before " : " is taken.
struct ToolMessages {
    bool utf8 = false;      // -sccUTF-8 given; otherwise 7-Zip writes the OEM code page
    std::string line;       // the line being read, at most a path's length
    bool inFileList = false;
    std::vector<std::wstring> unreadFiles;  // the first kMostNamedUnreadFiles, as 7-Zip names them
    int unreadCount = 0;
    bool wrongPassword = false;  // "Wrong password?" anywhere: a password that does not open the archive
};
// Pieces may end anywhere, even inside a line; percentage updates (ended by
// CR or backspaces) are lines of their own and match nothing.
void ReadToolMessages(ToolMessages& messages, const std::string& bytes);
