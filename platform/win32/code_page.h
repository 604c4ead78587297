// Code-page conversions of the Windows layer (UTF-8 and the ANSI code page).
#pragma once
#include <string>

std::wstring WideFromCodePage(unsigned codePage, const std::string& bytes);
std::string CodePageFromWide(unsigned codePage, const std::wstring& text);
