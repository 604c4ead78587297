// The archive password in the settings file: sealed for the Windows user, as base64.
#include "config/archive_password.h"

#include "config/base64.h"
#include "config/settings.h"
#include "platform/secrets.h"

StoredPassword ReadArchivePassword(std::wstring& password) {
    password.clear();
    std::wstring value;
    if (!ReadSettingTextIfReadable(kArchivePasswordKey, L"", value)) return StoredPassword::SettingsUnreadable;
    if (value.empty()) return StoredPassword::None;
    std::string blob;
    if (!DecodeBase64(value, blob) || !UnprotectSecret(blob, password)) return StoredPassword::Unreadable;
    // An empty secret would be a bare -p to 7-Zip: an archive with an empty password.
    return password.empty() ? StoredPassword::Unreadable : StoredPassword::Ready;
}

std::wstring SealedPasswordValue(const std::wstring& password) {
    std::string blob;
    if (!ProtectSecret(password, blob)) return {};
    return EncodeBase64(blob);
}

bool StoreArchivePassword(const std::wstring& password) {
    if (password.empty()) {
        WriteSettingText(kArchivePasswordKey, L"");
        return true;
    }
    const std::wstring value = SealedPasswordValue(password);
    if (value.empty()) return false;
    WriteSettingText(kArchivePasswordKey, value);
    return true;
}
