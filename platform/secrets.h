// Secrets tied to the Windows user: the system seals them, only that user's logon opens them again.
#pragma once
#include <string>

// Seals the text's UTF-16LE bytes (no terminator) for the current user, without
// any prompt; false when the system refuses.
bool ProtectSecret(const std::wstring& secret, std::string& blob);
// False when the blob is damaged or was sealed by another user or before a
// password reset; `secret` is then empty.
bool UnprotectSecret(const std::string& blob, std::wstring& secret);
// Overwrites the contents before they are freed, so no copy lingers in memory.
void WipeText(std::wstring& text);
void WipeBytes(std::string& bytes);
