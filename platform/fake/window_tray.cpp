// The fake window layer's tray icon, its menu and the file and folder requesters.
#include "platform/fake/fake_window.h"
#include "platform/fake/fake_window_world.h"

namespace {

std::wstring NextAnswer() {
    if (World().answers.empty()) return {};
    std::wstring answer = World().answers.front();
    World().answers.pop_front();
    return answer;
}

}  // namespace

bool CreatePopupMenuObject(int menu) {
    World().window.menu = menu == kTrayMenu;
    return World().window.menu;
}

void AddMenuItem(int menu, int item, const std::wstring&) {
    if (World().window.menu && menu == kTrayMenu) World().window.menuItems.push_back(item);
}

void AddMenuSeparator(int menu) {
    if (World().window.menu && menu == kTrayMenu) World().window.menuItems.push_back(0);
}

void EnableMenuItemObject(int item, bool enabled) {
    World().menuEnabled[item] = enabled;
    World().menuChanges[item]++;
}

bool MenuItemEnabled(int item) { return FakeMenuItemEnabled(item); }

void ShowPopupMenuAtPointer(int menu) {
    if (World().window.menu && menu == kTrayMenu) World().window.popupsShown++;
}

void SetMenuItemImage(int menu, int item, int image) {
    if (World().window.menu && menu == kTrayMenu) World().window.menuImages.emplace_back(item, image);
}

bool AddTrayIcon(int icon, int image) {
    FakeMainWindow& w = World().window;
    if (!w.open) return false;
    if (w.trayIcon) RemoveTrayIcon(icon);
    w.trayIcon = true;
    w.trayImage = image;
    w.trayToolTip.clear();
    World().trayLog.push_back(L"add icon " + std::to_wstring(icon) + L" image " + std::to_wstring(image));
    return true;
}

void SetTrayToolTip(int icon, const std::wstring& text) {
    FakeMainWindow& w = World().window;
    if (!w.open || !w.trayIcon) return;
    w.trayToolTip = text.substr(0, kTrayToolTipLimit);
    World().trayLog.push_back(L"tip icon " + std::to_wstring(icon) + L": " + w.trayToolTip);
}

void ShowTrayErrorBalloon(int icon, const std::wstring& title, const std::wstring& text, std::uint32_t shownMs) {
    if (!World().window.open || !World().window.trayIcon) return;
    World().trayLog.push_back(L"error balloon icon " + std::to_wstring(icon) + L", " + std::to_wstring(shownMs) +
                              L" ms: " + title + L" | " + text);
}

void RemoveTrayIcon(int icon) {
    FakeMainWindow& w = World().window;
    if (!w.open) return;
    w.trayIcon = false;
    w.trayToolTip.clear();
    World().trayLog.push_back(L"remove icon " + std::to_wstring(icon));
}

std::wstring AskForFolder(const std::wstring& title, const std::wstring& initialFolder) {
    World().requests.push_back(FakeRequest{true, title, initialFolder, {}});
    return NextAnswer();
}

std::wstring AskForFile(const std::wstring& title, const std::wstring& startFolder, const std::wstring& filter) {
    World().requests.push_back(FakeRequest{false, title, startFolder, filter});
    return NextAnswer();
}
