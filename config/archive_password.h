// The archive password in the settings file: sealed for the Windows user, as base64.
#pragma once
#include <string>

constexpr wchar_t kArchivePasswordKey[] = L"ArchivePassword";

enum class StoredPassword {
    None,        // absent or empty: archives are not encrypted
    Ready,       // unsealed into the caller's text
    Unreadable,  // not base64, or the system will not unseal it (another user, a reset, damage)
    SettingsUnreadable,  // the settings file is there but cannot be read: a password may be set
};

// `password` holds the text only with Ready; the caller wipes it (WipeText) when done.
StoredPassword ReadArchivePassword(std::wstring& password);
// The settings value for a password: base64 of the sealed blob; empty when
// sealing fails.
std::wstring SealedPasswordValue(const std::wstring& password);
// Seals and stores; an empty password clears the value. False when it could not be sealed.
bool StoreArchivePassword(const std::wstring& password);
