// A differential's mark of the full it was made against: a small item
// "LarkmailBackup.base" beside the "Larkmail" folder inside the archive.
#include "engine/console/base_mark.h"

#include "engine/console/archive_check.h"
#include "engine/console/archive_tool.h"
#include "platform/files.h"
#include "platform/process.h"
#include "platform/secrets.h"
#include "platform/text.h"

namespace {

// The mark is a few lines: a read that takes longer has hung.
constexpr std::uint32_t kMarkTimeoutMs = 60000;

std::wstring HexText(const std::string& bytes) {
    static const wchar_t kDigits[] = L"0123456789ABCDEF";
    std::wstring text;
    for (unsigned char byte : bytes) {
        text += kDigits[byte >> 4];
        text += kDigits[byte & 15];
    }
    return text;
}

std::wstring QuotedWhenBlank(const std::wstring& path) {
    return path.find(L' ') == std::wstring::npos ? path : L"\"" + path + L"\"";
}

bool SameIdentity(const ArchiveIdentity& a, const ArchiveIdentity& b) {
    return a.size == b.size && a.header == b.header;
}

bool IsFullOf(const std::wstring& path, const ArchiveIdentity& mark) {
    ArchiveIdentity found;
    return ReadFileSize(path) == mark.size && ReadArchiveIdentity(path, found) && SameIdentity(found, mark);
}

}  // namespace

bool ReadArchiveIdentity(const std::wstring& path, ArchiveIdentity& identity) {
    std::string start;
    const std::int64_t size = ReadFileSize(path);
    if (!ReadFileStart(path, kSevenZipStartHeaderSize, start) || !IsFinishedSevenZipHeader(start, size)) return false;
    const std::size_t slash = path.find_last_of(L"\\/");
    identity.name = slash == std::wstring::npos ? path : path.substr(slash + 1);
    identity.size = size;
    identity.header = HexText(start.substr(12, 20));
    return true;
}

std::string BaseMarkBytes(const ArchiveIdentity& identity) {
    return Utf8FromWide(L"Full = " + identity.name + L"\r\nSize = " + std::to_wstring(identity.size) +
                        L"\r\nHeader = " + identity.header + L"\r\n");
}

bool ParseBaseMark(const std::vector<std::wstring>& lines, ArchiveIdentity& identity) {
    identity = ArchiveIdentity{};
    for (std::wstring line : lines) {
        while (!line.empty() && line.back() == L'\r') line.pop_back();
        const std::size_t equals = line.find(L" = ");
        if (equals == std::wstring::npos) continue;
        const std::wstring key = line.substr(0, equals), value = line.substr(equals + 3);
        if (key == L"Full") identity.name = value;
        const bool hex = value.find_first_not_of(L"0123456789ABCDEF") == std::wstring::npos;
        if (key == L"Header" && value.size() == 40 && hex) identity.header = value;
        if (key == L"Size" && !value.empty() && value.size() <= 18 &&
            value.find_first_not_of(L"0123456789") == std::wstring::npos) {
            identity.size = 0;
            for (wchar_t c : value) identity.size = identity.size * 10 + (c - L'0');
        }
    }
    return identity.size >= 0 && !identity.header.empty();
}

bool IsBaseMarkItem(const ArchiveItem& item) {
    return !item.isFolder && ItemPathKey(item.path) == ItemPathKey(kBaseMarkName);
}

std::vector<ArchiveItem> WithoutBaseMark(const std::vector<ArchiveItem>& items, bool* held) {
    std::vector<ArchiveItem> rest;
    if (held) *held = false;
    for (const ArchiveItem& item : items) {
        if (!IsBaseMarkItem(item)) {
            rest.push_back(item);
        } else if (held) {
            *held = true;
        }
    }
    return rest;
}

std::wstring FindMarkedFull(const std::wstring& folder, const ArchiveIdentity& mark) {
    // A name of another folder would lead out of this one.
    if (!mark.name.empty() && mark.name.find_first_of(L"\\/:") == std::wstring::npos &&
        IsFullOf(folder + mark.name, mark))
        return folder + mark.name;
    for (const FolderEntry& entry : ListFolder(WithoutTrailingSeparators(folder), L"*.7z"))
        if (!entry.isFolder && !entry.isLink && IsFullOf(folder + entry.name, mark)) return folder + entry.name;
    return {};
}

std::wstring BuildBaseMarkParameters(const std::wstring& diffPath, bool encrypt) {
    return std::wstring(L"a -t7z -bsp1 ") + (encrypt ? L"-p -mhe=on -sccUTF-8 " : L"") + QuotedWhenBlank(diffPath) +
           L" " + kBaseMarkName;
}

std::wstring BuildReadBaseMarkParameters(const std::wstring& archivePath, bool withPassword) {
    return std::wstring(L"e -so -bso0 -bsp0 -bse0 ") + (withPassword ? L"-sccUTF-8 " : L"") + L"-- " +
           QuotedWhenBlank(archivePath) + L" " + kBaseMarkName;
}

bool ReadBaseMark(const std::wstring& archivePath, const std::wstring& password, ArchiveIdentity& mark) {
    StartOptions options;
    options.hidden = true;
    options.keepHandle = true;
    options.readOutput = true;
    // Without any input 7-Zip would take the end of it as a break, as for the listing.
    options.standardInput = PasswordAnswerBytes(password);
    const ProgramHandle handle =
        StartProgram(ArchiveToolPath(), BuildReadBaseMarkParameters(archivePath, !password.empty()), options);
    WipeBytes(options.standardInput);
    if (handle == 0) return false;
    std::vector<std::wstring> lines;
    bool hung = false;
    while (!hung && ProgramHasOutput(handle)) {
        hung = !WaitForProgramLine(handle, kMarkTimeoutMs);
        if (!hung) lines.push_back(ReadProgramLine(handle));
    }
    if (hung || !WaitForProgram(handle, kMarkTimeoutMs)) {
        EndProgram(handle);
        hung = true;
    }
    const long exitCode = hung ? -1 : ProgramExitCode(handle);
    ReleaseProgram(handle);
    return exitCode == 0 && ParseBaseMark(lines, mark);
}
