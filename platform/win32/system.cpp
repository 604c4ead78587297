// Process-wide services: environment, clock, locale, folders, the single-instance lock.
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include <string>

#include "platform/system.h"
#include "platform/win32/code_page.h"
#include "platform/win32/common_controls.h"

namespace {

struct ProcessServices {
    bool oleStarted = false;
    bool comStarted = false;
    HANDLE instanceLock = nullptr;  // held until the process ends, on purpose
};

ProcessServices& Services() {
    static ProcessServices services;
    return services;
}

}  // namespace

void InitializeProcessServices(bool withComponents) {
    if (!withComponents) return;
    LoadCommonControls();
    ProcessServices& services = Services();
    if (services.oleStarted || services.comStarted) return;
    if (SUCCEEDED(OleInitialize(nullptr))) {
        services.oleStarted = true;
    } else if (SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {
        services.comStarted = true;
    }
}

void ReleaseProcessServices() {
    ProcessServices& services = Services();
    if (services.oleStarted) OleUninitialize();
    if (services.comStarted) CoUninitialize();
    services.oleStarted = services.comStarted = false;
}

// The program name ends at the first blank outside double quotes.
std::wstring ReadCommandLineText() {
    const wchar_t* line = GetCommandLineW();
    if (!line) return {};
    bool quoted = false;
    for (; *line; ++line) {
        if (*line == L'"') quoted = !quoted;
        else if (!quoted && (*line == L' ' || *line == L'\t')) break;
    }
    while (*line == L' ' || *line == L'\t') ++line;
    return line;
}

std::wstring ReadEnvironmentText(const std::wstring& name) {
    std::wstring value(256, L'\0');
    for (;;) {
        SetLastError(ERROR_SUCCESS);
        DWORD length = GetEnvironmentVariableW(name.c_str(), &value[0], (DWORD)value.size());
        if (length == 0) return {};
        if (length < value.size()) {
            value.resize(length);
            return value;
        }
        value.assign(length, L'\0');
    }
}

LocalTime ReadLocalTime() {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    return LocalTime{now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
}

std::wstring ReadUserLocaleName() {
    wchar_t name[999] = {};
    int length = GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SLANGUAGE, name, 999);
    return length > 0 ? std::wstring(name) : std::wstring();
}

std::wstring ReadCurrentFolder() {
    for (;;) {
        DWORD needed = GetCurrentDirectoryW(0, nullptr);
        if (needed == 0) return {};
        std::wstring folder(needed, L'\0');
        DWORD length = GetCurrentDirectoryW(needed, &folder[0]);
        if (length == 0) return {};
        if (length < needed) {
            folder.resize(length);
            return folder;
        }
    }
}

bool ChangeCurrentFolder(const std::wstring& path) { return SetCurrentDirectoryW(path.c_str()) != 0; }

std::wstring ReadExecutablePath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD length = GetModuleFileNameW(nullptr, &path[0], (DWORD)path.size());
        if (length == 0) return {};
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.assign(path.size() * 2, L'\0');
    }
}

// The name existing already shows up as ERROR_ALREADY_EXISTS beside a valid handle.
bool TakeSingleInstanceLock(const std::wstring& name) {
    SetLastError(ERROR_SUCCESS);
    HANDLE lock = CreateMutexW(nullptr, TRUE, name.c_str());
    DWORD error = GetLastError();
    if (!lock) return false;
    if (error != ERROR_SUCCESS) {
        CloseHandle(lock);
        return false;
    }
    Services().instanceLock = lock;
    return true;
}

std::uint64_t ReadTickMilliseconds() {
    return GetTickCount64();
}

std::uint32_t ReadProcessId() {
    return GetCurrentProcessId();
}

void PauseMilliseconds(std::uint32_t ms) { Sleep(ms); }

std::string AnsiFromWide(const std::wstring& text) { return CodePageFromWide(CP_ACP, text); }

std::wstring WideFromAnsi(const std::string& bytes) { return WideFromCodePage(CP_ACP, bytes); }

std::wstring WideFromOem(const std::string& bytes) { return WideFromCodePage(CP_OEMCP, bytes); }
