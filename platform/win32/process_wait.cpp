// Waiting on a child: its end, its output and the bound on either.
#include <windows.h>

#include "platform/process.h"
#include "platform/win32/process_internal.h"

namespace {

// One blocking wait on the program's end and its pipe together. A read that
// completes without bytes (the pipe's end) counts as TimedOut.
ProgramWake WaitOnce(RunningProgram& p, DWORD timeoutMs) {
    if (WaitForSingleObject(p.process.value, 0) != WAIT_TIMEOUT) return ProgramWake::Ended;
    if (CollectOutput(p, false)) return ProgramWake::Output;
    HANDLE handles[2] = {p.process.value, p.readDone.value};
    const DWORD count = p.readPending ? 2 : 1;
    const DWORD woke = WaitForMultipleObjects(count, handles, FALSE, timeoutMs);
    if (woke == WAIT_OBJECT_0) return ProgramWake::Ended;
    if (woke == WAIT_OBJECT_0 + 1 && CollectOutput(p, false)) return ProgramWake::Output;
    return ProgramWake::TimedOut;
}

// The file shows no line before the end, so the bound is on silence: the
// time-out starts again whenever the file has grown (looked at each second).
bool WaitForFileOutput(RunningProgram& p, std::uint32_t timeoutMs) {
    constexpr DWORD kLookMs = 1000;
    ULONGLONG quietSince = GetTickCount64();
    LARGE_INTEGER seen{};
    GetFileSizeEx(p.outputFile.value, &seen);
    while (!p.outputEnded) {
        if (WaitForSingleObject(p.process.value, kLookMs) != WAIT_TIMEOUT) break;
        LARGE_INTEGER size{};
        if (GetFileSizeEx(p.outputFile.value, &size) && size.QuadPart != seen.QuadPart) {
            seen = size;
            quietSince = GetTickCount64();
        } else if (timeoutMs != kWaitForever && GetTickCount64() - quietSince >= timeoutMs) {
            return false;
        }
    }
    CollectFileOutput(p);
    return true;
}

}  // namespace

bool WaitDraining(RunningProgram& p, DWORD timeoutMs) {
    const ULONGLONG start = GetTickCount64();
    for (;;) {
        DWORD remaining = INFINITE;
        if (timeoutMs != INFINITE) {
            const ULONGLONG passed = GetTickCount64() - start;
            if (passed >= timeoutMs) return WaitForSingleObject(p.process.value, 0) != WAIT_TIMEOUT;
            remaining = static_cast<DWORD>(timeoutMs - passed);
        }
        if (WaitOnce(p, remaining) == ProgramWake::Ended) return true;
    }
}

bool WaitForProgram(ProgramHandle handle, std::uint32_t timeoutMs) {
    RunningProgram* program = ProgramFrom(handle);
    if (!program || !program->process.valid()) return true;
    const DWORD timeout = timeoutMs == kWaitForever ? INFINITE : timeoutMs;
    if (program->output.valid()) return WaitDraining(*program, timeout);
    return WaitForSingleObject(program->process.value, timeout) != WAIT_TIMEOUT;
}

bool WaitForProgramLine(ProgramHandle handle, std::uint32_t timeoutMs) {
    RunningProgram* program = ProgramFrom(handle);
    if (!program || !HasOutput(*program)) return true;
    if (program->outputFile.valid()) return WaitForFileOutput(*program, timeoutMs);
    const ULONGLONG start = GetTickCount64();
    for (;;) {
        if (program->outputEnded || program->pending.find('\n', program->handedOut) != std::string::npos) return true;
        if (!program->readPending) {
            StartNextRead(*program);
            continue;
        }
        DWORD remaining = INFINITE;
        if (timeoutMs != kWaitForever) {
            const ULONGLONG waited = GetTickCount64() - start;
            if (waited >= timeoutMs) return false;
            remaining = static_cast<DWORD>(timeoutMs - waited);
        }
        if (WaitForSingleObject(program->readDone.value, remaining) == WAIT_TIMEOUT) return false;
        CollectOutput(*program, false);
    }
}

std::uint64_t ProgramOutputSize(ProgramHandle handle) {
    RunningProgram* program = ProgramFrom(handle);
    if (!program) return 0;
    if (program->outputFile.valid()) {
        LARGE_INTEGER size{};
        return GetFileSizeEx(program->outputFile.value, &size) ? static_cast<std::uint64_t>(size.QuadPart) : 0;
    }
    CollectOutput(*program, false);
    return program->pending.size() - program->handedOut;
}

ProgramWake WaitForProgramOrOutput(ProgramHandle handle, std::uint32_t timeoutMs) {
    RunningProgram* program = ProgramFrom(handle);
    if (!program || !program->process.valid()) return ProgramWake::Ended;
    return WaitOnce(*program, timeoutMs == kWaitForever ? INFINITE : timeoutMs);
}
