// In-memory file system: files.h and the disk controls of fake_platform.h.
#include "platform/files.h"

#include <algorithm>

#include "platform/fake/fake_state.h"
#include "platform/text.h"

namespace {

bool ParentExists(const std::wstring& full) {
    const std::wstring parent = FakeParent(full);
    return !parent.empty() && FakeFolderExists(parent);
}

// Whether a new file of that name may be written: its folder exists, the disk
// has room and nothing holds or protects an existing file there.
bool MayWriteFile(const std::wstring& full) {
    if (Fake().diskFull || !ParentExists(full)) return false;
    auto it = Fake().nodes.find(FakeKey(full));
    if (it == Fake().nodes.end()) return true;
    const FakeNode& node = it->second;
    return !node.isFolder && !node.readOnly && !node.heldWritable;
}

bool StartsWithFolder(const std::wstring& key, const std::wstring& folderKey) {
    return key.size() > folderKey.size() && key.compare(0, folderKey.size(), folderKey) == 0 &&
           key[folderKey.size()] == L'\\';
}

bool HasChildren(const std::wstring& folderKey) {
    for (const auto& entry : Fake().nodes)
        if (StartsWithFolder(entry.first, folderKey)) return true;
    return false;
}

bool MatchesPattern(const std::wstring& name, std::size_t n, const std::wstring& pattern, std::size_t p) {
    if (p == pattern.size()) return n == name.size();
    if (pattern[p] == L'*') {
        for (std::size_t i = n; i <= name.size(); ++i)
            if (MatchesPattern(name, i, pattern, p + 1)) return true;
        return false;
    }
    if (n == name.size()) return false;
    if (pattern[p] != L'?' && pattern[p] != name[n]) return false;
    return MatchesPattern(name, n + 1, pattern, p + 1);
}

std::wstring LastPart(const std::wstring& full) {
    return full.substr(full.rfind(L'\\') + 1);
}

}  // namespace

PathKind LookUpPathKind(const std::wstring& path) {
    const std::wstring full = FakeFullPath(path);
    if (FakeFolderExists(full)) return PathKind::Folder;
    return FakeFind(full) ? PathKind::File : PathKind::Missing;
}

HeldFile OpenFileForUpdate(const std::wstring& path, std::string& bytes) {
    bytes.clear();
    FakeNode* node = FakeFind(path);
    if (!node || node->isFolder || node->unreadable) return HeldFile{};
    HeldFile file;
    file.token = Fake().nextHeldToken++;
    file.writable = !node->readOnly && !node->heldWritable;
    if (file.writable) node->heldWritable = true;
    bytes = node->bytes;
    Fake().held[file.token] = file.writable ? FakeKey(node->path) : L"";
    return file;
}

void ReleaseHeldFile(HeldFile& file) {
    auto it = Fake().held.find(file.token);
    if (it != Fake().held.end()) {
        auto node = Fake().nodes.find(it->second);
        if (node != Fake().nodes.end()) node->second.heldWritable = false;
        Fake().held.erase(it);
    }
    file = HeldFile{};
}

bool ReplaceHeldFile(HeldFile& file, const std::wstring& path, const std::string& bytes) {
    const bool writable = file.token != 0 && file.writable;
    ReleaseHeldFile(file);
    if (!writable) return false;
    return WriteFileReplacing(path, bytes);
}

bool ReadWholeFile(const std::wstring& path, std::string& bytes) {
    bytes.clear();
    const FakeNode* node = FakeFind(path);
    if (!node || node->isFolder || node->unreadable) return false;
    bytes = node->bytes;
    return true;
}

bool WriteFileReplacing(const std::wstring& path, const std::string& bytes) {
    const std::wstring full = FakeFullPath(path);
    if (!MayWriteFile(full)) return false;
    FakeMake(full, false).bytes = bytes;
    return true;
}

bool AppendToSharedFile(const std::wstring& path, const std::string& bytes) {
    const std::wstring full = FakeFullPath(path);
    if (!MayWriteFile(full)) return false;
    FakeMake(full, false).bytes += bytes;
    return true;
}

std::int64_t ReadFileSize(const std::wstring& path) {
    const FakeNode* node = FakeFind(path);
    if (!node) return -1;
    return node->isFolder ? 0 : static_cast<std::int64_t>(node->bytes.size());
}

bool MoveFileReplacing(const std::wstring& from, const std::wstring& to) {
    const std::wstring fromFull = FakeFullPath(from);
    const std::wstring toFull = FakeFullPath(to);
    FakeNode* source = FakeFind(fromFull);
    if (!source || source->isFolder || source->heldWritable) return false;
    if (FakeKey(fromFull) == FakeKey(toFull)) return true;
    if (!ParentExists(toFull)) return false;
    auto target = Fake().nodes.find(FakeKey(toFull));
    if (target != Fake().nodes.end()) {
        const FakeNode& node = target->second;
        if (node.isFolder || node.readOnly || node.heldWritable) return false;
    }
    FakeNode moved = *source;
    Fake().nodes.erase(FakeKey(fromFull));
    moved.path = toFull;
    Fake().nodes[FakeKey(toFull)] = moved;
    Fake().diskEvents.push_back(L"replace " + fromFull + L" > " + toFull);
    return true;
}

// Write access is refused to a read-only file, as on Windows.
bool FlushFileToDisk(const std::wstring& path) {
    const std::wstring full = FakeFullPath(path);
    const FakeNode* node = FakeFind(full);
    if (Fake().flushFails || !node || node->isFolder || node->readOnly) return false;
    Fake().diskEvents.push_back(L"flush " + full);
    Fake().flushed.push_back(node->path);
    return true;
}

bool IsReadOnlyFile(const std::wstring& path) {
    const FakeNode* node = FakeFind(path);
    return node && !node->isFolder && node->readOnly;
}

std::vector<std::wstring> FakeFlushedFiles() {
    return Fake().flushed;
}

bool MovePath(const std::wstring& from, const std::wstring& to) {
    const std::wstring fromFull = FakeFullPath(from);
    const std::wstring toFull = FakeFullPath(to);
    const std::wstring fromKey = FakeKey(fromFull);
    FakeNode* source = FakeFind(fromFull);
    if (!source || source->heldWritable || Fake().moveRefused.count(fromKey)) return false;
    if (FakeFind(toFull) || !ParentExists(toFull)) return false;
    if (StartsWithFolder(FakeKey(toFull), fromKey)) return false;  // into itself
    // A held file anywhere below refuses the move before anything has moved.
    for (const auto& entry : Fake().nodes)
        if ((entry.first == fromKey || StartsWithFolder(entry.first, fromKey)) && entry.second.heldWritable) return false;
    std::map<std::wstring, FakeNode> moved;
    for (auto it = Fake().nodes.begin(); it != Fake().nodes.end();) {
        if (it->first == fromKey || StartsWithFolder(it->first, fromKey)) {
            FakeNode node = it->second;
            node.path = toFull + node.path.substr(fromFull.size());
            moved[FakeKey(node.path)] = node;
            it = Fake().nodes.erase(it);
        } else {
            ++it;
        }
    }
    for (auto& entry : moved) Fake().nodes[entry.first] = entry.second;
    return true;
}

bool DeleteFilePath(const std::wstring& path) {
    FakeNode* node = FakeFind(path);
    if (!node || node->isFolder || node->heldWritable) return false;
    Fake().nodes.erase(FakeKey(node->path));
    return true;
}

bool DeleteUnprotectedFile(const std::wstring& path) {
    const FakeNode* node = FakeFind(path);
    if (!node || node->readOnly) return false;
    return DeleteFilePath(path);
}

bool CreateFolderPath(const std::wstring& path) {
    const std::wstring full = FakeFullPath(path);
    if (FakeFolderExists(full)) return true;
    if (Fake().diskFull) return false;
    // Refuse when a file stands in the way anywhere along the path.
    for (std::wstring up = full; !up.empty(); up = FakeParent(up)) {
        const FakeNode* node = FakeFind(up);
        if (node && !node->isFolder) return false;
    }
    FakeMake(full, true);
    return true;
}

// The fake's links are Windows links, told apart exactly whatever the check.
std::vector<FolderEntry> ListFolder(const std::wstring& folder, const std::wstring& pattern, LinkCheck) {
    std::vector<FolderEntry> entries;
    const std::wstring full = FakeFullPath(folder);
    if (!FakeFolderExists(full)) return entries;
    const std::wstring folderKey = FakeKey(full);
    std::wstring wanted = UpperAsWindows(pattern);
    if (wanted == L"*.*") wanted = L"*";
    for (const auto& entry : Fake().nodes) {
        if (!StartsWithFolder(entry.first, folderKey)) continue;
        if (entry.first.find(L'\\', folderKey.size() + 1) != std::wstring::npos) continue;
        const std::wstring name = LastPart(entry.second.path);
        if (!MatchesPattern(UpperAsWindows(name), 0, wanted, 0)) continue;
        entries.push_back(FolderEntry{name, entry.second.isFolder, entry.second.isLink});
    }
    return entries;
}

bool RemoveLinkPath(const std::wstring& path, bool isFolder) {
    FakeNode* node = FakeFind(path);
    if (!node || !node->isLink || node->isFolder != isFolder) return false;
    const std::wstring key = FakeKey(node->path);
    // A link's children are the target's; they stay where the link pointed.
    for (auto it = Fake().nodes.begin(); it != Fake().nodes.end();)
        it = StartsWithFolder(it->first, key) ? Fake().nodes.erase(it) : std::next(it);
    Fake().nodes.erase(key);
    return true;
}

bool RemoveEmptyFolder(const std::wstring& path) {
    const std::wstring full = FakeFullPath(path);
    FakeNode* node = FakeFind(full);
    if (!node || !node->isFolder || HasChildren(FakeKey(full))) return false;
    Fake().nodes.erase(FakeKey(full));
    return true;
}

void SetFakeFile(const std::wstring& path, const std::string& bytes) {
    FakeNode& node = FakeMake(FakeFullPath(path), false);
    node.bytes = bytes;
}

void SetFakeFolder(const std::wstring& path) {
    FakeMake(FakeFullPath(path), true);
}

void SetFakeMoveRefused(const std::wstring& from) {
    Fake().moveRefused.insert(FakeKey(FakeFullPath(from)));
}

void SetFakeLink(const std::wstring& path, bool isFolder) {
    FakeNode& node = FakeMake(FakeFullPath(path), isFolder);
    node.isLink = true;
}

void SetFakeLinkTarget(const std::wstring& path, const std::wstring& target) {
    SetFakeLink(path, true);
    Fake().linkTargets[FakeKey(FakeFullPath(path))] = FakeFullPath(target);
}

bool FakeFileExists(const std::wstring& path) {
    const FakeNode* node = FakeFind(path);
    return node && !node->isFolder;
}

std::string FakeFileBytes(const std::wstring& path) {
    const FakeNode* node = FakeFind(path);
    return node && !node->isFolder ? node->bytes : std::string();
}

void SetFakeReadOnly(const std::wstring& path, bool readOnly) {
    FakeNode* node = FakeFind(path);
    if (node) node->readOnly = readOnly;
}

void SetFakeUnreadable(const std::wstring& path, bool unreadable) {
    FakeNode* node = FakeFind(path);
    if (node) node->unreadable = unreadable;
}

void SetFakeFlushFails(bool fails) {
    Fake().flushFails = fails;
}

std::vector<std::wstring> FakeDiskEvents() {
    return Fake().diskEvents;
}

void SetFakeDiskFull(bool full) {
    Fake().diskFull = full;
}

std::vector<std::wstring> FakePaths() {
    std::vector<std::wstring> paths;
    for (const auto& entry : Fake().nodes) paths.push_back(entry.second.path);
    return paths;
}

std::wstring ResolveFullPath(const std::wstring& path) {
    if (path.empty()) return {};
    // No short names here; a link with a target is followed, as the system follows it.
    std::wstring full = FakeFullPath(path);
    for (int hop = 0; hop < 32; ++hop) {
        const std::wstring key = FakeKey(full);
        const auto link = std::find_if(Fake().linkTargets.begin(), Fake().linkTargets.end(), [&key](const auto& entry) {
            return key == entry.first || StartsWithFolder(key, entry.first);
        });
        if (link == Fake().linkTargets.end()) break;
        full = link->second + full.substr(link->first.size());
    }
    return full;
}

bool SamePathText(const std::wstring& a, const std::wstring& b) {
    return UpperAsWindows(a) == UpperAsWindows(b);
}
