// The folder and open-file requesters over the Windows shell and common dialogs.
#include <windows.h>
#include <commdlg.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <string>

#include "platform/win32/window_internal.h"

namespace {

std::wstring WithTrailingBackslash(std::wstring path) {
    if (!path.empty() && path.back() != L'\\') path.push_back(L'\\');
    return path;
}

// "C:" names the drive's current folder, not its root.
std::wstring FolderForShell(const std::wstring& folder) {
    if (folder.size() == 2 && folder[1] == L':') return folder + L"\\";
    return folder;
}

template <class T>
void ReleaseCom(T*& p) {
    if (p) p->Release();
    p = nullptr;
}

// The Vista-style requester; false when it is not available at all.
bool AskWithFileDialog(const std::wstring& title, const std::wstring& initialFolder, std::wstring& answer) {
    IFileOpenDialog* dialog = nullptr;
    if (FAILED(CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER, IID_IFileOpenDialog,
                                reinterpret_cast<void**>(&dialog))))
        return false;
    FILEOPENDIALOGOPTIONS options = 0;
    dialog->GetOptions(&options);
    dialog->SetOptions(options | FOS_PICKFOLDERS | FOS_FORCEFILESYSTEM | FOS_PATHMUSTEXIST | FOS_NOCHANGEDIR);
    dialog->SetTitle(title.c_str());
    IShellItem* start = nullptr;
    std::wstring folder = FolderForShell(initialFolder);
    if (!folder.empty() &&
        SUCCEEDED(SHCreateItemFromParsingName(folder.c_str(), nullptr, IID_IShellItem, reinterpret_cast<void**>(&start)))) {
        dialog->SetFolder(start);
        ReleaseCom(start);
    }
    answer.clear();
    if (SUCCEEDED(dialog->Show(Layer().main))) {
        IShellItem* chosen = nullptr;
        if (SUCCEEDED(dialog->GetResult(&chosen))) {
            wchar_t* path = nullptr;
            if (SUCCEEDED(chosen->GetDisplayName(SIGDN_FILESYSPATH, &path)) && path) {
                answer = WithTrailingBackslash(path);
                CoTaskMemFree(path);
            }
            ReleaseCom(chosen);
        }
    }
    ReleaseCom(dialog);
    return true;
}

int CALLBACK BrowseCallback(HWND hwnd, UINT message, LPARAM, LPARAM data) {
    if (message == BFFM_INITIALIZED && data) SendMessageW(hwnd, BFFM_SETSELECTIONW, TRUE, data);
    return 0;
}

std::wstring AskWithBrowseDialog(const std::wstring& title, const std::wstring& initialFolder) {
    std::wstring folder = FolderForShell(initialFolder);
    BROWSEINFOW info{};
    info.hwndOwner = Layer().main;
    info.lpszTitle = title.c_str();
    info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
    info.lpfn = BrowseCallback;
    info.lParam = folder.empty() ? 0 : reinterpret_cast<LPARAM>(folder.c_str());
    PIDLIST_ABSOLUTE chosen = SHBrowseForFolderW(&info);
    if (!chosen) return {};
    wchar_t path[MAX_PATH] = {};
    bool ok = SHGetPathFromIDListW(chosen, path) != FALSE;
    CoTaskMemFree(chosen);
    return ok && path[0] ? WithTrailingBackslash(path) : std::wstring();
}

}  // namespace

std::wstring AskForFolder(const std::wstring& title, const std::wstring& initialFolder) {
    std::wstring answer;
    if (AskWithFileDialog(title, initialFolder, answer)) return answer;
    return AskWithBrowseDialog(title, initialFolder);
}

std::wstring AskForFile(const std::wstring& title, const std::wstring& startFolder, const std::wstring& filter) {
    // The common dialog wants the pairs separated by NULs and a second NUL at the end.
    std::wstring pairs = filter;
    for (wchar_t& c : pairs)
        if (c == L'|') c = L'\0';
    pairs.push_back(L'\0');
    pairs.push_back(L'\0');
    std::wstring buffer(32768, L'\0');
    OPENFILENAMEW request{};
    request.lStructSize = sizeof(request);
    request.hwndOwner = Layer().main;
    request.lpstrFilter = pairs.c_str();
    request.nFilterIndex = 1;
    request.lpstrFile = buffer.data();
    request.nMaxFile = static_cast<DWORD>(buffer.size());
    request.lpstrInitialDir = startFolder.empty() ? nullptr : startFolder.c_str();
    request.lpstrTitle = title.c_str();
    request.Flags = OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST | OFN_NOCHANGEDIR | OFN_EXPLORER;
    // Bound when asked for: the library pulls in the common controls, whose
    // start-up connects Wine to the display, and a run without a window needs neither.
    static const auto openFile = reinterpret_cast<BOOL(WINAPI*)(OPENFILENAMEW*)>(
        reinterpret_cast<void*>(GetProcAddress(LoadLibraryW(L"comdlg32.dll"), "GetOpenFileNameW")));
    if (!openFile || !openFile(&request)) return {};
    return std::wstring(buffer.c_str());
}
