// Opening a file for one read-modify-write cycle, and whole-file reads.
#include <windows.h>

#include <string>

#include "platform/files.h"
#include "platform/win32/owned_handle.h"
#include "platform/win32/long_path.h"

namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

bool ReadAllBytes(HANDLE file, std::string& bytes) {
    bytes.clear();
    LARGE_INTEGER size{};
    if (GetFileSizeEx(file, &size) && size.QuadPart > 0) bytes.reserve((size_t)size.QuadPart);
    char buffer[64 * 1024];
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(file, buffer, sizeof buffer, &got, nullptr)) return false;
        if (got == 0) return true;
        bytes.append(buffer, got);
    }
}

HANDLE OpenExisting(const std::wstring& path, DWORD access, DWORD share) {
    return CreateFileW(LongPath(path).c_str(), access, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

HeldFile OpenFileForUpdate(const std::wstring& path, std::string& bytes) {
    bytes.clear();
    HeldFile held;
    // Windows refuses write access to a read-only file, but Wine running as
    // root does not; the attribute is honoured here so both behave alike.
    DWORD attributes = GetFileAttributesW(LongPath(path).c_str());
    bool readOnly = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
    OwnedHandle file;
    if (!readOnly) file = OwnedHandle(OpenExisting(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ));
    DWORD error = file.valid() ? ERROR_SUCCESS : GetLastError();
    held.writable = file.valid();
    if (!file.valid()) {
        if (!readOnly && error != ERROR_ACCESS_DENIED && error != ERROR_SHARING_VIOLATION) return held;
        file = OwnedHandle(OpenExisting(path, GENERIC_READ, kShareAll));
        if (!file.valid()) return held;
    }
    if (!ReadAllBytes(file.value, bytes)) {
        bytes.clear();
        return HeldFile{};
    }
    held.token = reinterpret_cast<std::uintptr_t>(file.release());
    return held;
}

void ReleaseHeldFile(HeldFile& file) {
    HANDLE h = reinterpret_cast<HANDLE>(file.token);
    if (OwnedHandle::IsSet(h)) CloseHandle(h);
    file.token = 0;
    file.writable = false;
}

bool ReadWholeFile(const std::wstring& path, std::string& bytes) {
    OwnedHandle file(OpenExisting(path, GENERIC_READ, kShareAll));
    if (!file.valid()) {
        bytes.clear();
        return false;
    }
    if (ReadAllBytes(file.value, bytes)) return true;
    bytes.clear();
    return false;
}
