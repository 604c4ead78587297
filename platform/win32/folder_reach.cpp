// Folders that may lie on another machine: a bounded look, and a drive letter's share.
#include <windows.h>
#include <winnetwk.h>

#include <string>

#include "platform/files.h"
#include "platform/win32/long_path.h"
#include "platform/win32/owned_handle.h"

namespace {

// Owned by the worker once it runs: a look that outlasts the wait must not
// write into the caller's stack.
struct Look {
    std::wstring path;
    DWORD attributes = INVALID_FILE_ATTRIBUTES;
};

DWORD WINAPI LookAtPath(void* parameter) {
    Look* look = static_cast<Look*>(parameter);
    look->attributes = GetFileAttributesW(LongPath(look->path).c_str());
    return 0;
}

}  // namespace

PathKind LookUpPathKindWithin(const std::wstring& path, std::uint32_t timeoutMs, bool& answered) {
    answered = true;
    Look* look = new Look{path};
    OwnedHandle worker(CreateThread(nullptr, 64 * 1024, LookAtPath, look, 0, nullptr));
    if (!worker.valid()) {
        LookAtPath(look);
    } else if (WaitForSingleObject(worker.value, timeoutMs) != WAIT_OBJECT_0) {
        // Left to finish on its own; the few bytes it holds are the price of never waiting longer.
        answered = false;
        return PathKind::Missing;
    }
    const DWORD attributes = look->attributes;
    delete look;
    if (attributes == INVALID_FILE_ATTRIBUTES) return PathKind::Missing;
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? PathKind::Folder : PathKind::File;
}

std::wstring ReadNetworkDriveShare(const std::wstring& path) {
    if (path.size() < 2 || path[1] != L':' || !iswalpha(path[0])) return {};
    const std::wstring drive = path.substr(0, 2);
    if (GetDriveTypeW((drive + L"\\").c_str()) != DRIVE_REMOTE) return {};
    wchar_t remote[1024];
    DWORD size = sizeof(remote) / sizeof(remote[0]);
    if (WNetGetConnectionW(drive.c_str(), remote, &size) != NO_ERROR) return {};
    return remote;
}
