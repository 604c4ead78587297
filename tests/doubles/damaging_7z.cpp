// Test double of 7z.exe that writes a damaged archive: it runs the real
// 7-Zip ("7z-real.exe" beside it, with 7z.dll) with its own command line and,
// after an "a" that ended with exit code 0, turns 16 bytes of the packed data
// of the archive it wrote (the argument ending in ".tmp") into their
// complement. The start header and the header at the end stay intact, so
// only a test that reads the data back can tell. Exits with 7-Zip's code.
//   Each run appends its command line, UTF-8 and CR LF, to "7z-runs.txt" beside it.
#include <windows.h>

#include <string>

#include "run_record.h"

namespace {


// The part after the program name, as the caller wrote it.
std::wstring Arguments() {
    const wchar_t* p = GetCommandLineW();
    if (*p == L'"') {
        ++p;
        while (*p && *p != L'"') ++p;
        if (*p) ++p;
    } else {
        while (*p && *p != L' ') ++p;
    }
    while (*p == L' ') ++p;
    return p;
}


// The blank-separated word ending in ".tmp", quotes removed (the tests use a folder without blanks).
std::wstring TemporaryArchive(const std::wstring& arguments) {
    std::size_t start = 0;
    while (start < arguments.size()) {
        std::size_t end = arguments.find(L' ', start);
        if (end == std::wstring::npos) end = arguments.size();
        std::wstring word = arguments.substr(start, end - start);
        std::wstring bare;
        for (wchar_t c : word)
            if (c != L'"') bare += c;
        if (bare.size() > 4 && bare.compare(bare.size() - 4, 4, L".tmp") == 0) return bare;
        start = end + 1;
    }
    return {};
}

void Damage(const std::wstring& path) {
    HANDLE f = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return;
    unsigned char bytes[16];
    DWORD done = 0;
    SetFilePointer(f, 40, nullptr, FILE_BEGIN);  // just behind the 32-byte start header
    if (ReadFile(f, bytes, sizeof bytes, &done, nullptr) && done == sizeof bytes) {
        for (unsigned char& b : bytes) b = static_cast<unsigned char>(~b);
        SetFilePointer(f, 40, nullptr, FILE_BEGIN);
        WriteFile(f, bytes, sizeof bytes, &done, nullptr);
    }
    CloseHandle(f);
}

}  // namespace

int wmain() {
    const std::wstring arguments = Arguments();
    AppendRun(arguments);
    std::wstring line = L"\"" + OwnFolder() + L"7z-real.exe\" " + arguments;
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi))
        return 255;
    WaitForSingleObject(pi.hProcess, INFINITE);
    DWORD code = 255;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    if (code == 0 && arguments.compare(0, 2, L"a ") == 0) Damage(TemporaryArchive(arguments));
    return static_cast<int>(code);
}
