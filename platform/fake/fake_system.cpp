// Settable environment, clock, locale, folders and lock: system.h over the fake state.
#include "platform/system.h"

#include "platform/fake/fake_state.h"
#include "platform/text.h"

namespace {

// Windows-1252 at 0x80..0x9F; the rest of the code page is Latin-1.
const char16_t kHighControls[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

}  // namespace

void InitializeProcessServices(bool) {}
void ReleaseProcessServices() {}

std::wstring ReadCommandLineText() {
    return Fake().commandLineText;
}

std::wstring ReadEnvironmentText(const std::wstring& name) {
    auto it = Fake().environment.find(UpperAscii(name));
    return it == Fake().environment.end() ? L"" : it->second;
}

LocalTime ReadLocalTime() {
    return Fake().time;
}

std::wstring ReadUserLocaleName() {
    return Fake().localeName;
}

std::wstring ReadCurrentFolder() {
    // Like the system: no trailing backslash except on a drive root.
    const std::wstring& folder = Fake().currentFolder;
    return folder.size() == 2 && folder[1] == L':' ? folder + L"\\" : folder;
}

bool ChangeCurrentFolder(const std::wstring& path) {
    const std::wstring full = FakeFullPath(path);
    if (!FakeFolderExists(full)) return false;
    Fake().currentFolder = full;
    return true;
}

std::wstring ReadExecutablePath() {
    return Fake().executablePath;
}

bool TakeSingleInstanceLock(const std::wstring&) {
    if (Fake().lockHeldByOther || Fake().lockTaken) return false;
    Fake().lockTaken = true;
    return true;
}

void PauseMilliseconds(std::uint32_t ms) {
    Fake().pausedMs += ms;
    Fake().tickMs += ms;
}

std::uint64_t ReadTickMilliseconds() {
    return Fake().tickMs;
}

std::uint32_t ReadProcessId() {
    return Fake().processId;
}

std::string AnsiFromWide(const std::wstring& text) {
    std::string bytes;
    for (wchar_t c : text) {
        if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
            bytes += static_cast<char>(c);
            continue;
        }
        char mapped = '?';
        for (int i = 0; i < 32; ++i)
            if (kHighControls[i] != 0 && static_cast<wchar_t>(kHighControls[i]) == c)
                mapped = static_cast<char>(0x80 + i);
        bytes += mapped;
    }
    return bytes;
}

std::wstring WideFromAnsi(const std::string& bytes) {
    std::wstring text;
    for (char b : bytes) {
        const unsigned char c = static_cast<unsigned char>(b);
        if (c >= 0x80 && c < 0xA0 && kHighControls[c - 0x80] != 0)
            text += static_cast<wchar_t>(kHighControls[c - 0x80]);
        else
            text += static_cast<wchar_t>(c);  // the five unassigned bytes map to the C1 controls
    }
    return text;
}

void SetFakeEnvironment(const std::wstring& name, const std::wstring& value) {
    Fake().environment[UpperAscii(name)] = value;
}

void SetFakeLocalTime(const LocalTime& time) {
    Fake().time = time;
}

void SetFakeLocaleName(const std::wstring& name) {
    Fake().localeName = name;
}

void SetFakeCurrentFolder(const std::wstring& path) {
    const std::wstring full = FakeFullPath(path);
    FakeMake(full, true);
    Fake().currentFolder = full;
}

void SetFakeExecutablePath(const std::wstring& path) {
    Fake().executablePath = path;
}

void SetFakeLockHeld(bool heldByOther) {
    Fake().lockHeldByOther = heldByOther;
}

std::uint32_t FakePausedMilliseconds() {
    return Fake().pausedMs;
}

bool FakeLockTaken() {
    return Fake().lockTaken;
}

void SetFakeCommandLine(const std::wstring& text) {
    Fake().commandLineText = text;
}
