// Building the language table from the compiled texts and a language file, and looking texts up.
#include "config/language_table.h"

#include <algorithm>
#include <cstddef>

#include "config/key_value_file.h"
#include "platform/text.h"

namespace {

constexpr wchar_t kGroupMarker[] = L"_GROUP_";
constexpr wchar_t kEndMarker[] = L"_END_";
// Below every character of a key, so sorting "KEY\x01text" orders by key.
constexpr wchar_t kKeyTextSeparator = L'\x0001';

// The group the last look-up found. It survives rebuilds on purpose: the
// groups always come from the compiled texts, so their numbers never change.
std::int32_t currentGroup = 0;

// Initials index 256 slots; a key starting above U+00FF has no slot of its own.
bool HasInitialSlot(const std::wstring& key) {
    return !key.empty() && static_cast<std::uint32_t>(key[0]) < 0x100u;
}

void CountDefaultTexts(const std::vector<const wchar_t*>& pairs, std::int32_t& groups, std::int32_t& entries) {
    groups = 0;
    entries = 0;
    for (std::size_t i = 0; i + 1 < pairs.size(); i += 2) {
        const std::wstring first = UpperAscii(pairs[i]);
        if (first == kGroupMarker) {
            ++groups;
        } else if (first == kEndMarker) {
            return;
        } else {
            ++entries;
        }
    }
}

void FillDefaultTexts(LanguageTable& table, const std::vector<const wchar_t*>& pairs) {
    std::int32_t group = 0;
    std::int32_t entry = 0;
    bool ended = false;
    for (std::size_t i = 0; i + 1 < pairs.size() && !ended; i += 2) {
        const std::wstring first = UpperAscii(pairs[i]);
        if (first == kGroupMarker) {
            table.groups[group].lastEntry = entry;
            ++group;
            LanguageGroup& opened = table.groups[group];
            opened.name = UpperAscii(pairs[i + 1]);
            opened.firstEntry = entry + 1;
            std::fill(std::begin(opened.firstByInitial), std::end(opened.firstByInitial), 0);
        } else if (first == kEndMarker) {
            ended = true;
        } else {
            ++entry;
            table.keys[entry] = first + kKeyTextSeparator + pairs[i + 1];
        }
    }
    table.groups[group].lastEntry = entry;
}

void SortGroup(LanguageTable& table, LanguageGroup& group) {
    std::sort(table.keys.begin() + group.firstEntry, table.keys.begin() + group.lastEntry + 1);
    std::uint32_t previousInitial = 0;
    for (std::int32_t i = group.firstEntry; i <= group.lastEntry; ++i) {
        const std::wstring joined = table.keys[i];
        const std::size_t cut = joined.find(kKeyTextSeparator);
        table.keys[i] = joined.substr(0, cut);
        table.texts[i] = cut == std::wstring::npos ? std::wstring() : joined.substr(cut + 1);
        if (table.keys[i].empty()) continue;
        const std::uint32_t initial = static_cast<std::uint32_t>(table.keys[i][0]) & 0xFFu;
        if (initial != previousInitial) {
            previousInitial = initial;
            group.firstByInitial[initial] = i;
        }
    }
}

void OverlayLanguageFile(LanguageTable& table, const std::wstring& filePath) {
    KeyValueFile file;
    if (OpenKeyValueFile(file, filePath)) {
        for (std::int32_t g = 1; g <= table.groupCount; ++g) {
            const LanguageGroup& group = table.groups[g];
            if (group.firstEntry > group.lastEntry) continue;
            SelectKeyValueGroup(file, group.name);
            for (std::int32_t i = group.firstEntry; i <= group.lastEntry; ++i) {
                table.texts[i] = ReadKeyValueText(file, table.keys[i], table.texts[i]);
            }
        }
    }
    CloseKeyValueFile(file);
}

}  // namespace

bool LoadLanguageTable(LanguageTable& table, const std::wstring& filePath) {
    table = LanguageTable{};
    const std::vector<const wchar_t*>& pairs = DefaultLanguageTexts();
    CountDefaultTexts(pairs, table.groupCount, table.entryCount);
    table.groups.resize(static_cast<std::size_t>(table.groupCount) + 1);
    table.texts.resize(static_cast<std::size_t>(table.entryCount) + 1);
    table.keys.resize(static_cast<std::size_t>(table.entryCount) + 1);
    FillDefaultTexts(table, pairs);
    for (std::int32_t g = 1; g <= table.groupCount; ++g) {
        LanguageGroup& group = table.groups[g];
        if (group.firstEntry <= group.lastEntry) SortGroup(table, group);
    }
    if (!filePath.empty()) OverlayLanguageFile(table, filePath);
    return true;
}

LanguageTable& ProcessLanguageTable() {
    static LanguageTable table;
    return table;
}

std::wstring LookUpText(const std::wstring& group, const std::wstring& key) {
    const LanguageTable& table = ProcessLanguageTable();
    const std::wstring wantedGroup = UpperAscii(group);
    const std::wstring wantedKey = UpperAscii(key);
    std::wstring result = kTextNotFound;
    if (table.groups.empty()) return result;  // not loaded yet
    if (currentGroup < 0 || currentGroup > table.groupCount) currentGroup = 0;

    if (table.groups[currentGroup].name != wantedGroup) {
        currentGroup = 0;
        for (std::int32_t g = 1; g <= table.groupCount; ++g) {
            if (table.groups[g].name == wantedGroup) {
                currentGroup = g;
                break;
            }
        }
    }
    if (currentGroup == 0 || !HasInitialSlot(wantedKey)) return result;

    const LanguageGroup& found = table.groups[currentGroup];
    for (std::int32_t i = found.firstByInitial[wantedKey[0]]; i != 0 && i <= found.lastEntry; ++i) {
        const int order = wantedKey.compare(table.keys[i]);
        if (order == 0) {
            result = table.texts[i];
            break;
        }
        if (order < 0) break;
    }
    return result;
}

std::wstring FillPlaceholder(const std::wstring& text, const std::wstring& value) {
    std::wstring filled = text;
    const std::size_t at = filled.find(L"%1");
    if (at != std::wstring::npos) filled.replace(at, 2, value);
    return filled;
}

std::wstring FillPlaceholders(const std::wstring& text, const std::vector<std::wstring>& values) {
    std::wstring filled;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const std::size_t index = i + 1 < text.size() ? static_cast<std::size_t>(text[i + 1] - L'1') : values.size();
        if (text[i] == L'%' && index < values.size() && index < 9) {
            filled += values[index];
            ++i;
        } else {
            filled += text[i];
        }
    }
    return filled;
}

std::wstring FillPlaceholders(const std::wstring& text, const std::wstring& first, const std::wstring& second) {
    return FillPlaceholders(text, std::vector<std::wstring>{first, second});
}
