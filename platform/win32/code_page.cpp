// Code-page conversions of the Windows layer (UTF-8 and the ANSI code page).
#include "platform/win32/code_page.h"

#include <windows.h>

#include <climits>

std::wstring WideFromCodePage(unsigned codePage, const std::string& bytes) {
    if (bytes.empty() || bytes.size() > INT_MAX) return {};
    int length = MultiByteToWideChar(codePage, 0, bytes.data(), (int)bytes.size(), nullptr, 0);
    if (length <= 0) return {};
    std::wstring text(length, L'\0');
    MultiByteToWideChar(codePage, 0, bytes.data(), (int)bytes.size(), &text[0], length);
    return text;
}

std::string CodePageFromWide(unsigned codePage, const std::wstring& text) {
    if (text.empty() || text.size() > INT_MAX) return {};
    int length = WideCharToMultiByte(codePage, 0, text.data(), (int)text.size(), nullptr, 0, nullptr, nullptr);
    if (length <= 0) return {};
    std::string bytes(length, '\0');
    WideCharToMultiByte(codePage, 0, text.data(), (int)text.size(), &bytes[0], length, nullptr, nullptr);
    return bytes;
}
