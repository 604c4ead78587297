// Test double of the mail client: a visible top-level window titled
// "Larkmail - Inbox" that runs until it is killed (or its window closed).
//
//   larkmail.exe [--hold FILE] [--title TEXT]
//       FILE (or the environment variable LARKMAIL_HOLD) is opened for reading
//       and writing without any sharing and held while the program runs, as a
//       client holds its database. TEXT replaces the window's title: another
//       program that holds a data file (an indexer), which a backup never ends.
//   Each start appends one line to the start record: the file named by
//   LARKMAIL_STARTS, otherwise "larkmail-starts.txt" beside the executable.
//   The line is the command line exactly as the program received it, in
//   UTF-8, ended by CR LF.
#include <windows.h>

#include <string>

namespace {

std::wstring ReadEnvironment(const wchar_t* name) {
    wchar_t buffer[32768];
    const DWORD n = GetEnvironmentVariableW(name, buffer, 32768);
    return (n == 0 || n >= 32768) ? std::wstring() : std::wstring(buffer, n);
}

std::string Utf8(const std::wstring& text) {
    if (text.empty()) return {};
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), (int)text.size(), nullptr, 0, nullptr, nullptr);
    std::string out(n, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), (int)text.size(), out.data(), n, nullptr, nullptr);
    return out;
}

std::wstring StartRecordPath() {
    std::wstring path = ReadEnvironment(L"LARKMAIL_STARTS");
    if (!path.empty()) return path;
    wchar_t module[32768];
    const DWORD n = GetModuleFileNameW(nullptr, module, 32768);
    path.assign(module, n);
    const std::size_t slash = path.find_last_of(L"\\/");
    path = (slash == std::wstring::npos) ? std::wstring() : path.substr(0, slash + 1);
    return path + L"larkmail-starts.txt";
}

void RecordStart() {
    const std::string line = Utf8(GetCommandLineW()) + "\r\n";
    // Shared, so a test can read the record while the double still runs.
    HANDLE file = CreateFileW(StartRecordPath().c_str(), FILE_APPEND_DATA,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, line.data(), (DWORD)line.size(), &written, nullptr);
    CloseHandle(file);
}

std::wstring Option(int argc, wchar_t** argv, const wchar_t* name) {
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::wstring(argv[i]) == name) return argv[i + 1];
    }
    return {};
}

std::wstring HoldPath(int argc, wchar_t** argv) {
    const std::wstring path = Option(argc, argv, L"--hold");
    return path.empty() ? ReadEnvironment(L"LARKMAIL_HOLD") : path;
}

LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    RecordStart();

    HANDLE held = INVALID_HANDLE_VALUE;
    const std::wstring holdPath = HoldPath(argc, argv);
    if (!holdPath.empty()) {
        held = CreateFileW(holdPath.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    }

    const HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = WindowProcedure;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = L"LarkmailDoubleWindow";
    windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
    RegisterClassW(&windowClass);
    const std::wstring title = Option(argc, argv, L"--title");
    HWND window = CreateWindowExW(0, windowClass.lpszClassName, title.empty() ? L"Larkmail - Inbox" : title.c_str(),
                                  WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40, 480, 320, nullptr, nullptr,
                                  instance, nullptr);
    if (window == nullptr) return 1;

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    if (held != INVALID_HANDLE_VALUE) CloseHandle(held);
    return 0;
}
