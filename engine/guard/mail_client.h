// Finding, ending and restarting the mail client.
#pragma once
#include <cstdint>
#include <string>

constexpr wchar_t kMailClientExe[] = L"Larkmail.exe";
constexpr wchar_t kMailClientTitle[] = L"Larkmail";

// Decimal ids of matching processes joined by ",", or empty.
std::wstring FindProcessIds(const std::wstring& exeName);
// First top-level window whose title contains `text` (any case), or 0.
std::uintptr_t FindWindowByTitle(const std::wstring& text);
// Runs "taskkill /f /im larkmail.exe" hidden, optionally waiting for it.
void EndMailClient(bool waitForTaskkill);
// Waits (bounded) until no larkmail.exe process is left; true when gone.
bool WaitUntilMailClientGone(std::uint32_t timeoutMs);
// Starts "larkmail.exe" by bare name, shown, no handle.
void RestartMailClient();
