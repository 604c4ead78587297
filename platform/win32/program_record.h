// What process.cpp keeps of a started program, for the window's wait to wake on it too.
#pragma once
#include <windows.h>

#include "platform/process.h"

// Null for handle 0.
HANDLE ProgramProcessHandle(ProgramHandle program);
// Signalled when the pipe's pending read completes; null without one.
HANDLE ProgramOutputReadyEvent(ProgramHandle program);
// Takes in a completed read and starts the next; true when bytes came. Never blocks.
bool CollectProgramOutput(ProgramHandle program);
