// File-system services. Paths are Windows paths; names without a folder are
// relative to the current directory.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

enum class PathKind { Missing, File, Folder };
PathKind LookUpPathKind(const std::wstring& path);

// A file held open for one read-modify-write cycle. The holder has read and
// write access and lets others read only; when the system refuses write
// access (read-only file, another writer) the file is held read-only and
// `writable` is false.
struct HeldFile {
    std::uintptr_t token = 0;  // 0: not open
    bool writable = false;
};
HeldFile OpenFileForUpdate(const std::wstring& path, std::string& bytes);
// Writes `bytes` to a temporary file beside `path`, releases the hold and
// moves the temporary over `path`, so a reader sees the old or the new file,
// never a mix. False (old file intact, no temporary left) on any failure.
bool ReplaceHeldFile(HeldFile& file, const std::wstring& path, const std::string& bytes);
void ReleaseHeldFile(HeldFile& file);

// A lock between processes, also on a share: a file opened without any
// sharing and deleted when closed. The system closes it when its process
// ends, however it ends, so a killed holder never leaves it taken.
enum class FileLockState {
    Taken,
    Busy,         // another holder has it open
    Unavailable,  // no file can be made there (missing or read-only folder)
};
struct FileLock {
    std::uintptr_t token = 0;  // 0: not held
};
FileLockState TakeFileLock(const std::wstring& path, FileLock& lock);
void ReleaseFileLock(FileLock& lock);

// Reads a whole file with full sharing. False when it cannot be opened.
bool ReadWholeFile(const std::wstring& path, std::string& bytes);
// Reads at most `count` bytes from the start of a file, with full sharing.
// False when it cannot be opened or read.
bool ReadFileStart(const std::wstring& path, std::size_t count, std::string& bytes);
// Reads a whole file piece by piece (at most 1 MiB each), with full sharing,
// handing every piece to `piece`. False when it cannot be opened or read.
bool ReadFileInPieces(const std::wstring& path, const std::function<void(const char*, std::size_t)>& piece);
// Creates or replaces `path` through a temporary name in the same folder.
bool WriteFileReplacing(const std::wstring& path, const std::string& bytes);
// Opens (creating if needed) with read, write and delete sharing, appends, closes.
bool AppendToSharedFile(const std::wstring& path, const std::string& bytes);
// Size in bytes, or -1 when nothing of that name exists.
std::int64_t ReadFileSize(const std::wstring& path);

// Writes what the system still caches of the file to the disk, so a power
// cut after a later rename cannot leave the new name without the bytes.
// False when it cannot be opened for writing or the disk refuses.
bool FlushFileToDisk(const std::wstring& path);
// Whether the file carries the read-only attribute (false when it is missing).
bool IsReadOnlyFile(const std::wstring& path);
bool MoveFileReplacing(const std::wstring& from, const std::wstring& to);
// Copies `from` into `to`, which must not exist yet, piece by piece, and
// writes it through to the disk before it returns; `progress` (may be empty)
// gets the bytes done after each piece. False when any step fails (a full
// disk, a share gone), with what was written of `to` removed where it can be.
bool CopyFileFlushed(const std::wstring& from, const std::wstring& to,
                     const std::function<void(std::int64_t done, std::int64_t total)>& progress = {});
bool MovePath(const std::wstring& from, const std::wstring& to);  // never replaces
// Clears read-only first. Refuses a link that the system would follow (a Unix
// symbolic link under Wine) rather than delete what it points to.
bool DeleteFilePath(const std::wstring& path);
// Leaves a read-only file alone: the user protected it (checked here, as
// Wine run as root would delete it).
bool DeleteUnprotectedFile(const std::wstring& path);
bool CreateFolderPath(const std::wstring& path);

// The full path the system makes of `path`: "/" read as "\", "." and ".."
// applied; as far as the path exists, short (8.3) names, letter case and
// links as the system resolves them; the missing rest as written. No
// trailing "\" but after a drive ("C:\"). Empty when it is no path.
std::wstring ResolveFullPath(const std::wstring& path);
// Whether two path texts are equal as the file system compares names (any case).
bool SamePathText(const std::wstring& a, const std::wstring& b);
// LookUpPathKind that gives up after `timeoutMs`: the system's own look at a
// share whose server is gone can take minutes. `answered` is false when no
// answer came in time (the kind is then Missing).
PathKind LookUpPathKindWithin(const std::wstring& path, std::uint32_t timeoutMs, bool& answered);
// "\\server\share" when `path` begins with a drive letter mapped to a network
// share; empty otherwise.
std::wstring ReadNetworkDriveShare(const std::wstring& path);

struct FolderEntry {
    std::wstring name;
    bool isFolder = false;
    // A junction or symbolic link: a reparse point, or an entry that opens as
    // something else (Wine's Unix links). Also set for an entry that could not
    // be opened to tell, so that nothing goes through it.
    bool isLink = false;
};
// Lists `folder` + "\" + `pattern` in the order the system gives; skips "." and "..".
// With `FoldersOnly` a file entry is only opened to tell when it is a reparse
// point: for a caller that deletes files with DeleteFilePath, which refuses a
// followed link itself, so each file is opened once rather than twice.
enum class LinkCheck { Every, FoldersOnly };
std::vector<FolderEntry> ListFolder(const std::wstring& folder, const std::wstring& pattern,
                                    LinkCheck check = LinkCheck::Every);
// Removes a link itself (file or folder link), never what it points to; false,
// the link left as it is, where the system can only reach the target (Wine).
bool RemoveLinkPath(const std::wstring& path, bool isFolder);
// Clears attributes first; refuses a folder link that the system would follow.
bool RemoveEmptyFolder(const std::wstring& path);
