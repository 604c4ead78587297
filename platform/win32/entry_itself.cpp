// Folder entries opened, identified and deleted through one handle.
#include "platform/win32/entry_itself.h"

#include <winternl.h>

#include <vector>

#include "platform/win32/long_path.h"
#include "platform/win32/owned_handle.h"

namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
// MinGW declares FileDispositionInfoEx only for later Windows 10 versions.
constexpr auto kFileDispositionInfoEx = static_cast<FILE_INFO_BY_HANDLE_CLASS>(21);

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

bool SamePath(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()), TRUE) ==
           CSTR_EQUAL;
}

// "C:\a\b" -> "C:\a", "C:\a" -> "C:\", "b" -> "."
std::wstring FolderOf(const std::wstring& path) {
    const std::size_t slash = path.find_last_of(L"\\/");
    if (slash == std::wstring::npos) return L".";
    std::wstring folder = path.substr(0, slash);
    if (folder.empty() || folder.back() == L':') folder += L'\\';
    return folder;
}

std::wstring NameOf(const std::wstring& path) {
    const std::size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

OwnedHandle OpenEntryItself(const std::wstring& path, DWORD access) {
    return OwnedHandle(CreateFileW(LongPath(path).c_str(), access, kShareAll, nullptr, OPEN_EXISTING,
                                   FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
}

// Wine 8's GetFinalPathNameByHandleW gives up past MAX_PATH; the name ntdll
// keeps of the object, asked with room for any length, is "\??\Z:\..." there,
// which is its answer with "\\?\" in front. Windows answers the first call
// for any length, so this is never reached there.
std::wstring ObjectPathOf(HANDLE handle) {
    using QueryObject = LONG(WINAPI*)(HANDLE, int, void*, ULONG, ULONG*);
    constexpr int kObjectNameInformation = 1;
    static const auto query = reinterpret_cast<QueryObject>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryObject")));
    if (!query) return {};
    std::vector<unsigned char> buffer(sizeof(UNICODE_STRING) + 32768 * sizeof(wchar_t));
    ULONG got = 0;
    if (query(handle, kObjectNameInformation, buffer.data(), static_cast<ULONG>(buffer.size()), &got) < 0) return {};
    const auto* name = reinterpret_cast<const UNICODE_STRING*>(buffer.data());
    const std::wstring path(name->Buffer, name->Length / sizeof(wchar_t));
    if (path.compare(0, 4, L"\\??\\") != 0) return {};
    return L"\\\\?\\" + path.substr(4);
}

std::wstring ResolvedPathOf(HANDLE handle) {
    std::wstring path(MAX_PATH, L'\0');
    for (int attempt = 0; attempt < 2; ++attempt) {
        const DWORD length =
            GetFinalPathNameByHandleW(handle, &path[0], static_cast<DWORD>(path.size()), FILE_NAME_NORMALIZED);
        if (length == 0) return ObjectPathOf(handle);
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(length);  // too small: `length` counts the terminator
    }
    return {};
}

EntryIdentity IdentifyOpened(HANDLE entry, const std::wstring& folderResolved, const std::wstring& name,
                             DWORD* attributes = nullptr) {
    FILE_ATTRIBUTE_TAG_INFO tag{};
    if (!GetFileInformationByHandleEx(entry, FileAttributeTagInfo, &tag, sizeof(tag))) return EntryIdentity::Unknown;
    if (attributes) *attributes = tag.FileAttributes;
    // Wine lists a Unix link to a folder as a reparse point but opens it as
    // the target's plain folder, so only Windows gets here with a link.
    if (tag.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) return EntryIdentity::Link;
    const std::wstring resolved = ResolvedPathOf(entry);
    if (resolved.empty() || folderResolved.empty() || name.empty()) return EntryIdentity::Unknown;
    std::wstring own = folderResolved;
    if (!IsSeparator(own.back())) own += L'\\';
    own += name;
    return SamePath(resolved, own) ? EntryIdentity::Itself : EntryIdentity::Elsewhere;
}

// A tree is deleted folder by folder, so the folder of the last entry is
// mostly the next one's too. A stale answer can only refuse: an entry that
// resolves into the folder as it was resolved is inside it.
std::wstring ResolveFolderOnce(const std::wstring& folder) {
    static std::wstring lastFolder, lastResolved;
    if (lastResolved.empty() || folder != lastFolder) {
        lastResolved = ResolveFolderPath(folder);
        lastFolder = folder;
    }
    return lastResolved;
}

}  // namespace

std::wstring ResolveFolderPath(const std::wstring& folder) {
    OwnedHandle handle(CreateFileW(folder.empty() ? L"." : LongPath(folder).c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr,
                                   OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    return handle.valid() ? ResolvedPathOf(handle.value) : std::wstring();
}

EntryIdentity IdentifyEntryAt(const std::wstring& path, const std::wstring& folderResolved) {
    OwnedHandle entry = OpenEntryItself(path, FILE_READ_ATTRIBUTES);
    return entry.valid() ? IdentifyOpened(entry.value, folderResolved, NameOf(path)) : EntryIdentity::Unknown;
}

bool DeleteEntryAt(const std::wstring& path, bool folder) {
    OwnedHandle entry = OpenEntryItself(path, DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES);
    if (!entry.valid()) return false;
    DWORD attributes = 0;
    const EntryIdentity identity =
        IdentifyOpened(entry.value, ResolveFolderOnce(FolderOf(path)), NameOf(path), &attributes);
    if (identity != EntryIdentity::Itself && identity != EntryIdentity::Link) return false;
    if (((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) != folder) return false;
    // Windows refuses to delete a read-only file; FILE_ATTRIBUTE_NORMAL clears all.
    if (attributes & FILE_ATTRIBUTE_READONLY) {
        FILE_BASIC_INFO basic{};
        basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
        SetFileInformationByHandle(entry.value, FileBasicInfo, &basic, sizeof(basic));
    }
    // The name goes at once, as with DeleteFileW on Windows 10, even while
    // another program (an indexer, a virus scanner) has it open for a moment,
    // so its folder can go too. Older Windows and Wine 8 refuse it, and are
    // not asked again.
    static bool posixDeleteRefused = false;
    if (!posixDeleteRefused) {
        FILE_DISPOSITION_INFO_EX now{};
        now.Flags = FILE_DISPOSITION_FLAG_DELETE | FILE_DISPOSITION_FLAG_POSIX_SEMANTICS;
        if (SetFileInformationByHandle(entry.value, kFileDispositionInfoEx, &now, sizeof(now))) return true;
        const DWORD error = GetLastError();
        posixDeleteRefused = error == ERROR_INVALID_PARAMETER || error == ERROR_NOT_SUPPORTED ||
                             error == ERROR_INVALID_FUNCTION || error == ERROR_CALL_NOT_IMPLEMENTED;
    }
    FILE_DISPOSITION_INFO disposition{};
    disposition.DeleteFile = TRUE;
    return SetFileInformationByHandle(entry.value, FileDispositionInfo, &disposition, sizeof(disposition)) != 0;
}
