// Test probe run under Wine by the e2e tests: looks at the program's tray icon,
// pop-up menu, window and desktop shortcut from outside.
//
//   tray_probe window --pid P [--timeout MS]  prints "visible topmost" as 0/1 0/1
//   tray_probe icon --pid P        prints 1 when the shell holds tray icon 0 of P's window
//   tray_probe click --pid P [--notice 1]
//       the shell's report of a left click on tray icon 0 (of the notice window: ends a run's balloon)
//   tray_probe menu --pid P [--timeout MS] [--pick K]
//       waits for P's pop-up menu; with --pick, chooses its K-th item from
//       the keyboard (down arrow K times, Enter), otherwise closes it with
//       Escape; exit 1 when none came
//   tray_probe nomenu --pid P [--timeout MS]  exit 0 when no pop-up menu showed up
//   tray_probe command --pid P --id N   the menu command N, as a chosen item sends it
//   tray_probe close --pid P            the close request (title bar's X)
//   tray_probe items --pid P --id N    the combo list's entries, one a line, then "selected K"
//   tray_probe select --pid P --id N --position K
//       selects entry K of combo list N as the user's choice does (with its notice)
//   tray_probe list --pid P        P's top-level windows: class, visible, owner, one a line
//   tray_probe notice --pid P [--timeout MS]
//       prints 1 when the shell holds tray icon 0 of P's hidden notice window
//   tray_probe balloon [--timeout MS]  waits for a shown tray balloon, prints its text
//   tray_probe tips                    the tool tip of every tray icon, one a line
//   tray_probe shortcut --path F [--out F]
//       loads the shell link through IShellLinkW and IPersistFile and writes
//       target, arguments, working folder, description, icon path, icon
//       index, show command, hot key, one a line; exit 1 when it cannot load
#include <windows.h>
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>

#include <commctrl.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr UINT kTrayCallback = WM_APP + 1;  // the program's tray callback message

std::map<std::wstring, std::wstring> ParseOptions(int argc, wchar_t** argv) {
    std::map<std::wstring, std::wstring> o;
    for (int i = 2; i + 1 < argc; i += 2) o[argv[i]] = argv[i + 1];
    return o;
}

std::wstring Get(const std::map<std::wstring, std::wstring>& o, const wchar_t* key, const wchar_t* fallback) {
    auto it = o.find(key);
    return it == o.end() ? fallback : it->second;
}

std::string Utf8(const std::wstring& text) {
    if (text.empty()) return {};
    int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), (int)text.size(), nullptr, 0, nullptr, nullptr);
    std::string out(n, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), (int)text.size(), out.data(), n, nullptr, nullptr);
    return out;
}

void WriteOut(const std::wstring& file, const std::string& bytes) {
    if (file.empty()) {
        fwrite(bytes.data(), 1, bytes.size(), stdout);
        fflush(stdout);
        return;
    }
    HANDLE h = CreateFileW(file.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(h, bytes.data(), (DWORD)bytes.size(), &written, nullptr);
    CloseHandle(h);
}

struct Search {
    DWORD pid;
    const wchar_t* cls;
    bool visibleOnly;
    HWND found;
};

BOOL CALLBACK FindByClass(HWND hwnd, LPARAM lp) {
    auto* s = reinterpret_cast<Search*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid != s->pid || (s->visibleOnly && !IsWindowVisible(hwnd))) return TRUE;
    wchar_t cls[64] = {};
    GetClassNameW(hwnd, cls, 64);
    if (wcscmp(cls, s->cls) != 0) return TRUE;
    s->found = hwnd;
    return FALSE;
}

HWND WaitForWindow(DWORD pid, const wchar_t* cls, bool visibleOnly, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    for (;;) {
        Search s{pid, cls, visibleOnly, nullptr};
        EnumWindows(FindByClass, reinterpret_cast<LPARAM>(&s));
        if (s.found || GetTickCount() - start > timeoutMs) return s.found;
        Sleep(50);
    }
}

BOOL CALLBACK ListOne(HWND hwnd, LPARAM lp) {
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid != static_cast<DWORD>(lp)) return TRUE;
    wchar_t cls[64] = {};
    GetClassNameW(hwnd, cls, 64);
    WriteOut(L"", Utf8(std::wstring(cls) + (IsWindowVisible(hwnd) ? L" visible" : L" hidden") +
                       (GetWindow(hwnd, GW_OWNER) ? L" owned\n" : L"\n")));
    return TRUE;
}

// The shell's balloon: a tool tip window with the balloon style, in whatever process draws the tray.
BOOL CALLBACK FindBalloon(HWND hwnd, LPARAM lp) {
    wchar_t cls[64] = {};
    GetClassNameW(hwnd, cls, 64);
    if (wcscmp(cls, TOOLTIPS_CLASSW) != 0 || !IsWindowVisible(hwnd) || !(GetWindowLongW(hwnd, GWL_STYLE) & TTS_BALLOON))
        return TRUE;
    *reinterpret_cast<HWND*>(lp) = hwnd;
    return FALSE;
}

// Tool tip windows of the tray: Wine 8 keeps them on its stand-alone tray window, one tool per icon.
BOOL CALLBACK FindIconTips(HWND hwnd, LPARAM lp) {
    wchar_t cls[64] = {}, ownerClass[64] = {};
    GetClassNameW(hwnd, cls, 64);
    HWND owner = GetWindow(hwnd, GW_OWNER);
    if (owner) GetClassNameW(owner, ownerClass, 64);
    if (wcscmp(cls, TOOLTIPS_CLASSW) == 0 && !(GetWindowLongW(hwnd, GWL_STYLE) & TTS_BALLOON) &&
        (wcscmp(ownerClass, L"__winex11_standalone_tray") == 0 || wcscmp(ownerClass, L"__wine_tray_icon") == 0))
        reinterpret_cast<std::vector<HWND>*>(lp)->push_back(hwnd);
    return TRUE;
}

// The tool's text lives in the shell's process: ask there, through memory of its own.
std::wstring ToolTipTexts(HWND tip) {
    DWORD pid = 0;
    GetWindowThreadProcessId(tip, &pid);
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    if (!process) return {};
    constexpr SIZE_T kChars = 256;
    auto* remote = static_cast<char*>(VirtualAllocEx(process, nullptr, sizeof(TTTOOLINFOW) + kChars * sizeof(wchar_t),
                                                     MEM_COMMIT, PAGE_READWRITE));
    std::wstring text;
    if (remote) {
        // Enumerating a tool copies its text into the buffer that lpszText names.
        const int count = static_cast<int>(SendMessageW(tip, TTM_GETTOOLCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            TTTOOLINFOW tool{};
            tool.cbSize = sizeof(tool);
            tool.lpszText = reinterpret_cast<wchar_t*>(remote + sizeof(TTTOOLINFOW));
            const wchar_t none = 0;
            WriteProcessMemory(process, remote, &tool, sizeof(tool), nullptr);
            WriteProcessMemory(process, tool.lpszText, &none, sizeof(none), nullptr);
            if (!SendMessageW(tip, TTM_ENUMTOOLSW, i, reinterpret_cast<LPARAM>(remote))) continue;
            wchar_t buffer[kChars] = {};
            ReadProcessMemory(process, tool.lpszText, buffer, sizeof(buffer) - sizeof(wchar_t), nullptr);
            text += std::wstring(buffer) + L"\n";
        }
        VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    }
    CloseHandle(process);
    return text;
}

HWND MainWindow(DWORD pid, DWORD timeoutMs) { return WaitForWindow(pid, L"LarkmailBackupWindow", false, timeoutMs); }

// Controls sit on the tab pages, so search the whole tree.
HWND FindControl(HWND root, int id) {
    for (HWND c = GetWindow(root, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        if (GetDlgCtrlID(c) == id) return c;
        HWND inner = FindControl(c, id);
        if (inner) return inner;
    }
    return nullptr;
}

int ReadShortcutFile(const std::wstring& path, const std::wstring& out) {
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 2;
    IShellLinkW* link = nullptr;
    IPersistFile* file = nullptr;
    int rc = 1;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                   reinterpret_cast<void**>(&link))) &&
        SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))) &&
        SUCCEEDED(file->Load(path.c_str(), STGM_READ))) {
        static wchar_t target[32768], arguments[32768], folder[32768], description[32768], icon[32768];
        int index = -1, show = -1;
        WORD key = 0xFFFF;
        link->GetPath(target, 32768, nullptr, SLGP_RAWPATH);
        link->GetArguments(arguments, 32768);
        link->GetWorkingDirectory(folder, 32768);
        link->GetDescription(description, 32768);
        link->GetIconLocation(icon, 32768, &index);
        link->GetShowCmd(&show);
        link->GetHotkey(&key);
        std::wstring text = std::wstring(target) + L"\n" + arguments + L"\n" + folder + L"\n" + description + L"\n" +
                            icon + L"\n" + std::to_wstring(index) + L"\n" + std::to_wstring(show) + L"\n" +
                            std::to_wstring(key) + L"\n";
        WriteOut(out, Utf8(text));
        rc = 0;
    }
    if (file) file->Release();
    if (link) link->Release();
    CoUninitialize();
    return rc;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) return 64;
    const std::wstring verb = argv[1];
    const auto o = ParseOptions(argc, argv);
    if (verb == L"shortcut") return ReadShortcutFile(Get(o, L"--path", L""), Get(o, L"--out", L""));
    const DWORD pid = (DWORD)_wtoi(Get(o, L"--pid", L"0").c_str());
    const DWORD timeout = (DWORD)_wtoi(Get(o, L"--timeout", L"20000").c_str());
    if (verb == L"list") return EnumWindows(ListOne, static_cast<LPARAM>(pid)) ? 0 : 1;
    if (verb == L"balloon") {
        DWORD start = GetTickCount();
        HWND balloon = nullptr;
        while (!balloon && GetTickCount() - start <= timeout) {
            EnumWindows(FindBalloon, reinterpret_cast<LPARAM>(&balloon));
            if (!balloon) Sleep(100);
        }
        if (!balloon) return 1;
        wchar_t text[512] = {};
        SendMessageW(balloon, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text));
        WriteOut(L"", Utf8(std::wstring(text) + L"\n"));
        return 0;
    }
    if (verb == L"tips") {
        std::vector<HWND> tips;
        EnumWindows(FindIconTips, reinterpret_cast<LPARAM>(&tips));
        std::wstring text;
        for (HWND tip : tips) text += ToolTipTexts(tip);
        WriteOut(L"", Utf8(text));
        return 0;
    }
    if (verb == L"click" && Get(o, L"--notice", L"") == L"1") {
        HWND notice = WaitForWindow(pid, L"LarkmailBackupNotice", false, timeout);
        if (!notice) return 2;
        PostMessageW(notice, kTrayCallback, MAKEWPARAM(100, 100), MAKELPARAM(WM_LBUTTONUP, 0));
        return 0;
    }
    if (verb == L"notice") {
        HWND notice = WaitForWindow(pid, L"LarkmailBackupNotice", false, timeout);
        NOTIFYICONDATAW data{};
        data.cbSize = sizeof(data);
        data.hWnd = notice;
        data.uID = 0;
        WriteOut(L"", notice && Shell_NotifyIconW(NIM_MODIFY, &data) ? "1" : "0");
        return notice ? 0 : 2;
    }
    HWND main = MainWindow(pid, verb == L"nomenu" ? 5000 : timeout);
    if (!main) return 2;
    if (verb == L"window") {
        const bool topmost = (GetWindowLongW(main, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
        WriteOut(L"", std::string(IsWindowVisible(main) ? "1" : "0") + " " + (topmost ? "1" : "0"));
        return 0;
    }
    if (verb == L"icon") {
        // Changing nothing of an icon succeeds only while the shell holds it.
        NOTIFYICONDATAW data{};
        data.cbSize = sizeof(data);
        data.hWnd = main;
        data.uID = 0;
        WriteOut(L"", Shell_NotifyIconW(NIM_MODIFY, &data) ? "1" : "0");
        return 0;
    }
    if (verb == L"click") {
        // Version 4 of the tray protocol: the event in the low word, the icon's number in the high one.
        POINT at{100, 100};
        PostMessageW(main, kTrayCallback, MAKEWPARAM(at.x, at.y), MAKELPARAM(WM_LBUTTONUP, 0));
        return 0;
    }
    if (verb == L"menu" || verb == L"nomenu") {
        HWND menu = WaitForWindow(pid, L"#32768", true, timeout);
        if (verb == L"nomenu") return menu ? 1 : 0;
        if (!menu) return 1;
        // The menu's own loop runs on the program's thread and takes the keys posted to its window.
        const int pick = _wtoi(Get(o, L"--pick", L"0").c_str());
        for (int i = 0; i < pick; ++i) PostMessageW(menu, WM_KEYDOWN, VK_DOWN, 0);
        PostMessageW(menu, WM_KEYDOWN, pick ? VK_RETURN : VK_ESCAPE, 0);
        return 0;
    }
    if (verb == L"items" || verb == L"select") {
        const int id = _wtoi(Get(o, L"--id", L"0").c_str());
        HWND combo = FindControl(main, id);
        if (!combo) return 3;
        if (verb == L"select") {
            SendMessageW(combo, CB_SETCURSEL, _wtoi(Get(o, L"--position", L"0").c_str()), 0);
            PostMessageW(GetParent(combo), WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
            return 0;
        }
        std::wstring text;
        const int count = static_cast<int>(SendMessageW(combo, CB_GETCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            wchar_t item[512] = {};
            if (SendMessageW(combo, CB_GETLBTEXTLEN, i, 0) < 511)
                SendMessageW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(item));
            text += std::wstring(item) + L"\n";
        }
        text += L"selected " + std::to_wstring(SendMessageW(combo, CB_GETCURSEL, 0, 0)) + L"\n";
        WriteOut(L"", Utf8(text));
        return 0;
    }
    if (verb == L"command") {
        PostMessageW(main, WM_COMMAND, MAKEWPARAM(_wtoi(Get(o, L"--id", L"0").c_str()), 0), 0);
        return 0;
    }
    if (verb == L"close") {
        PostMessageW(main, WM_CLOSE, 0, 0);
        return 0;
    }
    return 64;
}
