// Controls of the in-memory platform that host tests link instead of the
// Windows one. Paths compare without regard to letter case, as Windows
// compares them; a relative path is joined to the fake current folder.
#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/payload.h"
#include "platform/process.h"
#include "platform/system.h"

void ResetFakePlatform();  // empty disk, no environment, no processes, 2026-12-07 15:35:01

// Disk.
void SetFakeFile(const std::wstring& path, const std::string& bytes);
void SetFakeFolder(const std::wstring& path);
bool FakeFileExists(const std::wstring& path);
std::string FakeFileBytes(const std::wstring& path);  // empty when missing
void SetFakeReadOnly(const std::wstring& path, bool readOnly);
// The file is there but every open fails (another program holds it without sharing).
void SetFakeUnreadable(const std::wstring& path, bool unreadable);
void SetFakeDiskFull(bool full);  // every write and create fails
void SetFakeFlushFails(bool fails);  // FlushFileToDisk answers false
// In order: "flush <full path>" for each FlushFileToDisk, "replace <from> > <to>"
// for each MoveFileReplacing that moved something, "copy <from> > <to>" and
// "flush <to>" for each CopyFileFlushed that succeeded.
std::vector<std::wstring> FakeDiskEvents();
std::vector<std::wstring> FakePaths();  // every file and folder, full paths
void SetFakeLink(const std::wstring& path, bool isFolder);  // a junction or symbolic link
// A folder link that ResolveFullPath follows to `target`, with what lies below it.
void SetFakeLinkTarget(const std::wstring& path, const std::wstring& target);
std::vector<std::wstring> FakeFlushedFiles();  // FlushFileToDisk calls that succeeded, in order
void SetFakeMoveRefused(const std::wstring& from);  // MovePath from there fails (a scanner holds it)
void SetFakeFolderFull(const std::wstring& folder);  // no file below it can be written (a full disk)
// LookUpPathKindWithin of that folder or below gets no answer: the tick moves on by its time-out.
void SetFakeFolderUnanswered(const std::wstring& folder);
void SetFakeNetworkDrive(const std::wstring& drive, const std::wstring& share);  // "N:", "\\nas\backup"
// Another process holds the lock file `path` for `forMs` from now (kWaitForever: for good).
void HoldFakeFileLock(const std::wstring& path, std::uint32_t forMs);

// Environment and system.
void SetFakeEnvironment(const std::wstring& name, const std::wstring& value);
void SetFakeLocalTime(const LocalTime& time);
void SetFakeLocaleName(const std::wstring& name);
void SetFakeCurrentFolder(const std::wstring& path);  // default "C:\work"
void SetFakeExecutablePath(const std::wstring& path);  // default "C:\work\LarkmailBackup.exe"
void SetFakeLockHeld(bool heldByOther);
bool FakeLockTaken();  // whether this process took the single-instance lock
void SetFakeCommandLine(const std::wstring& text);  // what ReadCommandLineText gives; default empty
// The carried 7-Zip files; default "MZ fake 7z.exe" and "MZ fake 7z.dll".
void SetFakePayload(PayloadItem item, const std::string& bytes);
// ProtectSecret and UnprotectSecret refuse, as for another Windows user.
void SetFakeSecretsFail(bool fail);
std::uint32_t FakePausedMilliseconds();  // sum of PauseMilliseconds calls
constexpr std::uint32_t kFakeProcessId = 4242;  // what ReadProcessId gives

// Programs. Every StartProgram call is recorded; the script decides how it ends.
struct FakeStart {
    std::wstring commandLine;  // exactly as it would reach process creation
    StartOptions options;
};
std::vector<FakeStart> FakeStarts();
struct FakeProgramScript {
    bool starts = true;
    long exitCode = 0;
    int pollsWhileRunning = 0;  // ProgramRunning answers true this many times
    std::vector<std::wstring> outputLines;
    // Written while it runs, one piece per wait on it, before the polls
    // above; an empty piece is a timer tick of the window between writes.
    std::vector<std::string> outputPieces;
    std::function<void()> onStart;  // runs inside StartProgram (e.g. writes the archive)
    // Set: the script answers only a start with exactly these standard input bytes.
    std::optional<std::string> forInput;
};
// Scripts for command lines that begin with `prefix` (latest matching wins).
void ScriptFakeProgram(const std::wstring& commandLinePrefix, const FakeProgramScript& script);
void SetFakeProcesses(const std::vector<ProcessEntry>& processes);
void SetFakeProcessListFails(bool fails);
void SetFakeWindows(const std::vector<TopLevelWindow>& windows);
int FakeOpenPrograms();  // handles given out and not yet released

// Message boxes: recorded, answered from a queue (default: No / OK).
struct FakeBox {
    std::wstring title, text;
    unsigned type = 0;
};
std::vector<FakeBox> FakeBoxes();
void QueueFakeAnswer(bool yes);

// ---- Window layer (owned with platform/window.h; declared in fake_window.h) ----
#include "platform/fake/fake_window.h"
