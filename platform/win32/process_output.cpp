// A child's standard output: the overlapped pipe or the temporary file it
// writes, read as bytes or lines.
#include <windows.h>

#include <string>

#include "platform/process.h"
#include "platform/win32/code_page.h"
#include "platform/win32/process_internal.h"
#include "platform/win32/program_record.h"

void CollectFileOutput(RunningProgram& p) {
    if (p.outputEnded || WaitForSingleObject(p.process.value, 0) == WAIT_TIMEOUT) return;
    p.outputEnded = true;
    LARGE_INTEGER start{};
    if (!SetFilePointerEx(p.outputFile.value, start, nullptr, FILE_BEGIN)) return;
    DWORD got = 0;
    while (ReadFile(p.outputFile.value, p.buffer, sizeof p.buffer, &got, nullptr) && got > 0) p.pending.append(p.buffer, got);
}

void StartNextRead(RunningProgram& p) {
    if (p.outputFile.valid()) return;
    while (!p.outputEnded && !p.readPending) {
        DWORD got = 0;
        if (ReadFile(p.output.value, p.buffer, sizeof p.buffer, nullptr, &p.read)) {
            if (GetOverlappedResult(p.output.value, &p.read, &got, FALSE)) p.pending.append(p.buffer, got);
            continue;
        }
        if (GetLastError() == ERROR_IO_PENDING) {
            p.readPending = true;
            return;
        }
        p.outputEnded = true;  // broken pipe: the writers have all gone
    }
}

bool CollectOutput(RunningProgram& p, bool wait) {
    const std::size_t before = p.pending.size();
    if (p.outputFile.valid()) {
        if (wait && !p.outputEnded) WaitForSingleObject(p.process.value, INFINITE);
        CollectFileOutput(p);
        return p.pending.size() > before;
    }
    if (!p.readPending) return false;
    DWORD got = 0;
    if (GetOverlappedResult(p.output.value, &p.read, &got, wait ? TRUE : FALSE)) {
        p.readPending = false;
        p.pending.append(p.buffer, got);
        StartNextRead(p);
    } else if (GetLastError() != ERROR_IO_INCOMPLETE) {
        p.readPending = false;
        p.outputEnded = true;
    }
    return p.pending.size() > before;
}

bool ReadMoreOutput(RunningProgram& p) {
    const std::size_t before = p.pending.size();
    while (p.pending.size() == before && !p.outputEnded) {
        if (p.readPending || p.outputFile.valid())
            CollectOutput(p, true);
        else
            StartNextRead(p);
    }
    return p.pending.size() > before;
}

HANDLE ProgramOutputReadyEvent(ProgramHandle handle) {
    RunningProgram* program = ProgramFrom(handle);
    return program && program->readPending ? program->readDone.value : nullptr;
}

bool CollectProgramOutput(ProgramHandle handle) {
    RunningProgram* program = ProgramFrom(handle);
    return program && CollectOutput(*program, false);
}

bool ProgramHasOutput(ProgramHandle handle) {
    RunningProgram* program = ProgramFrom(handle);
    if (!program || !HasOutput(*program)) return false;
    if (program->pending.size() > program->handedOut || CollectOutput(*program, false)) return true;
    if (program->outputEnded) return false;
    if (ProgramRunning(handle)) return true;
    // It has ended: what is left in the pipe comes at once, then the pipe's end.
    return ReadMoreOutput(*program);
}

std::wstring ReadProgramLine(ProgramHandle handle) {
    RunningProgram* program = ProgramFrom(handle);
    if (!program || !HasOutput(*program)) return {};
    size_t end;
    while ((end = program->pending.find('\n', program->handedOut)) == std::string::npos && ReadMoreOutput(*program)) {
    }
    std::string line;
    if (end == std::string::npos) {
        line = program->pending.substr(program->handedOut);
        program->pending.clear();
        program->handedOut = 0;
    } else {
        line = program->pending.substr(program->handedOut, end - program->handedOut);
        program->handedOut = end + 1;
        // Dropped now and then: erasing each line from the front costs the whole buffer every line.
        if (program->handedOut > 64 * 1024 && program->handedOut * 2 > program->pending.size()) {
            program->pending.erase(0, program->handedOut);
            program->handedOut = 0;
        }
    }
    std::string kept;
    kept.reserve(line.size());
    for (char c : line)
        if (c != '\r') kept.push_back(c);
    return WideFromCodePage(CP_UTF8, kept);
}

std::string TakeProgramOutput(ProgramHandle handle) {
    RunningProgram* program = ProgramFrom(handle);
    if (!program) return {};
    CollectOutput(*program, false);
    std::string taken = program->pending.substr(program->handedOut);
    program->pending.clear();
    program->handedOut = 0;
    return taken;
}

std::string TakeRemainingOutput(ProgramHandle handle) {
    RunningProgram* program = ProgramFrom(handle);
    if (!program || !HasOutput(*program)) return {};
    while (ReadMoreOutput(*program)) {
    }
    return TakeProgramOutput(handle);
}
