// The settings file "lmbackup.prefs": its defaults and one open, use, close cycle per access.
#include "config/settings.h"

#include "config/key_value_file.h"
#include "platform/files.h"

namespace {

struct DefaultEntry {
    const wchar_t* key;
    const wchar_t* value;
};

// In the order a new file lists them.
const DefaultEntry kDefaults[] = {
    {L"BkUpDir", L""},   {L"CloseToTray", L"0"}, {L"Compression", L"0"}, {L"OpenToTray", L"0"},
    {L"ReopenLM", L"0"}, {L"StayOnTop", L"0"},   {L"Language", L"1"},
};

}  // namespace

std::string DefaultSettingsBytes() {
    KeyValueFile file;
    for (const DefaultEntry& entry : kDefaults) WriteKeyValueText(file, entry.key, entry.value);
    return SerializeKeyValueLines(file.lines);
}

void EnsureSettingsFile() {
    KeyValueFile file;
    if (OpenKeyValueFile(file, kSettingsFileName)) {
        CloseKeyValueFile(file);
        return;
    }
    CreateKeyValueFile(file, kSettingsFileName);
    for (const DefaultEntry& entry : kDefaults) WriteKeyValueText(file, entry.key, entry.value);
    CloseKeyValueFile(file);
}

Settings ReadAllSettings() {
    KeyValueFile file;
    OpenKeyValueFile(file, kSettingsFileName);
    Settings settings;
    settings.bkUpDir = ReadKeyValueText(file, L"BkUpDir", L"");
    settings.closeToTray = ReadKeyValueInteger(file, L"CloseToTray", 0);
    settings.compression = ReadKeyValueInteger(file, L"Compression", 0);
    settings.openToTray = ReadKeyValueInteger(file, L"OpenToTray", 0);
    settings.reopenLM = ReadKeyValueInteger(file, L"ReopenLM", 0);
    settings.stayOnTop = ReadKeyValueInteger(file, L"StayOnTop", 0);
    settings.language = ReadKeyValueInteger(file, L"Language", 0);
    CloseKeyValueFile(file);
    return settings;
}

std::wstring ReadSettingText(const std::wstring& key, const std::wstring& fallback) {
    KeyValueFile file;
    OpenKeyValueFile(file, kSettingsFileName);
    const std::wstring value = ReadKeyValueText(file, key, fallback);
    CloseKeyValueFile(file);
    return value;
}

int ReadSettingInteger(const std::wstring& key, int fallback) {
    KeyValueFile file;
    OpenKeyValueFile(file, kSettingsFileName);
    const int value = ReadKeyValueInteger(file, key, fallback);
    CloseKeyValueFile(file);
    return value;
}

bool ReadSettingTextIfReadable(const std::wstring& key, const std::wstring& fallback, std::wstring& value) {
    KeyValueFile file;
    const bool opened = OpenKeyValueFile(file, kSettingsFileName);
    value = ReadKeyValueText(file, key, fallback);
    CloseKeyValueFile(file);
    return opened || LookUpPathKind(kSettingsFileName) == PathKind::Missing;
}

void WriteSettingText(const std::wstring& key, const std::wstring& value) {
    KeyValueFile file;
    OpenKeyValueFile(file, kSettingsFileName);
    WriteKeyValueText(file, key, value);
    CloseKeyValueFile(file);
}

void WriteSettingInteger(const std::wstring& key, int value) {
    KeyValueFile file;
    OpenKeyValueFile(file, kSettingsFileName);
    WriteKeyValueInteger(file, key, value);
    CloseKeyValueFile(file);
}

namespace {

std::wstring WithoutSurroundingBlanks(const std::wstring& text) {
    const std::size_t first = text.find_first_not_of(L" \t");
    if (first == std::wstring::npos) return {};
    return text.substr(first, text.find_last_not_of(L" \t") - first + 1);
}

}  // namespace

bool ReadVerifySetting() {
    // Off is a choice to skip a safety check: only the box's own 0 makes it.
    return WithoutSurroundingBlanks(ReadSettingText(L"VerifyBackup", L"1")) != L"0";
}

int ParseKeepDays(const std::wstring& text) {
    const std::wstring digits = WithoutSurroundingBlanks(text);
    if (digits.empty()) return -1;
    int days = 0;
    for (wchar_t c : digits) {
        if (c < L'0' || c > L'9') return -1;
        days = days * 10 + (c - L'0');
        if (days > kMostKeepDays) return -1;
    }
    return days;
}

int ReadKeepDaysSetting() {
    // "1e3", "30 days" or "-5" must not shrink to a leading digit: that deletes archives.
    const int days = ParseKeepDays(ReadSettingText(L"KeepDays", L"0"));
    return days < 0 ? 0 : days;
}

int ReadFullEverySetting() {
    const std::wstring text = ReadSettingText(L"FullEvery", L"");
    if (text.empty() || text.size() > 3) return 0;
    int days = 0;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9') return 0;
        days = days * 10 + (c - L'0');
    }
    return days <= kMostFullEveryDays ? days : 0;
}

std::wstring ReadCopyFolderSetting() {
    std::wstring folder = WithoutSurroundingBlanks(ReadSettingText(L"CopyDir", L""));
    if (!folder.empty() && folder.back() != L'\\' && folder.back() != L'/') folder += L'\\';
    return folder;
}
