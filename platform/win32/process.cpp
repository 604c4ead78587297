// Child programs: creation with an exact command line, the shell fallback,
// waiting on the handle and reading standard output through an overlapped pipe.
#include <windows.h>
#include <shellapi.h>

#include <string>

#include "platform/process.h"
#include "platform/win32/code_page.h"
#include "platform/win32/owned_handle.h"
#include "platform/win32/program_record.h"

namespace {

constexpr DWORD kPipeBufferBytes = 64 * 1024;

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

RunningProgram* ProgramFrom(ProgramHandle handle) { return reinterpret_cast<RunningProgram*>(handle); }

std::wstring BuildCommandLine(const std::wstring& program, const std::wstring& parameters) {
    std::wstring line = (!program.empty() && program[0] == L'"') ? program : L"\"" + program + L"\"";
    return line + L" " + parameters;
}

std::wstring WithoutQuotes(const std::wstring& program) {
    if (program.size() >= 2 && program.front() == L'"' && program.back() == L'"')
        return program.substr(1, program.size() - 2);
    return program;
}

bool HasOutput(const RunningProgram& p) { return p.output.valid() || p.outputFile.valid(); }

// The file's whole content once the program has ended, and with it the end of the output.
void CollectFileOutput(RunningProgram& p) {
    if (p.outputEnded || WaitForSingleObject(p.process.value, 0) == WAIT_TIMEOUT) return;
    p.outputEnded = true;
    LARGE_INTEGER start{};
    if (!SetFilePointerEx(p.outputFile.value, start, nullptr, FILE_BEGIN)) return;
    DWORD got = 0;
    while (ReadFile(p.outputFile.value, p.buffer, sizeof p.buffer, &got, nullptr) && got > 0) p.pending.append(p.buffer, got);
}

// Issues reads until one stays pending; what comes at once is kept.
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

// Takes in the pending read once it has completed (with `wait`, waits for
// it); true when bytes were added.
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

// Blocks until more bytes came or the output ended; false at the end.
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

// An inbound pipe of our own: its read end overlapped and kept, the write end
// inheritable for the child.
bool CreateOutputPipe(RunningProgram& child, OwnedHandle& writeEnd) {
    static LONG serial = 0;
    const std::wstring name = L"\\\\.\\pipe\\LarkmailBackup." + std::to_wstring(GetCurrentProcessId()) + L"." +
                              std::to_wstring(InterlockedIncrement(&serial));
    child.output = OwnedHandle(CreateNamedPipeW(
        name.c_str(), PIPE_ACCESS_INBOUND | FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE,
        PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, 1, 0, kPipeBufferBytes, 0,
        nullptr));
    if (!child.output.valid()) return false;
    SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    writeEnd = OwnedHandle(
        CreateFileW(name.c_str(), GENERIC_WRITE, 0, &inheritable, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    child.readDone = OwnedHandle(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!writeEnd.valid() || !child.readDone.valid()) {
        child.output = OwnedHandle();
        return false;
    }
    child.read.hEvent = child.readDone.value;
    return true;
}

// A temporary file that goes when its last handle closes; the child writes
// through the inherited handle, we read it back once the child has ended.
bool CreateOutputFile(RunningProgram& child) {
    wchar_t folder[MAX_PATH + 1] = {};
    wchar_t path[MAX_PATH + 1] = {};
    if (!GetTempPathW(MAX_PATH + 1, folder) || !GetTempFileNameW(folder, L"lmb", 0, path)) return false;
    SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    child.outputFile = OwnedHandle(CreateFileW(path, GENERIC_READ | GENERIC_WRITE,
                                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &inheritable,
                                               CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE,
                                               nullptr));
    if (!child.outputFile.valid()) DeleteFileW(path);
    return child.outputFile.valid();
}

// An anonymous pipe that already holds all of `bytes` and whose write end is
// closed, so the child reads them and then the end; the buffer is sized to
// take them at once. Only the read end is inherited.
bool CreateInputPipe(const std::string& bytes, OwnedHandle& readEnd) {
    SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE readHandle = nullptr, writeHandle = nullptr;
    if (!CreatePipe(&readHandle, &writeHandle, &inheritable, static_cast<DWORD>(bytes.size() + 4096))) return false;
    readEnd = OwnedHandle(readHandle);
    OwnedHandle writeEnd(writeHandle);
    DWORD written = 0;
    return SetHandleInformation(writeEnd.value, HANDLE_FLAG_INHERIT, 0) &&
           WriteFile(writeEnd.value, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

bool CreateChild(const std::wstring& program, const std::wstring& parameters, const StartOptions& options,
                 RunningProgram& child) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = options.hidden ? SW_HIDE : SW_SHOWNORMAL;

    OwnedHandle pipeWrite, inputEnd;
    if (options.readOutput) {
        SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
        if (options.outputThroughFile) {
            if (!CreateOutputFile(child)) return false;
        } else if (!CreateOutputPipe(child, pipeWrite)) {
            return false;
        }
        if (!options.standardInput.empty()) {
            if (!CreateInputPipe(options.standardInput, inputEnd)) return false;
        } else {
            inputEnd = OwnedHandle(CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable,
                                                OPEN_EXISTING, 0, nullptr));
        }
        startup.dwFlags |= STARTF_USESTDHANDLES;
        startup.hStdInput = inputEnd.value;
        const HANDLE out = options.outputThroughFile ? child.outputFile.value : pipeWrite.value;
        startup.hStdOutput = out;
        startup.hStdError = out;
    }

    // CreateProcessW may write into the command line, so it gets a copy of its own.
    std::wstring line = BuildCommandLine(program, parameters);
    line.push_back(L'\0');
    PROCESS_INFORMATION created{};
    const wchar_t* folder = options.workingFolder.empty() ? nullptr : options.workingFolder.c_str();
    // A tool whose output comes to us gets no console at all (under Wine even a
    // hidden one is a host process of its own); another hidden one a hidden console.
    DWORD flags = NORMAL_PRIORITY_CLASS;
    if (options.readOutput)
        flags |= DETACHED_PROCESS;
    else if (options.hidden)
        flags |= CREATE_NO_WINDOW;
    BOOL ok = CreateProcessW(nullptr, &line[0], nullptr, nullptr, options.readOutput ? TRUE : FALSE, flags,
                             nullptr, folder, &startup, &created);
    if (!ok) {
        child.output = OwnedHandle();
        child.outputFile = OwnedHandle();
        return false;
    }
    CloseHandle(created.hThread);
    child.process = OwnedHandle(created.hProcess);
    // Our copy of the write end goes with pipeWrite, so the pipe ends with the child.
    if (child.output.valid()) StartNextRead(child);
    return true;
}

bool OpenWithShell(const std::wstring& program, const std::wstring& parameters, const StartOptions& options,
                   RunningProgram& child) {
    std::wstring file = WithoutQuotes(program);
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
    info.lpFile = file.c_str();
    info.lpParameters = parameters.empty() ? nullptr : parameters.c_str();
    info.lpDirectory = options.workingFolder.empty() ? nullptr : options.workingFolder.c_str();
    info.nShow = options.hidden ? SW_HIDE : SW_SHOWNORMAL;
    if (!ShellExecuteExW(&info)) return false;
    child.process = OwnedHandle(info.hProcess);
    return true;
}

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

// Waits for the end of the program, taking in its output meanwhile so that
// a child filling the pipe can still end.
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

HANDLE ProgramProcessHandle(ProgramHandle handle) {
    RunningProgram* program = ProgramFrom(handle);
    return program && program->process.valid() ? program->process.value : nullptr;
}

HANDLE ProgramOutputReadyEvent(ProgramHandle handle) {
    RunningProgram* program = ProgramFrom(handle);
    return program && program->readPending ? program->readDone.value : nullptr;
}

bool CollectProgramOutput(ProgramHandle handle) {
    RunningProgram* program = ProgramFrom(handle);
    return program && CollectOutput(*program, false);
}

ProgramHandle StartProgram(const std::wstring& program, const std::wstring& parameters,
                           const StartOptions& options, bool* started) {
    auto* child = new RunningProgram;
    bool ok = CreateChild(program, parameters, options, *child);
    if (!ok && !options.readOutput) ok = OpenWithShell(program, parameters, options, *child);
    if (started) *started = ok;
    if (!ok) {
        delete child;
        return 0;
    }
    if (options.wait && child->process.valid()) {
        if (child->output.valid())
            WaitDraining(*child, INFINITE);
        else
            WaitForSingleObject(child->process.value, INFINITE);
    }
    if (!options.keepHandle) {
        delete child;
        return 0;
    }
    return reinterpret_cast<ProgramHandle>(child);
}

bool ProgramRunning(ProgramHandle handle) {
    RunningProgram* program = ProgramFrom(handle);
    if (!program || !program->process.valid()) return false;
    return WaitForSingleObject(program->process.value, 0) == WAIT_TIMEOUT;
}

bool WaitForProgram(ProgramHandle handle, std::uint32_t timeoutMs) {
    RunningProgram* program = ProgramFrom(handle);
    if (!program || !program->process.valid()) return true;
    const DWORD timeout = timeoutMs == kWaitForever ? INFINITE : timeoutMs;
    if (program->output.valid()) return WaitDraining(*program, timeout);
    return WaitForSingleObject(program->process.value, timeout) != WAIT_TIMEOUT;
}

long ProgramExitCode(ProgramHandle handle) {
    RunningProgram* program = ProgramFrom(handle);
    if (!program || !program->process.valid()) return -1;
    if (WaitForSingleObject(program->process.value, 0) == WAIT_TIMEOUT) return -1;
    DWORD code = 0;
    if (!GetExitCodeProcess(program->process.value, &code)) return -1;
    return (long)code;
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

std::string TakeProgramOutput(ProgramHandle handle) {
    RunningProgram* program = ProgramFrom(handle);
    if (!program) return {};
    CollectOutput(*program, false);
    std::string taken = program->pending.substr(program->handedOut);
    program->pending.clear();
    program->handedOut = 0;
    return taken;
}

ProgramWake WaitForProgramOrOutput(ProgramHandle handle, std::uint32_t timeoutMs) {
    RunningProgram* program = ProgramFrom(handle);
    if (!program || !program->process.valid()) return ProgramWake::Ended;
    return WaitOnce(*program, timeoutMs == kWaitForever ? INFINITE : timeoutMs);
}

void EndProgram(ProgramHandle handle) {
    RunningProgram* program = ProgramFrom(handle);
    if (program && program->process.valid()) TerminateProcess(program->process.value, 1);
}

void ReleaseProgram(ProgramHandle handle) {
    RunningProgram* program = ProgramFrom(handle);
    if (!program) return;
    // The kernel may still write into the buffer of a pending read.
    if (program->readPending) {
        CancelIoEx(program->output.value, &program->read);
        DWORD got = 0;
        GetOverlappedResult(program->output.value, &program->read, &got, TRUE);
    }
    delete program;
}
