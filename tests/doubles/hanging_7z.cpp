// Test double of 7z.exe that hangs: it writes the header and one figure, as
// 7-Zip does when it starts packing, then neither writes nor ends until it
// is killed. Each start appends its command line, UTF-8 and CR LF, to
// "7z-runs.txt" beside it, so a test sees that it ran.
#include <windows.h>

#include <string>

namespace {

std::wstring OwnFolder() {
    wchar_t module[32768];
    const DWORD n = GetModuleFileNameW(nullptr, module, 32768);
    std::wstring path(module, n);
    return path.substr(0, path.find_last_of(L"\\/") + 1);
}

void AppendRun() {
    const std::wstring record = std::wstring(GetCommandLineW()) + L"\r\n";
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

}  // namespace

int wmain() {
    AppendRun();
    const char start[] = "\r\n7-Zip (a) 26.00 (x64)\r\n\r\nScanning the drive:\r\n  0%";
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), start, sizeof start - 1, &written, nullptr);
    Sleep(INFINITE);
    return 0;
}
