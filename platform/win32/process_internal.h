// What the files of the process layer share of a started program: its handles, the pending read, the output gathered.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

#include "platform/process.h"
#include "platform/win32/owned_handle.h"

struct RunningProgram {
    OwnedHandle process;
    // Our end of the pipe, overlapped, so a wait can block on the process,
    // the pipe and the window at once; none without readOutput.
    OwnedHandle output;
    OwnedHandle readDone;  // manual-reset event of the pending read
    OwnedHandle outputFile;  // instead of the pipe, with outputThroughFile
    OVERLAPPED read{};
    bool readPending = false;
    bool outputEnded = false;  // every writer has gone and all was read
    char buffer[16 * 1024];
    std::string pending;  // bytes read; those before `handedOut` are gone to the reader
    std::size_t handedOut = 0;  // lines are taken by moving this, not by erasing the front
};

inline RunningProgram* ProgramFrom(ProgramHandle handle) { return reinterpret_cast<RunningProgram*>(handle); }
inline bool HasOutput(const RunningProgram& p) { return p.output.valid() || p.outputFile.valid(); }

// The file's whole content once the program has ended, and with it the end of the output.
void CollectFileOutput(RunningProgram& p);
// Issues reads until one stays pending; what comes at once is kept.
void StartNextRead(RunningProgram& p);
// Takes in the pending read once it has completed (with `wait`, waits for
// it); true when bytes were added.
bool CollectOutput(RunningProgram& p, bool wait);
// Blocks until more bytes came or the output ended; false at the end.
bool ReadMoreOutput(RunningProgram& p);
// Waits for the end of the program, taking in its output meanwhile so that
// a child filling the pipe can still end.
bool WaitDraining(RunningProgram& p, DWORD timeoutMs);
