// Which language file is loaded: by the setting, by the locale, by the selector.
#pragma once
#include <string>
#include <vector>

std::wstring LanguageFilePath(int language);  // empty for English
void ApplyLanguageSetting(int language);
void SelectLanguageByLocale();
// "Select Language:" followed by the *.lng files of .\Lang in listing order.
std::vector<std::wstring> ListLanguageSelectorItems();
void StoreLanguageChoice(int position);
