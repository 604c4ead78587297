// What a 7z archive holds, as "7z.exe l -slt" lists it, and whether an extraction delivered all of it.
#include "engine/console/archive_listing.h"

#include <cwchar>

#include "engine/console/crc32.h"
#include "platform/files.h"
#include "platform/process.h"
#include "platform/secrets.h"
#include "platform/system.h"
#include "platform/text.h"

namespace {

// A listing line may be long in coming while 7-Zip reads a big header.
constexpr std::uint32_t kListLineTimeoutMs = 60000;
// How often the window's wait on a listing looks whether 7-Zip still writes.
constexpr std::uint32_t kListLookMs = 1000;

bool StartsWith(const std::wstring& text, const wchar_t* prefix) {
    return text.compare(0, std::wcslen(prefix), prefix) == 0;
}

std::wstring ValueAfter(const std::wstring& line, const wchar_t* prefix) {
    return line.substr(std::wcslen(prefix));
}

std::int64_t ParseSize(const std::wstring& text) {
    if (text.empty()) return -1;
    std::int64_t value = 0;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9') return -1;
        value = value * 10 + (c - L'0');
    }
    return value;
}

// Attributes read like "D", "A", "RHA" or, from Unix archives, "D drwxr-xr-x";
// only folders carry the letter D before the blank.
bool AttributesNameFolder(const std::wstring& value) {
    return value.substr(0, value.find(L' ')).find(L'D') != std::wstring::npos;
}

bool ParseCrc(const std::wstring& text, std::uint32_t& crc) {
    if (text.size() != 8) return false;
    crc = 0;
    for (wchar_t c : text) {
        int digit = -1;
        if (c >= L'0' && c <= L'9') digit = c - L'0';
        if (c >= L'A' && c <= L'F') digit = c - L'A' + 10;
        if (c >= L'a' && c <= L'f') digit = c - L'a' + 10;
        if (digit < 0) return false;
        crc = (crc << 4) | static_cast<std::uint32_t>(digit);
    }
    return true;
}

}  // namespace

std::wstring BuildListParameters(const std::wstring& archivePath) {
    const bool blank = archivePath.find(L' ') != std::wstring::npos;
    return L"l -slt -sccUTF-8 " + (blank ? L"\"" + archivePath + L"\"" : archivePath);
}

std::vector<ArchiveItem> ParseArchiveListing(const std::vector<std::wstring>& lines) {
    std::vector<ArchiveItem> items;
    bool inItems = false;
    for (const std::wstring& line : lines) {
        if (!inItems) {
            inItems = line == L"----------";
            continue;
        }
        if (StartsWith(line, L"Path = ")) {
            items.push_back(ArchiveItem{ValueAfter(line, L"Path = "), false, -1});
        } else if (items.empty()) {
            continue;
        } else if (StartsWith(line, L"Size = ")) {
            items.back().size = ParseSize(ValueAfter(line, L"Size = "));
        } else if (StartsWith(line, L"Attributes = ")) {
            items.back().isFolder = items.back().isFolder || AttributesNameFolder(ValueAfter(line, L"Attributes = "));
        } else if (StartsWith(line, L"CRC = ")) {
            items.back().hasCrc = ParseCrc(ValueAfter(line, L"CRC = "), items.back().crc);
        } else if (line == L"Anti = +") {
            items.back().isAnti = true;
        } else if (line == L"Folder = +") {
            items.back().isFolder = true;
        } else if (line == L"Encrypted = +") {
            items.back().encrypted = true;
        }
    }
    return items;
}

ArchiveListing ListArchive(const std::wstring& archivePath, const std::wstring& password, const JobWindow& window) {
    ArchiveListing listing;
    StartOptions options;
    options.hidden = true;
    options.keepHandle = true;
    options.readOutput = true;
    // 7-Zip writes its listing line by line: a pipe would cost seconds for a
    // big archive under Wine. Yet the names of an encrypted archive are as
    // secret as its data, and a file of them could outlive a crash.
    options.outputThroughFile = password.empty();
    // Without any input 7-Zip would take the end of it as a break (exit 255), not as a wrong password.
    options.standardInput = PasswordAnswerBytes(password);
    const ProgramHandle handle = StartProgram(ArchiveToolPath(), BuildListParameters(archivePath), options);
    WipeBytes(options.standardInput);
    if (handle == 0) return listing;
    listing.tool.started = true;
    if (window.waitForEnd) {
        // The output file shows no line before the end, so silence is judged by its growth.
        std::uint64_t heardAtMs = ReadTickMilliseconds();
        std::uint64_t heard = ProgramOutputSize(handle);
        while (!listing.tool.hung && ProgramRunning(handle) && !window.waitForEnd(handle, kListLookMs)) {
            const std::uint64_t now = ReadTickMilliseconds();
            const std::uint64_t size = ProgramOutputSize(handle);
            if (size != heard) {
                heard = size;
                heardAtMs = now;
            } else if (now - heardAtMs >= kListLineTimeoutMs) {
                listing.tool.hung = true;
                EndProgram(handle);
            }
        }
    }
    std::vector<std::wstring> lines;
    while (!listing.tool.hung && ProgramHasOutput(handle)) {
        if (!WaitForProgramLine(handle, kListLineTimeoutMs)) {
            listing.tool.hung = true;
            EndProgram(handle);
            break;
        }
        lines.push_back(ReadProgramLine(handle));
    }
    if (!listing.tool.hung && !WaitForProgram(handle, kListLineTimeoutMs)) {
        listing.tool.hung = true;
        EndProgram(handle);
    }
    listing.tool.exitCode = listing.tool.hung ? -1 : ProgramExitCode(handle);
    ReleaseProgram(handle);
    listing.items = ParseArchiveListing(lines);
    std::wstring output;
    for (const std::wstring& line : lines) output += line + L"\n";
    listing.wrongPassword = OutputTellsWrongPassword(listing.tool.exitCode, output);
    for (const ArchiveItem& item : listing.items) listing.encrypted = listing.encrypted || item.encrypted;
    return listing;
}

bool FileCrc32(const std::wstring& path, std::uint32_t& crc, std::int64_t* size) {
    std::uint32_t value = kCrc32Start;
    std::int64_t total = 0;
    const bool read = ReadFileInPieces(path, [&value, &total](const char* data, std::size_t count) {
        value = UpdateCrc32(value, data, count);
        total += static_cast<std::int64_t>(count);
    });
    crc = value;
    if (size) *size = total;
    return read;
}

std::wstring ItemPathKey(const std::wstring& path) {
    return UpperAsWindows(WithoutTrailingSeparators(WindowsSeparators(path)));
}

bool KeyIsAtOrBelow(const std::wstring& key, const std::wstring& top) {
    return key.compare(0, top.size(), top) == 0 && (key.size() == top.size() || key[top.size()] == L'\\');
}

namespace {

// A part that Windows reads as another name: a device ("NUL"), or one whose
// trailing dots and blanks it drops ("Inbox." is "Inbox"). A device name with
// an extension ("con.eml") is a file on Windows 11, so it may be the user's.
bool IsWindowsAlias(const std::wstring& part) {
    if (part.back() == L'.' || part.back() == L' ') return true;
    const std::wstring base = UpperAscii(part);
    if (base == L"CON" || base == L"PRN" || base == L"AUX" || base == L"NUL") return true;
    return base.size() == 4 && (base.compare(0, 3, L"COM") == 0 || base.compare(0, 3, L"LPT") == 0) &&
           base[3] >= L'1' && base[3] <= L'9';
}

}  // namespace

bool IsSafeItemPath(const std::wstring& path) {
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = path.find_first_of(L"\\/", start);
        const std::wstring part = path.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
        if (part.empty() || IsWindowsAlias(part)) return false;  // "." and ".." end in a dot
        for (wchar_t c : part)
            if (c < 0x20 || std::wcschr(L":<>\"|?*", c)) return false;
        if (end == std::wstring::npos) return true;
        start = end + 1;
    }
}

std::size_t FindUnsafeItem(const std::vector<ArchiveItem>& items) {
    for (std::size_t i = 0; i < items.size(); ++i)
        if (!IsSafeItemPath(items[i].path)) return i;
    return items.size();
}

bool HoldsTopFolder(const std::vector<ArchiveItem>& items, const std::wstring& name) {
    const std::wstring wanted = ItemPathKey(name);
    for (const ArchiveItem& item : items) {
        const std::wstring key = ItemPathKey(item.path);
        if (KeyIsAtOrBelow(key, wanted) && (key != wanted || item.isFolder)) return true;
    }
    return false;
}

std::wstring ExtractedItemPath(const ArchiveItem& item, const std::wstring& folder) {
    return JoinPath(folder, WindowsSeparators(item.path));
}

bool ItemExtracted(const ArchiveItem& item, const std::wstring& folder) {
    const std::wstring path = ExtractedItemPath(item, folder);
    if (item.isFolder) return LookUpPathKind(path) == PathKind::Folder;
    if (!item.hasCrc)
        return LookUpPathKind(path) == PathKind::File && (item.size < 0 || ReadFileSize(path) == item.size);
    // One read gives both the size and the CRC; a folder of that name does not open as a file.
    std::uint32_t crc = 0;
    std::int64_t size = 0;
    return FileCrc32(path, crc, &size) && (item.size < 0 || size == item.size) && crc == item.crc;
}

std::vector<std::wstring> FindMissingItems(const std::vector<ArchiveItem>& items, const std::wstring& folder,
                                           std::size_t from) {
    std::vector<std::wstring> missing;
    for (std::size_t i = from; i < items.size(); ++i)
        if (!ItemExtracted(items[i], folder)) missing.push_back(ExtractedItemPath(items[i], folder));
    return missing;
}
