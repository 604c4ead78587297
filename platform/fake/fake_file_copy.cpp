// Copies on the in-memory disk, bounded looks at folders that may not answer, mapped drive letters.
#include <algorithm>

#include "platform/fake/fake_state.h"
#include "platform/files.h"
#include "platform/text.h"

namespace {

bool LiesBelow(const std::wstring& key, const std::set<std::wstring>& folders) {
    for (const std::wstring& folder : folders)
        if (key == folder || (key.size() > folder.size() && key.compare(0, folder.size(), folder) == 0 &&
                              key[folder.size()] == L'\\'))
            return true;
    return false;
}

}  // namespace

bool CopyFileFlushed(const std::wstring& from, const std::wstring& to,
                     const std::function<void(std::int64_t done, std::int64_t total)>& progress) {
    const FakeNode* source = FakeFind(from);
    const std::wstring full = FakeFullPath(to);
    const std::wstring parent = FakeParent(full);
    if (!source || source->isFolder || FakeFind(full) || parent.empty() || !FakeFolderExists(parent) ||
        Fake().diskFull || LiesBelow(FakeKey(full), Fake().fullFolders))
        return false;
    const std::string bytes = source->bytes;
    const std::wstring sourcePath = source->path;
    constexpr std::size_t kPiece = 1u << 20;
    const auto total = static_cast<std::int64_t>(bytes.size());
    for (std::size_t at = kPiece; progress && at < bytes.size() + kPiece; at += kPiece)
        progress(static_cast<std::int64_t>(std::min(at, bytes.size())), total);
    FakeMake(full, false).bytes = bytes;
    Fake().diskEvents.push_back(L"copy " + sourcePath + L" > " + full);
    Fake().diskEvents.push_back(L"flush " + full);
    Fake().flushed.push_back(full);
    return true;
}

PathKind LookUpPathKindWithin(const std::wstring& path, std::uint32_t timeoutMs, bool& answered) {
    answered = !LiesBelow(FakeKey(FakeFullPath(path)), Fake().unanswered);
    if (answered) return LookUpPathKind(path);
    Fake().tickMs += timeoutMs;
    return PathKind::Missing;
}

std::wstring ReadNetworkDriveShare(const std::wstring& path) {
    if (path.size() < 2 || path[1] != L':') return {};
    auto it = Fake().networkDrives.find(UpperAscii(path.substr(0, 2)));
    return it == Fake().networkDrives.end() ? std::wstring() : it->second;
}

void SetFakeFolderFull(const std::wstring& folder) {
    Fake().fullFolders.insert(FakeKey(FakeFullPath(folder)));
}

void SetFakeFolderUnanswered(const std::wstring& folder) {
    Fake().unanswered.insert(FakeKey(FakeFullPath(folder)));
}

void SetFakeNetworkDrive(const std::wstring& drive, const std::wstring& share) {
    Fake().networkDrives[UpperAscii(drive)] = share;
}
