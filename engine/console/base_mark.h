// A differential's mark of the full it was made against: a small item
// "LarkmailBackup.base" beside the "Larkmail" folder inside the archive, so
// the pair survives renames and copies that its file name does not.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "engine/console/archive_listing.h"

constexpr wchar_t kBaseMarkName[] = L"LarkmailBackup.base";

// What tells one full from every other archive, whatever it is called now:
// its size and the 20 bytes its 7z start header's CRC covers (where its
// header lies, how long it is, and that header's CRC, which covers every
// item's name, time and CRC). The name is only where to look first.
struct ArchiveIdentity {
    std::wstring name;    // the full's file name when the differential was made
    std::int64_t size = -1;
    std::wstring header;  // those 20 bytes in hex, upper case
};

// Of a finished 7z archive only (IsFinishedSevenZipHeader); `name` is the path's file name.
bool ReadArchiveIdentity(const std::wstring& path, ArchiveIdentity& identity);
// "Full = <name>", "Size = <bytes>", "Header = <hex>", UTF-8, each line ended by CR LF.
std::string BaseMarkBytes(const ArchiveIdentity& identity);
// The lines as BaseMarkBytes writes them; false unless size and header are there.
bool ParseBaseMark(const std::vector<std::wstring>& lines, ArchiveIdentity& identity);
// Whether an item is the mark (at the archive's top, letter case ignored).
bool IsBaseMarkItem(const ArchiveItem& item);
// The items without the mark, and whether it was among them.
std::vector<ArchiveItem> WithoutBaseMark(const std::vector<ArchiveItem>& items, bool* held = nullptr);
// In `folder` (with its trailing "\"): the mark's own name when that file is
// the full, else any "*.7z" file there that is; empty when none is.
std::wstring FindMarkedFull(const std::wstring& folder, const ArchiveIdentity& mark);

// "a -t7z -bsp1 " [+ "-p -mhe=on -sccUTF-8 "] + the differential + " LarkmailBackup.base",
// run from the folder that holds the mark's file, so it goes in under its bare name.
std::wstring BuildBaseMarkParameters(const std::wstring& diffPath, bool encrypt = false);
// "e -so -bso0 -bsp0 -bse0 " [+ "-sccUTF-8 "] + "-- " + the archive + " LarkmailBackup.base":
// the mark's bytes alone on standard output.
std::wstring BuildReadBaseMarkParameters(const std::wstring& archivePath, bool withPassword = false);
// Runs 7-Zip hidden and reads the mark of `archivePath`; false when it
// cannot be read (a wrong password, a damaged archive, no mark).
bool ReadBaseMark(const std::wstring& archivePath, const std::wstring& password, ArchiveIdentity& mark);
