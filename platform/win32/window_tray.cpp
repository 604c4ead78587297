// The notification-area icon of window 0 and the images of the pop-up menu's items.
#include <windows.h>
#include <shellapi.h>

#include "payload/resource_ids.h"
#include "platform/win32/window_internal.h"

namespace {

// Image 54 is the program's own icon; the menu images carry their numbers as resource ids.
int ResourceOfImage(int image) { return image == kProgramIconImage ? LARKMAIL_RES_APP_ICON : image; }

HICON LoadImageIcon(int image, int size) {
    return static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(ResourceOfImage(image)),
                                         IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
}

NOTIFYICONDATAW TrayData(int icon) {
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof(data);
    data.hWnd = Layer().main;
    data.uID = static_cast<UINT>(icon);
    return data;
}

// Wine copies a menu item's bitmap without its alpha, so transparent pixels would come out black.
bool MenusIgnoreAlpha() {
    static const bool wine = [] {
        HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
        return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
    }();
    return wine;
}

// Menus draw a 32-bit bitmap with premultiplied alpha as it is; the icon is
// drawn onto a transparent one, which leaves exactly that. Where alpha is
// ignored the icon is drawn onto the menu's own colour instead.
HBITMAP BitmapOfIcon(HICON icon, int size) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = size;
    info.bmiHeader.biHeight = -size;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC dc = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);
    if (!bitmap || !dc) {
        if (bitmap) DeleteObject(bitmap);
        if (dc) DeleteDC(dc);
        return nullptr;
    }
    HGDIOBJ old = SelectObject(dc, bitmap);
    const bool opaque = MenusIgnoreAlpha();
    auto* pixels = static_cast<DWORD*>(bits);
    const COLORREF menu = GetSysColor(COLOR_MENU);
    const DWORD fill = opaque ? 0xFF000000u | (GetRValue(menu) << 16) | (GetGValue(menu) << 8) | GetBValue(menu) : 0;
    for (int i = 0; i < size * size; ++i) pixels[i] = fill;
    DrawIconEx(dc, 0, 0, icon, size, size, 0, nullptr, DI_NORMAL);
    SelectObject(dc, old);
    DeleteDC(dc);
    GdiFlush();
    if (opaque) return bitmap;
    // A system that blits without alpha leaves every alpha byte 0: take the opaque pixels as they are.
    auto* pixel = static_cast<unsigned char*>(bits);
    bool anyAlpha = false;
    for (int i = 0; i < size * size; ++i) anyAlpha = anyAlpha || pixel[i * 4 + 3] != 0;
    if (!anyAlpha)
        for (int i = 0; i < size * size; ++i)
            if (pixel[i * 4] | pixel[i * 4 + 1] | pixel[i * 4 + 2]) pixel[i * 4 + 3] = 255;
    return bitmap;
}

void PutMenuBitmap(int item, int image) {
    WindowLayer& w = Layer();
    const int size = ScaleToDpi(16);
    HICON icon = LoadImageIcon(image, size);
    HBITMAP bitmap = icon ? BitmapOfIcon(icon, size) : nullptr;
    if (icon) DestroyIcon(icon);
    if (!bitmap) return;
    MENUITEMINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_BITMAP;
    info.hbmpItem = bitmap;
    if (!SetMenuItemInfoW(w.menu, static_cast<UINT>(item), FALSE, &info)) {
        DeleteObject(bitmap);
        return;
    }
    auto old = w.menuItemBitmaps.find(item);
    if (old != w.menuItemBitmaps.end()) DeleteObject(old->second);
    w.menuItemBitmaps[item] = bitmap;
}

}  // namespace

void SetMenuItemImage(int menu, int item, int image) {
    WindowLayer& w = Layer();
    if (!w.menu || menu != w.menuNumber) return;
    w.menuItemImages[item] = image;
    PutMenuBitmap(item, image);
}

void RedrawMenuImages() {
    WindowLayer& w = Layer();
    if (!w.menu) return;
    for (const auto& entry : w.menuItemImages) PutMenuBitmap(entry.first, entry.second);
}

bool AddTrayIcon(int icon, int image) {
    WindowLayer& w = Layer();
    if (!w.main) return false;
    RemoveTrayIcon(icon);
    HICON picture = LoadImageIcon(image, GetSystemMetrics(SM_CXSMICON));
    NOTIFYICONDATAW data = TrayData(icon);
    data.uFlags = NIF_MESSAGE | NIF_ICON;
    data.uCallbackMessage = kTrayCallbackMessage;
    data.hIcon = picture;
    if (!Shell_NotifyIconW(NIM_ADD, &data)) {
        if (picture) DestroyIcon(picture);
        return false;
    }
    // Version 4: mouse actions arrive as WM_*BUTTON* in the low word, the shell's own notices apart.
    data.uVersion = NOTIFYICON_VERSION_4;
    Shell_NotifyIconW(NIM_SETVERSION, &data);
    if (w.trayIcon) DestroyIcon(w.trayIcon);
    w.trayIcon = picture;
    w.trayShown = true;
    return true;
}

void SetTrayToolTip(int icon, const std::wstring& text) {
    if (!Layer().main) return;
    NOTIFYICONDATAW data = TrayData(icon);
    // Version 4 hides the standard tip unless asked for it.
    data.uFlags = NIF_TIP | NIF_SHOWTIP;
    lstrcpynW(data.szTip, text.substr(0, kTrayToolTipLimit).c_str(), ARRAYSIZE(data.szTip));
    Shell_NotifyIconW(NIM_MODIFY, &data);
}

void ShowTrayErrorBalloon(int icon, const std::wstring& title, const std::wstring& text, std::uint32_t shownMs) {
    if (!Layer().main) return;
    NOTIFYICONDATAW data = TrayData(icon);
    data.uFlags = NIF_INFO;
    data.dwInfoFlags = NIIF_ERROR;
    data.uTimeout = shownMs;  // newer systems decide for themselves; Wine keeps it between 10 and 30 s
    lstrcpynW(data.szInfoTitle, title.c_str(), ARRAYSIZE(data.szInfoTitle));
    lstrcpynW(data.szInfo, text.c_str(), ARRAYSIZE(data.szInfo));
    Shell_NotifyIconW(NIM_MODIFY, &data);
}

void RemoveTrayIcon(int icon) {
    WindowLayer& w = Layer();
    if (!w.main) return;
    NOTIFYICONDATAW data = TrayData(icon);
    Shell_NotifyIconW(NIM_DELETE, &data);
    w.trayShown = false;
    if (w.trayIcon) DestroyIcon(w.trayIcon);
    w.trayIcon = nullptr;
}

void ReleaseTrayAndMenuImages() {
    WindowLayer& w = Layer();
    RemoveTrayIcon(kMainWindow);  // whatever the layer believes: the shell may have it from before a restart
    if (w.trayIcon) DestroyIcon(w.trayIcon);
    w.trayIcon = nullptr;
    for (const auto& entry : w.menuItemBitmaps) DeleteObject(entry.second);
    w.menuItemBitmaps.clear();
}
