// The language table: English texts compiled in, overlaid by a language file.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct LanguageGroup {
    std::wstring name;  // upper case
    std::int32_t firstEntry = 0;
    std::int32_t lastEntry = -1;
    std::int32_t firstByInitial[256] = {};
};

struct LanguageTable {
    std::int32_t groupCount = 0;
    std::int32_t entryCount = 0;
    std::vector<LanguageGroup> groups;  // 0..groupCount, slot 0 unused
    std::vector<std::wstring> texts;    // 0..entryCount, slot 0 unused
    std::vector<std::wstring> keys;     // upper-case keys, same slots
};

constexpr wchar_t kTextNotFound[] = L"##### String not found! #####";

// The default table as compiled, front to back in pairs.
const std::vector<const wchar_t*>& DefaultLanguageTexts();

bool LoadLanguageTable(LanguageTable& table, const std::wstring& filePath);
// The process's one table.
LanguageTable& ProcessLanguageTable();
// Looks up in the process's table.
std::wstring LookUpText(const std::wstring& group, const std::wstring& key);
// The text with "%1" replaced by `value`.
std::wstring FillPlaceholder(const std::wstring& text, const std::wstring& value);
// Every "%1" .. "%9" replaced by its value, in one pass, so a value that itself
// holds "%2" (a folder may) stays as it is; a mark without a value stays too.
std::wstring FillPlaceholders(const std::wstring& text, const std::vector<std::wstring>& values);
// "%1" and "%2" replaced in one pass, so a value that itself holds "%2" (a folder may) stays as it is.
std::wstring FillPlaceholders(const std::wstring& text, const std::wstring& first, const std::wstring& second);
