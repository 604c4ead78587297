// The process handle behind a ProgramHandle, so the window's wait can wake when a child ends.
#include <windows.h>

#include "platform/process.h"

// process.cpp keeps each started program in a record that begins with its
// process handle (an OwnedHandle, whose first member is the HANDLE). The
// owner of process.cpp should take this function over; until then it reads
// that first member.
HANDLE ProgramProcessHandle(ProgramHandle program) {
    if (!program) return nullptr;
    HANDLE process = *reinterpret_cast<const HANDLE*>(program);
    return (process && process != INVALID_HANDLE_VALUE) ? process : nullptr;
}
