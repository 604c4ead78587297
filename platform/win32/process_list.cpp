// The process list (Toolhelp, looked up at run time) and the top-level windows.
#include <windows.h>
#include <tlhelp32.h>

#include <string>

#include "platform/process.h"
#include "platform/win32/owned_handle.h"

namespace {

using SnapshotFunction = HANDLE(WINAPI*)(DWORD, DWORD);
using WalkFunction = BOOL(WINAPI*)(HANDLE, PROCESSENTRY32W*);

struct ToolhelpCalls {
    SnapshotFunction createSnapshot = nullptr;
    WalkFunction first = nullptr;
    WalkFunction next = nullptr;
};

// The one place where the Toolhelp entry points are looked up.
ToolhelpCalls LookUpToolhelp() {
    ToolhelpCalls calls;
    HMODULE kernel = GetModuleHandleW(L"Kernel32.dll");
    if (!kernel) return calls;
    calls.createSnapshot = reinterpret_cast<SnapshotFunction>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "CreateToolhelp32Snapshot")));
    calls.first = reinterpret_cast<WalkFunction>(reinterpret_cast<void*>(GetProcAddress(kernel, "Process32FirstW")));
    calls.next = reinterpret_cast<WalkFunction>(reinterpret_cast<void*>(GetProcAddress(kernel, "Process32NextW")));
    return calls;
}

BOOL CALLBACK CollectWindow(HWND window, LPARAM context) {
    auto* windows = reinterpret_cast<std::vector<TopLevelWindow>*>(context);
    TopLevelWindow entry;
    entry.id = reinterpret_cast<std::uintptr_t>(window);
    int length = GetWindowTextLengthW(window);
    if (length > 0) {
        std::wstring title(length + 1, L'\0');
        int got = GetWindowTextW(window, &title[0], length + 1);
        title.resize(got > 0 ? got : 0);
        entry.title = title;
    }
    windows->push_back(entry);
    return TRUE;
}

}  // namespace

bool ListProcesses(std::vector<ProcessEntry>& processes) {
    processes.clear();
    ToolhelpCalls calls = LookUpToolhelp();
    if (!calls.createSnapshot || !calls.first || !calls.next) return false;
    OwnedHandle snapshot(calls.createSnapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot.valid()) return false;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    if (!calls.first(snapshot.value, &entry)) return GetLastError() == ERROR_NO_MORE_FILES;
    do {
        processes.push_back(ProcessEntry{entry.th32ProcessID, entry.szExeFile});
        entry.dwSize = sizeof entry;
    } while (calls.next(snapshot.value, &entry));
    return true;
}

std::vector<TopLevelWindow> ListTopLevelWindows() {
    std::vector<TopLevelWindow> windows;
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&windows));
    return windows;
}
