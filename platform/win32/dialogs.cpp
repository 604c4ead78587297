// System message boxes.
#include <windows.h>

#include "platform/dialogs.h"

bool ShowMessageBox(const std::wstring& title, const std::wstring& text, unsigned type) {
    return MessageBoxW(GetActiveWindow(), text.c_str(), title.c_str(), type) == IDYES;
}
