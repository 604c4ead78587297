// Secrets sealed for the current Windows user through the system's data protection.
#include <windows.h>
#include <dpapi.h>

#include "platform/secrets.h"

namespace {

DATA_BLOB BlobOf(const void* data, std::size_t size) {
    DATA_BLOB blob;
    blob.cbData = static_cast<DWORD>(size);
    blob.pbData = static_cast<BYTE*>(const_cast<void*>(data));
    return blob;
}

}  // namespace

bool ProtectSecret(const std::wstring& secret, std::string& blob) {
    blob.clear();
    DATA_BLOB in = BlobOf(secret.data(), secret.size() * sizeof(wchar_t));
    DATA_BLOB out{};
    if (!CryptProtectData(&in, nullptr, nullptr, nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN, &out)) return false;
    blob.assign(reinterpret_cast<const char*>(out.pbData), out.cbData);
    LocalFree(out.pbData);
    return true;
}

bool UnprotectSecret(const std::string& blob, std::wstring& secret) {
    secret.clear();
    DATA_BLOB in = BlobOf(blob.data(), blob.size());
    DATA_BLOB out{};
    if (!CryptUnprotectData(&in, nullptr, nullptr, nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN, &out)) return false;
    const bool whole = out.cbData % sizeof(wchar_t) == 0;
    if (whole) secret.assign(reinterpret_cast<const wchar_t*>(out.pbData), out.cbData / sizeof(wchar_t));
    SecureZeroMemory(out.pbData, out.cbData);
    LocalFree(out.pbData);
    return whole;
}
