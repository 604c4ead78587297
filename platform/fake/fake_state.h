// Shared state of the in-memory platform; only platform/fake/*.cpp include this.
#pragma once
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/fake/fake_platform.h"
#include "platform/process.h"
#include "platform/system.h"

struct FakeNode {
    std::wstring path;  // full path, letter case as first created
    bool isFolder = false;
    bool isLink = false;
    bool readOnly = false;
    bool heldWritable = false;
    bool unreadable = false;  // another program holds it without sharing
    std::string bytes;
};

struct FakeProgram {
    FakeProgramScript script;
    int pollsLeft = 0;
    bool ended = false;
    std::size_t nextLine = 0;
    std::size_t nextPiece = 0;
    std::string unread;  // pieces written and not yet taken
};

struct FakeState {
    std::map<std::wstring, FakeNode> nodes;  // by upper-cased full path
    bool diskFull = false;
    bool flushFails = false;
    std::vector<std::wstring> diskEvents;  // "flush <path>", "replace <from> > <to>"
    std::map<std::wstring, std::wstring> environment;  // by upper-cased name
    LocalTime time;
    std::wstring localeName;
    std::wstring currentFolder;
    std::wstring executablePath;
    std::set<std::wstring> moveRefused;  // node keys
    std::map<std::wstring, std::wstring> linkTargets;  // node key -> full path ResolveFullPath leads to
    std::set<std::wstring> fullFolders;  // folder keys: writes below them fail
    std::set<std::wstring> unanswered;   // folder keys: bounded looks below them time out
    std::map<std::wstring, std::wstring> networkDrives;  // "N:" upper-cased -> "\\server\share"
    std::vector<std::wstring> flushed;    // full paths, in order
    std::uint64_t tickMs = 0;      // advanced by pauses and by waits that time out
    std::uint32_t processId = 0;
    std::wstring commandLineText;
    bool lockHeldByOther = false;
    bool lockTaken = false;
    std::uint32_t pausedMs = 0;
    std::vector<FakeStart> starts;
    std::vector<std::pair<std::wstring, FakeProgramScript>> scripts;
    std::map<ProgramHandle, FakeProgram> programs;
    ProgramHandle nextHandle = 1;
    std::vector<ProcessEntry> processes;
    bool processListFails = false;
    bool secretsFail = false;
    std::vector<TopLevelWindow> windows;
    std::vector<FakeBox> boxes;
    std::vector<bool> answers;
    std::string payloadExe, payloadDll;
    std::uintptr_t nextHeldToken = 1;
    std::map<std::uintptr_t, std::wstring> held;  // token -> node key
    std::map<std::uintptr_t, std::wstring> fileLocks;   // token -> node key, this process's
    std::map<std::wstring, std::uint64_t> foreignLocks;  // node key -> tick at which the other process lets go
};

FakeState& Fake();
// The next scripted piece of a running program's output (`wrote`: it held
// bytes, now unread); false when none is left.
bool FakeNextProgramPiece(ProgramHandle handle, bool& wrote);

// Full path of `path`: relative names joined to the current folder, "/" as
// "\", "." and ".." resolved, no trailing "\" except on a drive root.
std::wstring FakeFullPath(const std::wstring& path);
std::wstring FakeKey(const std::wstring& fullPath);
// Folder part of a full path; empty for a drive root.
std::wstring FakeParent(const std::wstring& fullPath);
// Whether a folder (a drive root always is) exists at that full path.
bool FakeFolderExists(const std::wstring& fullPath);
FakeNode* FakeFind(const std::wstring& path);
// Adds the node and every missing folder above it.
FakeNode& FakeMake(const std::wstring& fullPath, bool isFolder);
