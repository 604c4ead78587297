// Choosing the language: from the Language setting, from the user's locale, from the selector.
#include "config/language_selection.h"

#include "config/language_table.h"
#include "config/settings.h"
#include "platform/dialogs.h"
#include "platform/files.h"
#include "platform/system.h"

namespace {

constexpr wchar_t kLanguageKey[] = L"Language";
constexpr int kDutch = 0;
constexpr int kEnglish = 1;
constexpr int kGerman = 2;
constexpr int kRussian = 3;

std::wstring CurrentFolderWithBackslash() {
    std::wstring folder = ReadCurrentFolder();
    if (folder.empty() || folder.back() != L'\\') folder += L'\\';
    return folder;
}

void LoadLanguageAndStore(int language) {
    ApplyLanguageSetting(language);
    WriteSettingInteger(kLanguageKey, language);
}

}  // namespace

std::wstring LanguageFilePath(int language) {
    // The names start with a backslash and are joined to a folder that ends
    // with one; Windows reads the doubled backslash as one.
    const wchar_t* name = nullptr;
    switch (language) {
        case kDutch: name = L"\\Lang\\dutch.lng"; break;
        case kGerman: name = L"\\Lang\\german.lng"; break;
        case kRussian: name = L"\\Lang\\russian.lng"; break;
        default: return std::wstring();
    }
    return CurrentFolderWithBackslash() + name;
}

void ApplyLanguageSetting(int language) {
    LoadLanguageTable(ProcessLanguageTable(), LanguageFilePath(language));
}

void SelectLanguageByLocale() {
    const std::wstring locale = ReadUserLocaleName();
    if (locale == L"Deutsch (Deutschland)" || locale == L"German (Germany)") {
        LoadLanguageAndStore(kGerman);
    } else if (locale == L"Dutch (Netherlands)" || locale == L"Nederlands (Nederland)") {
        LoadLanguageAndStore(kDutch);
    } else if (locale == L"English (United States)") {
        WriteSettingInteger(kLanguageKey, kEnglish);
        ApplyLanguageSetting(kEnglish);
    } else {
        // Fixed English: the table holding the translation is what was not found.
        ShowMessageBox(L"Warning", L"Language not found, defaulting to English.", kBoxExclamationOk);
        ApplyLanguageSetting(kEnglish);
    }
}

std::vector<std::wstring> ListLanguageSelectorItems() {
    std::vector<std::wstring> items = {L"Select Language:"};
    for (const FolderEntry& entry : ListFolder(L".\\Lang", L"*.lng")) {
        if (!entry.isFolder) items.push_back(entry.name);
    }
    return items;
}

void StoreLanguageChoice(int position) {
    // By position, not by file name: positions 1 to 4 are the four shipped
    // files in the order the folder lists them.
    if (position >= 1 && position <= 4) WriteSettingInteger(kLanguageKey, position - 1);
}
