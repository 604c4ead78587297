// Splitting the command line and telling the unattended run from the interactive one.
#include "app/command_line.h"

std::vector<std::wstring> SplitCommandLine(const std::wstring& text) {
    std::vector<std::wstring> arguments;
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && (text[i] == L' ' || text[i] == L'\t')) ++i;
        if (i == text.size()) break;
        std::wstring argument;
        bool quoted = false;
        for (; i < text.size(); ++i) {
            const wchar_t c = text[i];
            if (c == L'"') {
                quoted = !quoted;
            } else if (!quoted && (c == L' ' || c == L'\t')) {
                break;
            } else {
                argument += c;
            }
        }
        arguments.push_back(argument);
    }
    return arguments;
}

bool IsUnattendedRequest(const std::vector<std::wstring>& arguments) {
    return !arguments.empty() && arguments[0].compare(0, 2, L"/b") == 0;
}
