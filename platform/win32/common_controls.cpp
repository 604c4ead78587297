// The common controls library, loaded when a window first needs it.
#include "platform/win32/common_controls.h"

namespace {

struct Entries {
    bool loaded = false;
    BOOL(WINAPI* initialize)(const INITCOMMONCONTROLSEX*) = nullptr;
    BOOL(WINAPI* setSubclass)(HWND, SUBCLASSPROC, UINT_PTR, DWORD_PTR) = nullptr;
    LRESULT(WINAPI* defSubclass)(HWND, UINT, WPARAM, LPARAM) = nullptr;
};

template <typename Function>
void Resolve(HMODULE module, const char* name, Function& function) {
    function = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

Entries& Loaded() {
    static Entries entries;
    if (entries.loaded) return entries;
    // The process's activation context (the manifest) makes this version 6.
    HMODULE module = LoadLibraryW(L"comctl32.dll");
    if (!module) return entries;
    Resolve(module, "InitCommonControlsEx", entries.initialize);
    Resolve(module, "SetWindowSubclass", entries.setSubclass);
    Resolve(module, "DefSubclassProc", entries.defSubclass);
    entries.loaded = true;
    if (entries.initialize) {
        INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX),
                                      ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES | ICC_LINK_CLASS};
        entries.initialize(&controls);
    }
    return entries;
}

}  // namespace

bool LoadCommonControls() { return Loaded().loaded; }

BOOL SubclassWindow(HWND hwnd, SUBCLASSPROC procedure, UINT_PTR id) {
    const Entries& entries = Loaded();
    return entries.setSubclass ? entries.setSubclass(hwnd, procedure, id, 0) : FALSE;
}

LRESULT CallNextSubclassProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    const Entries& entries = Loaded();
    return entries.defSubclass ? entries.defSubclass(hwnd, message, wParam, lParam)
                               : DefWindowProcW(hwnd, message, wParam, lParam);
}
