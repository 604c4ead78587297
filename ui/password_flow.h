// The archive password from the window: the 7-Zip tab's check box and button,
// dialog 70 that asks for it, asking again when the stored one fails.
#pragma once
#include <string>

// Controls of dialog 70, in tab order.
constexpr int kLabelPassword = 71;
constexpr int kFieldPassword = 72;
constexpr int kLabelPasswordRepeat = 73;
constexpr int kFieldPasswordRepeat = 74;
constexpr int kLabelPasswordNote = 75;
constexpr int kButtonPasswordOk = 76;
constexpr int kButtonPasswordCancel = 77;

// The dialog with the password twice: OK only while both fields match and
// are not empty. True with `password` on OK; the caller wipes it.
bool AskNewPassword(std::wstring& password);
// The dialog with one field, for an archive's own password; `note` says why.
bool AskArchivePassword(const std::wstring& note, std::wstring& password);

// Check box 64: on asks for a password and stores it (off again on Cancel);
// off asks first and then clears it. Button 65 follows the box.
void ToggleEncryption();
// Button 65: a new password for new archives.
void ChangePassword();
// Start-up: box 64 on while a password is stored, button 65 enabled with it.
void ShowEncryptionSetting();
// The error box for a stored password that cannot be unsealed, offering to
// enter it again; true when a new one was stored.
bool OfferPasswordAgain(const std::wstring& reason);
