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

// The OEM code page of Wine's default locale, 437, from 0x80 on.
const char16_t kOemHighHalf[128] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7, 0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE, 0x00EC, 0x00C4, 0x00C5,
    0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9, 0x00FF, 0x00D6, 0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192,
    0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA, 0x00BA, 0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556, 0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510,
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F, 0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567,
    0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B, 0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,
    0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4, 0x03A6, 0x0398, 0x03A9, 0x03B4, 0x221E, 0x03C6, 0x03B5, 0x2229,
    0x2261, 0x00B1, 0x2265, 0x2264, 0x2320, 0x2321, 0x00F7, 0x2248, 0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0,
};

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

std::wstring WideFromOem(const std::string& bytes) {
    std::wstring text;
    for (char b : bytes) {
        const unsigned char c = static_cast<unsigned char>(b);
        text += static_cast<wchar_t>(c < 0x80 ? c : kOemHighHalf[c - 0x80]);
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
