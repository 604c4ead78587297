// Shell links over the component object library: IShellLinkW saved and loaded through IPersistFile.
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include "platform/shell.h"

namespace {

// COM for the calling thread around one piece of work; start-up may have
// initialised it already, which only counts it up once more.
struct ComScope {
    bool ready = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    ~ComScope() {
        if (ready) CoUninitialize();
    }
};

template <typename T>
struct Released {
    T* p = nullptr;
    ~Released() {
        if (p) p->Release();
    }
};

bool MakeLink(Released<IShellLinkW>& link) {
    return SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                      reinterpret_cast<void**>(&link.p)));
}

std::wstring FromBuffer(const wchar_t* buffer) { return std::wstring(buffer); }

}  // namespace

bool CreateShortcut(const std::wstring& linkPath, const ShortcutFields& fields) {
    ComScope com;
    if (!com.ready) return false;
    Released<IShellLinkW> link;
    if (!MakeLink(link)) return false;
    link.p->SetPath(fields.target.c_str());
    link.p->SetArguments(fields.arguments.c_str());
    link.p->SetWorkingDirectory(fields.workingFolder.c_str());
    link.p->SetDescription(fields.description.c_str());
    link.p->SetShowCmd(fields.showCommand);
    link.p->SetHotkey(static_cast<WORD>(fields.hotKey));
    link.p->SetIconLocation(fields.iconPath.c_str(), fields.iconIndex);
    Released<IPersistFile> file;
    if (FAILED(link.p->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file.p)))) return false;
    return SUCCEEDED(file.p->Save(linkPath.c_str(), TRUE));
}

bool ReadShortcut(const std::wstring& linkPath, ShortcutFields& fields) {
    ComScope com;
    if (!com.ready) return false;
    Released<IShellLinkW> link;
    if (!MakeLink(link)) return false;
    Released<IPersistFile> file;
    if (FAILED(link.p->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file.p)))) return false;
    if (FAILED(file.p->Load(linkPath.c_str(), STGM_READ))) return false;
    // The link's own fields as stored, without resolving anything.
    wchar_t buffer[32768];
    buffer[0] = 0;
    if (FAILED(link.p->GetPath(buffer, ARRAYSIZE(buffer), nullptr, SLGP_RAWPATH))) buffer[0] = 0;
    fields.target = FromBuffer(buffer);
    buffer[0] = 0;
    link.p->GetArguments(buffer, ARRAYSIZE(buffer));
    fields.arguments = FromBuffer(buffer);
    buffer[0] = 0;
    link.p->GetWorkingDirectory(buffer, ARRAYSIZE(buffer));
    fields.workingFolder = FromBuffer(buffer);
    buffer[0] = 0;
    link.p->GetDescription(buffer, ARRAYSIZE(buffer));
    fields.description = FromBuffer(buffer);
    buffer[0] = 0;
    int index = 0;
    link.p->GetIconLocation(buffer, ARRAYSIZE(buffer), &index);
    fields.iconPath = FromBuffer(buffer);
    fields.iconIndex = index;
    int show = 0;
    link.p->GetShowCmd(&show);
    fields.showCommand = show;
    WORD key = 0;
    link.p->GetHotkey(&key);
    fields.hotKey = key;
    return true;
}
