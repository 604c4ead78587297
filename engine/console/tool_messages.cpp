// What 7-Zip says besides its percentage: the files it could not read, and a password it refused.
#include "engine/console/tool_messages.h"

#include "platform/system.h"
#include "platform/text.h"

namespace {

// Longer than any path 7-Zip names: a line past it is nothing this reads.
constexpr std::size_t kLongestLine = 70000;

bool StartsWith(const std::string& text, const char* prefix) {
    return text.compare(0, std::char_traits<char>::length(prefix), prefix) == 0;
}

// "WARNING: Cannot open 3 files" -> 3; -1 for any other line.
int ReadCannotOpenCount(const std::string& line) {
    const char* const prefix = "WARNING: Cannot open ";
    if (!StartsWith(line, prefix)) return -1;
    long count = 0;
    std::size_t i = std::char_traits<char>::length(prefix);
    const std::size_t first = i;
    for (; i < line.size() && line[i] >= '0' && line[i] <= '9' && count < 100000000; ++i)
        count = count * 10 + (line[i] - '0');
    return i == first ? -1 : static_cast<int>(count);
}

void TakeLine(ToolMessages& messages, const std::string& line) {
    if (line.find("Wrong password") != std::string::npos) messages.wrongPassword = true;
    if (line == "WARNINGS for files:" || line == "Scan WARNINGS for files and folders:") {
        messages.inFileList = true;
        return;
    }
    if (StartsWith(line, "----------------")) {
        messages.inFileList = false;
        return;
    }
    const int stated = ReadCannotOpenCount(line);
    if (stated > messages.unreadCount) messages.unreadCount = stated;
    if (!messages.inFileList) return;
    const std::size_t mark = line.find(" : ");
    if (mark == 0 || mark == std::string::npos) return;
    ++messages.unreadCount;
    if (messages.unreadFiles.size() >= kMostNamedUnreadFiles) return;
    const std::string path = line.substr(0, mark);
    messages.unreadFiles.push_back(messages.utf8 ? WideFromUtf8(path) : WideFromOem(path));
}

}  // namespace

void ReadToolMessages(ToolMessages& messages, const std::string& bytes) {
    for (char c : bytes) {
        if (c == '\r' || c == '\n' || c == '\b') {
            if (!messages.line.empty()) TakeLine(messages, messages.line);
            messages.line.clear();
        } else if (messages.line.size() < kLongestLine) {
            messages.line += c;
        }
    }
}
