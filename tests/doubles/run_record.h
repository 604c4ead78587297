// What the 7z.exe doubles share: their own folder, and the record of each
// start in "7z-runs.txt" beside them (UTF-8, CR LF), so a test sees it ran.
#pragma once
#include <windows.h>

#include <string>

inline std::wstring OwnFolder() {
    wchar_t module[32768];
    const DWORD n = GetModuleFileNameW(nullptr, module, 32768);
    std::wstring path(module, n);
    return path.substr(0, path.find_last_of(L"\\/") + 1);
}

inline void AppendRun(const std::wstring& line) {
    const std::wstring record = line + L"\r\n";
    const int n = WideCharToMultiByte(CP_UTF8, 0, record.data(), (int)record.size(), nullptr, 0, nullptr, nullptr);
    std::string bytes(n, '\0');
    WideCharToMultiByte(CP_UTF8, 0, record.data(), (int)record.size(), bytes.data(), n, nullptr, nullptr);
    HANDLE f = CreateFileW((OwnFolder() + L"7z-runs.txt").c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                           nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(f, bytes.data(), (DWORD)bytes.size(), &written, nullptr);
    CloseHandle(f);
}
