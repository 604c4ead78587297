// The 7-Zip files carried as RCDATA resources of the program's own file.
#include <windows.h>

#include "payload/resource_ids.h"
#include "platform/payload.h"

std::string LoadPayloadBytes(PayloadItem item) {
    int id = item == PayloadItem::SevenZipExe ? LARKMAIL_RES_7ZIP_EXE : LARKMAIL_RES_7ZIP_DLL;
    HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(10));
    if (!found) return {};
    DWORD size = SizeofResource(nullptr, found);
    HGLOBAL loaded = LoadResource(nullptr, found);
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    if (!bytes || size == 0) return {};
    return std::string(static_cast<const char*>(bytes), size);
}
