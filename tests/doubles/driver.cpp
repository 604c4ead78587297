// Test driver run under Wine by the e2e tests: starts a program with an exact
// command line, working folder and environment, and works its windows from
// outside (message boxes, controls by id).
//
//   driver launch [--cwd DIR] [--env NAME=VALUE]... [--pidfile F] [--nowait]
//                 (--cmdfile F | -- COMMANDLINE)
//       F holds the child's command line in UTF-8 (Wine re-quotes arguments
//       given from Unix, so an exact command line travels in a file)
//       exit code: the child's, or 9009 when it could not start
//       --stats F writes "wall_ms user_ms kernel_ms peak_working_set_bytes"
//   driver box [--pid P] [--timeout MS] [--answer ok|yes|no|cancel] [--out F]
//       waits for a message box (owned by P when given), writes "title\ntext\n"
//       to F (appending), presses the answer; exit 0, or 1 on time-out
//       --stamp F appends "found_ms answered_ms" (GetTickCount64) for timings;
//       answered is taken as the button is pressed, before the box has closed
//   --poll MS (any waiting verb): how often to look for the window (default 50)
//   driver nobox [--pid P] [--timeout MS]   exit 0 when no box showed up in time
//   driver filebox [--pid P] [--timeout MS] [--path PATH] [--out F]
//       waits for an open-file requester (a dialog of P with a file-name
//       field; "box" leaves those alone), writes "title\n" to F (appending),
//       types PATH into the field and presses Open, or without --path presses
//       Cancel; exit 0 once the requester has closed, 1 when none came, 2
//       when it stayed open; --stamp F appends the tick it saw it close
//   driver click --pid P --id N           BM_CLICK on control N of P's main window
//   driver text --pid P --id N [--out F]  writes the control's text (UTF-8)
//   driver check --pid P --id N           prints 1/0 (BM_GETCHECK)
//   driver state --pid P --id N           prints "enabled visible" flags as 0/1 0/1
//   driver style --pid P --id N           the same from the control's own style bits
//                                         (visible even while its tab page is hidden)
//   driver settext --pid P --id N --value TEXT
//   driver focus --pid P --id N / focused --pid P   focus control N / print the focus's id (0: none)
//   driver key --pid P --key return|space|tab|right|escape   posts down and up to P's focus: through its message loop
//   (control verbs find a control in the main window or in a window it owns, the program's dialog;
//   --stamp F appends the tick the control was found, for timing a dialog's coming)
//   driver wait-window --pid P [--timeout MS]  waits for P's top-level window
//   driver seal --in F --out G   G gets the base64 of the system's seal (current
//       user, no entropy, no prompt) of F's UTF-8 text as UTF-16LE: a stored
//       archive password made as a user's own program would make it
#include <windows.h>
#include <dpapi.h>
#include <wincrypt.h>
#include <commctrl.h>
#include <psapi.h>

#include <cstdio>
#include <cwchar>
#include <map>
#include <string>
#include <vector>

namespace {

std::string Utf8(const std::wstring& text) {
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
    HANDLE h = CreateFileW(file.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(h, bytes.data(), (DWORD)bytes.size(), &written, nullptr);
    CloseHandle(h);
}

struct Options {
    std::map<std::wstring, std::wstring> single;
    std::vector<std::wstring> env;
    bool noWait = false;
    std::wstring rest;  // after "--", the raw command line
};

// The raw text after " -- " is taken verbatim from GetCommandLineW so that
// the child gets exactly the command line the test wrote.
Options ParseOptions(int argc, wchar_t** argv) {
    Options o;
    for (int i = 2; i < argc; ++i) {
        std::wstring a = argv[i];
        if (a == L"--") break;
        if (a == L"--nowait") {
            o.noWait = true;
        } else if (a == L"--env" && i + 1 < argc) {
            o.env.push_back(argv[++i]);
        } else if (a.rfind(L"--", 0) == 0 && i + 1 < argc) {
            o.single[a.substr(2)] = argv[++i];
        }
    }
    const wchar_t* line = GetCommandLineW();
    const wchar_t* sep = wcsstr(line, L" -- ");
    if (sep) o.rest = sep + 4;
    return o;
}

std::wstring Get(const Options& o, const wchar_t* key, const wchar_t* fallback = L"") {
    auto it = o.single.find(key);
    return it == o.single.end() ? fallback : it->second;
}

std::wstring Upper(std::wstring s) {
    for (auto& c : s) c = (wchar_t)towupper(c);
    return s;
}

// Current environment with the overrides applied, as a sorted block.
std::vector<wchar_t> BuildEnvironment(const std::vector<std::wstring>& overrides) {
    std::map<std::wstring, std::wstring> vars;  // upper name -> "Name=value"
    wchar_t* block = GetEnvironmentStringsW();
    for (wchar_t* p = block; *p; p += wcslen(p) + 1) {
        std::wstring entry = p;
        size_t eq = entry.find(L'=', 1);
        if (eq == std::wstring::npos) continue;
        vars[Upper(entry.substr(0, eq))] = entry;
    }
    FreeEnvironmentStringsW(block);
    for (const auto& o : overrides) {
        size_t eq = o.find(L'=');
        if (eq == std::wstring::npos) continue;
        std::wstring name = o.substr(0, eq);
        if (eq + 1 == o.size()) {
            vars.erase(Upper(name));  // "NAME=" removes the variable
        } else {
            vars[Upper(name)] = o;
        }
    }
    std::vector<wchar_t> out;
    for (const auto& kv : vars) {
        out.insert(out.end(), kv.second.begin(), kv.second.end());
        out.push_back(0);
    }
    out.push_back(0);
    return out;
}

std::wstring ReadUtf8File(const std::wstring& path) {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return {};
    std::string bytes(GetFileSize(h, nullptr), '\0');
    DWORD read = 0;
    ReadFile(h, bytes.data(), (DWORD)bytes.size(), &read, nullptr);
    CloseHandle(h);
    bytes.resize(read);
    int n = MultiByteToWideChar(CP_UTF8, 0, bytes.data(), (int)bytes.size(), nullptr, 0);
    std::wstring out(n, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, bytes.data(), (int)bytes.size(), out.data(), n);
    return out;
}

int Launch(const Options& o) {
    std::vector<wchar_t> env = BuildEnvironment(o.env);
    std::wstring line = Get(o, L"cmdfile").empty() ? o.rest : ReadUtf8File(Get(o, L"cmdfile"));
    std::vector<wchar_t> cmd(line.begin(), line.end());
    cmd.push_back(0);
    std::wstring cwd = Get(o, L"cwd");
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, CREATE_UNICODE_ENVIRONMENT, env.data(),
                        cwd.empty() ? nullptr : cwd.c_str(), &si, &pi)) {
        fprintf(stderr, "driver: CreateProcessW failed: %lu\n", GetLastError());
        return 9009;
    }
    std::wstring pidFile = Get(o, L"pidfile");
    if (!pidFile.empty()) {
        char buf[32];
        snprintf(buf, sizeof buf, "%lu\n", pi.dwProcessId);
        DeleteFileW(pidFile.c_str());
        WriteOut(pidFile, buf);
    }
    CloseHandle(pi.hThread);
    if (o.noWait) {
        CloseHandle(pi.hProcess);
        return 0;
    }
    ULONGLONG started = GetTickCount64();
    WaitForSingleObject(pi.hProcess, INFINITE);
    ULONGLONG wall = GetTickCount64() - started;
    std::wstring statsFile = Get(o, L"stats");
    if (!statsFile.empty()) {
        FILETIME created, ended, kernel, user;
        GetProcessTimes(pi.hProcess, &created, &ended, &kernel, &user);
        auto ms = [](const FILETIME& t) {
            return ((ULONGLONG)t.dwHighDateTime << 32 | t.dwLowDateTime) / 10000;
        };
        PROCESS_MEMORY_COUNTERS mem{};
        mem.cb = sizeof mem;
        GetProcessMemoryInfo(pi.hProcess, &mem, sizeof mem);
        char buf[128];
        snprintf(buf, sizeof buf, "%llu %llu %llu %llu\n", wall, ms(user), ms(kernel),
                 (unsigned long long)mem.PeakWorkingSetSize);
        DeleteFileW(statsFile.c_str());
        WriteOut(statsFile, buf);
    }
    DWORD code = 0;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hProcess);
    return (int)code;
}

// A top-level window of process `pid` (any process for 0) that a FindXxx callback accepts.
struct Search {
    DWORD pid;
    HWND found;
};

DWORD g_pollMs = 50;

HWND WaitForWindow(WNDENUMPROC find, DWORD pid, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        Search s{pid, nullptr};
        EnumWindows(find, reinterpret_cast<LPARAM>(&s));
        if (s.found) return s.found;
        if (GetTickCount() - start > timeoutMs) return nullptr;
        Sleep(g_pollMs);
    }
}

HWND FileNameField(HWND dialog);

BOOL CALLBACK FindBox(HWND hwnd, LPARAM lp) {
    auto* s = reinterpret_cast<Search*>(lp);
    wchar_t cls[64] = {};
    GetClassNameW(hwnd, cls, 64);
    if (wcscmp(cls, L"#32770") != 0 || !IsWindowVisible(hwnd)) return TRUE;
    if (FileNameField(hwnd)) return TRUE;  // a requester, see "filebox"
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (s->pid != 0 && pid != s->pid) return TRUE;
    s->found = hwnd;
    return FALSE;
}

std::wstring WindowText(HWND hwnd) {
    wchar_t buf[4096] = {};
    SendMessageW(hwnd, WM_GETTEXT, 4096, reinterpret_cast<LPARAM>(buf));
    return buf;
}

// The message text of a box: its static control with id 0xFFFF (Wine and
// Windows both use it), else the longest static text.
std::wstring BoxText(HWND box) {
    HWND text = GetDlgItem(box, 0xFFFF);
    if (text) return WindowText(text);
    std::wstring best;
    for (HWND c = GetWindow(box, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        wchar_t cls[32] = {};
        GetClassNameW(c, cls, 32);
        if (_wcsicmp(cls, L"Static") == 0) {
            std::wstring t = WindowText(c);
            if (t.size() > best.size()) best = t;
        }
    }
    return best;
}

int AnswerBox(const Options& o) {
    DWORD pid = (DWORD)_wtoi(Get(o, L"pid", L"0").c_str());
    DWORD timeout = (DWORD)_wtoi(Get(o, L"timeout", L"20000").c_str());
    HWND box = WaitForWindow(FindBox, pid, timeout);
    if (!box) return 1;
    const ULONGLONG found = GetTickCount64();
    WriteOut(Get(o, L"out"), Utf8(WindowText(box) + L"\n" + BoxText(box) + L"\n"));
    std::wstring answer = Get(o, L"answer", L"ok");
    int id = answer == L"yes" ? IDYES : answer == L"no" ? IDNO : answer == L"cancel" ? IDCANCEL : IDOK;
    HWND button = GetDlgItem(box, id);
    // The press itself returns only once the box has handled it and closed.
    const ULONGLONG answered = GetTickCount64();
    if (button) {
        SendMessageW(button, BM_CLICK, 0, 0);
    } else {
        PostMessageW(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
    }
    const std::wstring stamp = Get(o, L"stamp");
    if (!stamp.empty())
        WriteOut(stamp, std::to_string(found) + " " + std::to_string(answered) + "\n");
    return 0;
}

// The file-name field of an open-file requester: the combo box cmb13 (its
// edit inside) of the Explorer-style dialog, else edt1, else any edit.
HWND FileNameField(HWND dialog) {
    HWND combo = GetDlgItem(dialog, 0x47C);
    if (combo) {
        HWND inner = FindWindowExW(combo, nullptr, L"Edit", nullptr);
        return inner ? inner : combo;
    }
    HWND edit = GetDlgItem(dialog, 0x480);
    if (edit) return edit;
    return FindWindowExW(dialog, nullptr, L"Edit", nullptr);
}

BOOL CALLBACK FindFileBox(HWND hwnd, LPARAM lp) {
    auto* s = reinterpret_cast<Search*>(lp);
    wchar_t cls[64] = {};
    GetClassNameW(hwnd, cls, 64);
    if (wcscmp(cls, L"#32770") != 0 || !IsWindowVisible(hwnd)) return TRUE;
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (s->pid != 0 && pid != s->pid) return TRUE;
    if (!FileNameField(hwnd)) return TRUE;  // a message box
    s->found = hwnd;
    return FALSE;
}

int AnswerFileBox(const Options& o) {
    const DWORD pid = (DWORD)_wtoi(Get(o, L"pid", L"0").c_str());
    const DWORD timeout = (DWORD)_wtoi(Get(o, L"timeout", L"20000").c_str());
    const HWND found = WaitForWindow(FindFileBox, pid, timeout);
    if (!found) return 1;
    WriteOut(Get(o, L"out"), Utf8(WindowText(found) + L"\n"));
    const bool cancel = Get(o, L"path").empty();
    if (!cancel) SendMessageW(FileNameField(found), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(Get(o, L"path").c_str()));
    const int id = cancel ? IDCANCEL : IDOK;
    // Posted: pressing Open may lead to a modal box of the program's own.
    PostMessageW(found, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(found, id)));
    const DWORD pressed = GetTickCount();
    while (IsWindow(found) && IsWindowVisible(found)) {
        if (GetTickCount() - pressed > timeout) return 2;
        Sleep(g_pollMs);
    }
    const std::wstring stamp = Get(o, L"stamp");
    if (!stamp.empty()) WriteOut(stamp, std::to_string(GetTickCount64()) + "\n");
    return 0;
}

BOOL CALLBACK FindMain(HWND hwnd, LPARAM lp) {
    auto* s = reinterpret_cast<Search*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid != s->pid || GetWindow(hwnd, GW_OWNER)) return TRUE;
    wchar_t cls[64] = {};
    GetClassNameW(hwnd, cls, 64);
    // A drop-down list's list box and a pop-up menu are top-level windows of their own.
    if (wcscmp(cls, L"#32770") == 0 || wcsncmp(cls, L"tooltips", 8) == 0 || wcscmp(cls, L"ComboLBox") == 0 ||
        wcscmp(cls, L"#32768") == 0)
        return TRUE;
    s->found = hwnd;
    return FALSE;
}

// Controls may sit inside the tab panel's pages, so search the whole tree.
HWND FindControl(HWND root, int id) {
    if (HWND direct = GetDlgItem(root, id)) return direct;
    for (HWND c = GetWindow(root, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        if (HWND inner = FindControl(c, id)) return inner;
    return nullptr;
}

struct OwnedSearch {
    HWND owner;
    int id;
    HWND found;
};

// The program's dialog is a window of its own, owned by the main window.
BOOL CALLBACK FindInOwned(HWND hwnd, LPARAM lp) {
    auto* s = reinterpret_cast<OwnedSearch*>(lp);
    if (GetWindow(hwnd, GW_OWNER) != s->owner || !IsWindowVisible(hwnd)) return TRUE;
    s->found = FindControl(hwnd, s->id);
    return s->found ? FALSE : TRUE;
}

HWND FindControlAnywhere(HWND main, int id) {
    if (HWND c = FindControl(main, id)) return c;
    OwnedSearch s{main, id, nullptr};
    EnumWindows(FindInOwned, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

// The text of a tree item of another process: through a buffer in that process.
std::wstring TreeItemText(HWND tree, HANDLE process, HTREEITEM item) {
    const SIZE_T chars = 512;
    void* remote = VirtualAllocEx(process, nullptr, sizeof(TVITEMW) + chars * sizeof(wchar_t), MEM_COMMIT, PAGE_READWRITE);
    if (!remote) return {};
    TVITEMW request{};
    request.mask = TVIF_TEXT;
    request.hItem = item;
    request.pszText = reinterpret_cast<wchar_t*>(static_cast<char*>(remote) + sizeof(TVITEMW));
    request.cchTextMax = static_cast<int>(chars);
    WriteProcessMemory(process, remote, &request, sizeof(request), nullptr);
    SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(remote));
    std::wstring text(chars, L'\0');
    ReadProcessMemory(process, request.pszText, text.data(), chars * sizeof(wchar_t), nullptr);
    VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    return text.c_str();
}

// Opens the tree along `path` ("Larkmail\Mail\Old Mail", each part an item's
// name before its " (") and selects the last part; prints the items passed.
int SelectTreePath(HWND tree, DWORD pid, const std::wstring& path) {
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    if (!process) return 6;
    HTREEITEM item = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
    std::size_t at = 0;
    std::string seen;
    for (;;) {
        std::size_t slash = path.find(L'\\', at);
        const std::wstring part = path.substr(at, slash == std::wstring::npos ? std::wstring::npos : slash - at);
        while (item) {
            const std::wstring text = TreeItemText(tree, process, item);
            if (text == part || text.rfind(part + L" (", 0) == 0) {
                seen += Utf8(text) + "\n";
                break;
            }
            item = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(item)));
        }
        if (!item) break;
        if (slash == std::wstring::npos) {
            SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
            break;
        }
        SendMessageW(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(item));
        item = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(item)));
        at = slash + 1;
    }
    CloseHandle(process);
    WriteOut(L"", seen);
    return item ? 0 : 7;
}

int WorkControl(const std::wstring& verb, const Options& o) {
    DWORD pid = (DWORD)_wtoi(Get(o, L"pid", L"0").c_str());
    DWORD timeout = (DWORD)_wtoi(Get(o, L"timeout", L"20000").c_str());
    HWND main = WaitForWindow(FindMain, pid, timeout);
    if (!main) return 2;
    if (verb == L"wait-window") return 0;
    GUITHREADINFO gui{};
    gui.cbSize = sizeof gui;
    const DWORD thread = GetWindowThreadProcessId(main, nullptr);
    const HWND focus = GetGUIThreadInfo(thread, &gui) ? gui.hwndFocus : nullptr;
    if (verb == L"focused") {
        WriteOut(L"", std::to_string(focus ? GetDlgCtrlID(focus) : 0));
        return 0;
    }
    if (verb == L"key") {
        const std::wstring k = Get(o, L"key");
        const UINT key = k == L"return" ? VK_RETURN : k == L"space" ? VK_SPACE : k == L"right" ? VK_RIGHT
                         : k == L"back" ? VK_BACK : k == L"end" ? VK_END : k == L"up" ? VK_UP
                         : k == L"down" ? VK_DOWN : k == L"escape" ? VK_ESCAPE : VK_TAB;
        const LPARAM scan = static_cast<LPARAM>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC)) << 16;
        if (!focus) return 5;
        PostMessageW(focus, WM_KEYDOWN, key, scan | 1);
        PostMessageW(focus, WM_KEYUP, key, scan | 1 | 0xC0000000);
        return 0;
    }
    if (verb == L"type") {
        // Characters as the keyboard's translation gives them to the focused control.
        if (!focus) return 5;
        for (wchar_t ch : Get(o, L"value")) PostMessageW(focus, WM_CHAR, ch, 1);
        return 0;
    }
    const int id = _wtoi(Get(o, L"id", L"0").c_str());
    HWND c = FindControlAnywhere(main, id);
    // Controls of a dialog that is opening may take a moment to come.
    for (const DWORD start = GetTickCount(); !c && id && GetTickCount() - start < timeout; c = FindControlAnywhere(main, id))
        Sleep(g_pollMs);
    if (!c) return 3;
    const std::wstring stamp = Get(o, L"stamp");
    if (!stamp.empty()) WriteOut(stamp, std::to_string(GetTickCount64()) + "\n");
    if (verb == L"tree") return SelectTreePath(c, pid, Get(o, L"path"));
    if (verb == L"click") {
        // Posted, so a handler that opens a modal box does not block the driver.
        PostMessageW(c, BM_CLICK, 0, 0);
    } else if (verb == L"text") {
        WriteOut(Get(o, L"out"), Utf8(WindowText(c)));
    } else if (verb == L"check") {
        WriteOut(L"", SendMessageW(c, BM_GETCHECK, 0, 0) == BST_CHECKED ? "1" : "0");
    } else if (verb == L"state") {
        WriteOut(L"", std::string(IsWindowEnabled(c) ? "1" : "0") + (IsWindowVisible(c) ? " 1" : " 0"));
    } else if (verb == L"style") {
        // The control's own flags, whatever tab page is showing.
        const LONG style = GetWindowLongW(c, GWL_STYLE);
        WriteOut(L"", std::string((style & WS_DISABLED) ? "0" : "1") + ((style & WS_VISIBLE) ? " 1" : " 0"));
    } else if (verb == L"focus") {
        // SetFocus reaches another thread's window only with its input attached.
        AttachThreadInput(GetCurrentThreadId(), thread, TRUE);
        SetFocus(c);
        AttachThreadInput(GetCurrentThreadId(), thread, FALSE);
    } else if (verb == L"settext") {
        SendMessageW(c, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(Get(o, L"value").c_str()));
    } else {
        return 4;
    }
    return 0;
}

std::string ReadWhole(const std::wstring& file) {
    std::string bytes;
    HANDLE h = CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return bytes;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(h, buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
    CloseHandle(h);
    return bytes;
}

// Independent of the program's own code on purpose: the system's base64 and sealing.
int Seal(const Options& o) {
    const std::string utf8 = ReadWhole(Get(o, L"in"));
    std::wstring text(utf8.size(), L'\0');
    text.resize(MultiByteToWideChar(CP_UTF8, 0, utf8.data(), (int)utf8.size(), text.data(), (int)text.size()));
    DATA_BLOB in{(DWORD)(text.size() * sizeof(wchar_t)), reinterpret_cast<BYTE*>(text.data())};
    DATA_BLOB out{};
    if (!CryptProtectData(&in, nullptr, nullptr, nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN, &out)) return 1;
    DWORD chars = 0;
    const DWORD flags = CRYPT_STRING_BASE64 | CRYPT_STRING_NOCRLF;
    CryptBinaryToStringW(out.pbData, out.cbData, flags, nullptr, &chars);
    std::wstring base64(chars, L'\0');
    if (!CryptBinaryToStringW(out.pbData, out.cbData, flags, base64.data(), &chars)) return 1;
    base64.resize(chars);
    LocalFree(out.pbData);
    WriteOut(Get(o, L"out"), Utf8(base64));
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) return 64;
    std::wstring verb = argv[1];
    Options o = ParseOptions(argc, argv);
    g_pollMs = (DWORD)_wtoi(Get(o, L"poll", L"50").c_str());
    if (verb == L"launch") return Launch(o);
    if (verb == L"seal") return Seal(o);
    if (verb == L"box") return AnswerBox(o);
    if (verb == L"filebox") return AnswerFileBox(o);
    if (verb == L"nobox")
        return WaitForWindow(FindBox, (DWORD)_wtoi(Get(o, L"pid", L"0").c_str()),
                             (DWORD)_wtoi(Get(o, L"timeout", L"3000").c_str())) ? 1 : 0;
    return WorkControl(verb, o);
}
