// The in-memory platform's state, its reset and its path rules.
#include "platform/fake/fake_state.h"

#include "platform/text.h"

namespace {

bool IsDriveRoot(const std::wstring& path) {
    return path.size() == 2 && path[1] == L':';
}

std::vector<std::wstring> SplitParts(const std::wstring& text) {
    std::vector<std::wstring> parts;
    std::wstring part;
    for (wchar_t c : text) {
        if (c == L'\\') {
            parts.push_back(part);
            part.clear();
        } else {
            part += c;
        }
    }
    parts.push_back(part);
    return parts;
}

}  // namespace

FakeState& Fake() {
    static FakeState state;
    static bool ready = false;
    if (!ready) {
        ready = true;  // before the reset, which calls back in here
        ResetFakePlatform();
    }
    return state;
}

std::wstring FakeFullPath(const std::wstring& path) {
    std::wstring text = path;
    for (wchar_t& c : text)
        if (c == L'/') c = L'\\';
    std::wstring head;  // "C:" or "\\server"
    std::wstring rest;
    if (text.size() >= 2 && text[1] == L':') {
        head = text.substr(0, 2);
        rest = text.substr(2);
        if (rest.empty() || rest[0] != L'\\') rest = L"\\" + rest;  // "C:x" taken as "C:\x"
    } else if (text.rfind(L"\\\\", 0) == 0) {
        const std::size_t end = text.find(L'\\', 2);
        head = text.substr(0, end);
        rest = end == std::wstring::npos ? L"" : text.substr(end);
    } else if (!text.empty() && text[0] == L'\\') {
        head = Fake().currentFolder.substr(0, 2);
        rest = text;
    } else {
        const std::wstring base = Fake().currentFolder;
        head = base.substr(0, 2);
        rest = base.substr(2) + L"\\" + text;
    }
    std::vector<std::wstring> kept;
    for (const std::wstring& part : SplitParts(rest)) {
        if (part.empty() || part == L".") continue;
        if (part == L"..") {
            if (!kept.empty()) kept.pop_back();
            continue;
        }
        kept.push_back(part);
    }
    std::wstring full = head;
    for (const std::wstring& part : kept) full += L"\\" + part;
    return full;
}

std::wstring FakeKey(const std::wstring& fullPath) {
    return UpperAsWindows(fullPath);
}

std::wstring FakeParent(const std::wstring& fullPath) {
    if (IsDriveRoot(fullPath)) return L"";
    const std::size_t slash = fullPath.rfind(L'\\');
    if (slash == std::wstring::npos || slash == 0) return L"";
    return fullPath.substr(0, slash);
}

bool FakeFolderExists(const std::wstring& fullPath) {
    if (IsDriveRoot(fullPath)) return true;
    auto it = Fake().nodes.find(FakeKey(fullPath));
    return it != Fake().nodes.end() && it->second.isFolder;
}

FakeNode* FakeFind(const std::wstring& path) {
    auto it = Fake().nodes.find(FakeKey(FakeFullPath(path)));
    return it == Fake().nodes.end() ? nullptr : &it->second;
}

FakeNode& FakeMake(const std::wstring& fullPath, bool isFolder) {
    const std::wstring parent = FakeParent(fullPath);
    if (!parent.empty() && !FakeFolderExists(parent)) FakeMake(parent, true);
    FakeNode& node = Fake().nodes[FakeKey(fullPath)];
    if (node.path.empty()) node.path = fullPath;
    node.isFolder = isFolder;
    return node;
}

void ResetFakePlatform() {
    FakeState& state = Fake();
    state = FakeState{};
    state.time = LocalTime{2026, 12, 7, 15, 35, 1};
    state.localeName = L"English (United States)";
    state.currentFolder = L"C:\\work";
    state.executablePath = L"C:\\work\\LarkmailBackup.exe";
    state.processId = kFakeProcessId;
    state.payloadExe = "MZ fake 7z.exe";
    state.payloadDll = "MZ fake 7z.dll";
    // A process's current folder always exists.
    FakeMake(state.currentFolder, true);
}
