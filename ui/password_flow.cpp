// The archive password from the window: the 7-Zip tab's check box and button,
// dialog 70 that asks for it, asking again when the stored one fails.
#include "ui/password_flow.h"

#include "config/archive_password.h"
#include "config/language_table.h"
#include "config/settings.h"
#include "platform/dialogs.h"
#include "platform/secrets.h"
#include "platform/window.h"
#include "ui/main_window.h"

namespace {

constexpr int kDialogWidth = 400;
constexpr int kFieldLeft = 150;
constexpr int kRowHeight = 32;
constexpr int kNoteHeight = 64;

std::wstring Text(const wchar_t* key) {
    return LookUpText(L"7-Zip", key);
}

// The typed texts never stay in the fields' copies longer than the comparison.
bool FieldsAcceptable(bool twice) {
    std::wstring first = ReadControlText(kFieldPassword);
    std::wstring second = twice ? ReadControlText(kFieldPasswordRepeat) : first;
    const bool acceptable = !first.empty() && first == second;
    WipeText(first);
    WipeText(second);
    return acceptable;
}

void BuildPasswordDialog(bool twice, const std::wstring& note) {
    int y = 14;
    CreateControl(kLabelPassword, ControlKind::Label, kDialogPage, {12, y + 3, kFieldLeft - 16, 20},
                  Text(L"PasswordFirst"));
    CreateControl(kFieldPassword, ControlKind::SecretField, kDialogPage, {kFieldLeft, y, kDialogWidth - kFieldLeft - 12, 23},
                  L"");
    if (twice) {
        y += kRowHeight;
        CreateControl(kLabelPasswordRepeat, ControlKind::Label, kDialogPage, {12, y + 3, kFieldLeft - 16, 20},
                      Text(L"PasswordSecond"));
        CreateControl(kFieldPasswordRepeat, ControlKind::SecretField, kDialogPage,
                      {kFieldLeft, y, kDialogWidth - kFieldLeft - 12, 23}, L"");
    }
    y += kRowHeight + 4;
    CreateControl(kLabelPasswordNote, ControlKind::Label, kDialogPage, {12, y, kDialogWidth - 24, kNoteHeight}, note);
    y += kNoteHeight + 8;
    CreateControl(kButtonPasswordOk, ControlKind::Button, kDialogPage, {kDialogWidth - 212, y, 95, 27},
                  Text(L"PasswordOk"));
    CreateControl(kButtonPasswordCancel, ControlKind::Button, kDialogPage, {kDialogWidth - 107, y, 95, 27},
                  Text(L"PasswordCancel"));
}

int DialogHeight(bool twice) {
    return 14 + (twice ? 2 : 1) * kRowHeight + 4 + kNoteHeight + 8 + 27 + 12;
}

// Runs the dialog until OK or Cancel; other events meanwhile are of window 0, which takes no input.
bool RunPasswordDialog(const std::wstring& title, const std::wstring& note, bool twice, std::wstring& password) {
    password.clear();
    if (!OpenDialogWindow(title, kDialogWidth, DialogHeight(twice), kButtonPasswordOk, kButtonPasswordCancel))
        return false;
    BuildPasswordDialog(twice, note);
    EnableControl(kButtonPasswordOk, false);
    FocusControl(kFieldPassword);
    bool accepted = false;
    for (;;) {
        const WindowEvent event = WaitForWindowEvent(kWaitForever);
        if (event.kind != kEventControl) continue;
        if (event.number == kFieldPassword || event.number == kFieldPasswordRepeat) {
            EnableControl(kButtonPasswordOk, FieldsAcceptable(twice));
        } else if (event.number == kButtonPasswordCancel) {
            break;
        } else if (event.number == kButtonPasswordOk && FieldsAcceptable(twice)) {
            password = ReadControlText(kFieldPassword);
            accepted = true;
            break;
        }
    }
    SetControlText(kFieldPassword, L"");
    if (twice) SetControlText(kFieldPasswordRepeat, L"");
    CloseDialogWindow();
    return accepted;
}

// True when the new password is stored; says so when it could not be.
bool StoreNewPassword() {
    std::wstring password;
    if (!AskNewPassword(password)) return false;
    const bool stored = StoreArchivePassword(password);
    WipeText(password);
    if (!stored) ShowMessageBox(LookUpText(L"Messages", L"Error"), Text(L"PasswordNotStored"), kBoxErrorOk);
    return stored;
}

bool PasswordStored() {
    return !ReadSettingText(kArchivePasswordKey, L"").empty();
}

}  // namespace

bool AskNewPassword(std::wstring& password) {
    return RunPasswordDialog(Text(L"PasswordTitle"), Text(L"PasswordWarning"), true, password);
}

bool AskArchivePassword(const std::wstring& note, std::wstring& password) {
    return RunPasswordDialog(Text(L"PasswordTitle"), note, false, password);
}

void ToggleEncryption() {
    if (ReadControlCheck(kCheckEncrypt)) {
        if (!StoreNewPassword()) SetControlCheck(kCheckEncrypt, PasswordStored());
    } else if (ShowMessageBox(Text(L"EncryptBackups"), Text(L"EncryptOffQuest"), kBoxQuestionYesNo)) {
        StoreArchivePassword(L"");
    } else {
        SetControlCheck(kCheckEncrypt, true);
    }
    EnableControl(kButtonChangePassword, ReadControlCheck(kCheckEncrypt));
}

void ChangePassword() {
    StoreNewPassword();
}

void ShowEncryptionSetting() {
    const bool on = PasswordStored();
    SetControlCheck(kCheckEncrypt, on);
    EnableControl(kButtonChangePassword, on);
}

bool OfferPasswordAgain(const std::wstring& reason) {
    if (!ShowMessageBox(LookUpText(L"Messages", L"Error"), reason + L" " + LookUpText(L"Messages", L"PasswordAgain"),
                        kBoxErrorYesNo))
        return false;
    const bool stored = StoreNewPassword();
    if (stored) ShowEncryptionSetting();
    return stored;
}
