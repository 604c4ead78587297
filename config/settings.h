// The settings file "lmbackup.prefs" and its seven keys.
#pragma once
#include <string>

constexpr wchar_t kSettingsFileName[] = L"lmbackup.prefs";

struct Settings {
    std::wstring bkUpDir;
    int closeToTray = 0;
    int compression = 0;
    int openToTray = 0;
    int reopenLM = 0;
    int stayOnTop = 0;
    int language = 0;
};

// The bytes of a newly created settings file.
std::string DefaultSettingsBytes();
// Start-up: opens the file; creates it with the defaults when that fails.
void EnsureSettingsFile();
// All seven keys with their reading defaults (Language reads 0 when absent).
Settings ReadAllSettings();
// Each call is one open, read or write, close cycle.
std::wstring ReadSettingText(const std::wstring& key, const std::wstring& fallback);
int ReadSettingInteger(const std::wstring& key, int fallback);
// Like ReadSettingText, but false when the file is there and cannot be read
// (another program holds it, access denied): nothing is known of the key then.
bool ReadSettingTextIfReadable(const std::wstring& key, const std::wstring& fallback, std::wstring& value);
void WriteSettingText(const std::wstring& key, const std::wstring& value);
void WriteSettingInteger(const std::wstring& key, int value);
// VerifyBackup: only a 0 (blanks round it allowed) turns the archive test off;
// absent, "00", "no" or anything else reads as on. Not in a new file, so that
// file keeps its bytes.
bool ReadVerifySetting();
// FullEvery: days a full archive serves differentials, 1 to 365. Anything
// but a plain number in that range (absent, 0, "7x", "-3") reads 0: every
// backup is a full archive. Not in a new file, so that file keeps its bytes.
constexpr int kMostFullEveryDays = 365;
int ReadFullEverySetting();

// CopyDir: the second copy's folder with its trailing "\\"; absent or blank is
// off. Not in a new file, so that file keeps its bytes.
std::wstring ReadCopyFolderSetting();

// Ten years: the longest keep the field offers.
constexpr int kMostKeepDays = 3650;
// Digits only, blanks round them allowed, 0 to kMostKeepDays; -1 for anything else.
int ParseKeepDays(const std::wstring& text);
// KeepDays in force: anything but such a count keeps everything (0), never a leading digit of it.
int ReadKeepDaysSetting();
