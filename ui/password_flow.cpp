// The archive password from the window: the check box's dialog, asking again when the stored one fails.
#include "ui/password_flow.h"

#include "config/language_table.h"
#include "platform/dialogs.h"

bool OfferPasswordAgain(const std::wstring& reason) {
    ShowMessageBox(LookUpText(L"Messages", L"Error"), reason, kBoxErrorOk);
    return false;
}
