// Child programs: creation with an exact command line, the shell fallback,
// waiting on the handle and reading standard output through a pipe.
#include <windows.h>
#include <shellapi.h>

#include <string>

#include "platform/process.h"
#include "platform/win32/code_page.h"
#include "platform/win32/owned_handle.h"

namespace {

struct RunningProgram {
    OwnedHandle process;
    OwnedHandle output;  // read end of the pipe; none without readOutput
    std::string pending;  // bytes read but not yet handed out as lines
    bool outputEnded = false;
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

// Appends one chunk from the pipe; false once the writers have all gone.
bool ReadMoreOutput(RunningProgram& program) {
    char buffer[4096];
    DWORD got = 0;
    if (!ReadFile(program.output.value, buffer, sizeof buffer, &got, nullptr) || got == 0) {
        program.outputEnded = true;
        return false;
    }
    program.pending.append(buffer, got);
    return true;
}

bool CreateChild(const std::wstring& program, const std::wstring& parameters, const StartOptions& options,
                 RunningProgram& child) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = options.hidden ? SW_HIDE : SW_SHOWNORMAL;

    OwnedHandle pipeWrite;
    if (options.readOutput) {
        SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
        HANDLE readEnd = nullptr, writeEnd = nullptr;
        if (!CreatePipe(&readEnd, &writeEnd, &inheritable, 0)) return false;
        child.output = OwnedHandle(readEnd);
        pipeWrite = OwnedHandle(writeEnd);
        // Only the write end may reach the child, or the pipe never reports its end.
        SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
        startup.dwFlags |= STARTF_USESTDHANDLES;
        startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
        startup.hStdOutput = writeEnd;
        startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    }

    // CreateProcessW may write into the command line, so it gets a copy of its own.
    std::wstring line = BuildCommandLine(program, parameters);
    line.push_back(L'\0');
    PROCESS_INFORMATION created{};
    const wchar_t* folder = options.workingFolder.empty() ? nullptr : options.workingFolder.c_str();
    // A hidden console tool gets no console at all: a hidden one still has to
    // draw 7-Zip's progress output, which costs seconds per backup under Wine.
    const DWORD flags = NORMAL_PRIORITY_CLASS | (options.hidden ? CREATE_NO_WINDOW : 0);
    BOOL ok = CreateProcessW(nullptr, &line[0], nullptr, nullptr, options.readOutput ? TRUE : FALSE, flags,
                             nullptr, folder, &startup, &created);
    if (!ok) {
        child.output = OwnedHandle();
        return false;
    }
    CloseHandle(created.hThread);
    child.process = OwnedHandle(created.hProcess);
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

}  // namespace

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
    if (options.wait) {
        // A child that fills the pipe would never end while we only waited.
        if (child->output.valid())
            while (ReadMoreOutput(*child)) {
            }
        if (child->process.valid()) WaitForSingleObject(child->process.value, INFINITE);
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
    return WaitForSingleObject(program->process.value, timeoutMs) != WAIT_TIMEOUT;
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
    if (!program || !program->output.valid()) return false;
    if (!program->pending.empty()) return true;
    if (program->outputEnded) return false;
    DWORD available = 0;
    if (!PeekNamedPipe(program->output.value, nullptr, 0, nullptr, &available, nullptr)) {
        program->outputEnded = true;
        return false;
    }
    return available > 0 || ProgramRunning(handle);
}

std::wstring ReadProgramLine(ProgramHandle handle) {
    RunningProgram* program = ProgramFrom(handle);
    if (!program || !program->output.valid()) return {};
    size_t end;
    while ((end = program->pending.find('\n')) == std::string::npos && !program->outputEnded) ReadMoreOutput(*program);
    std::string line;
    if (end == std::string::npos) {
        line.swap(program->pending);
    } else {
        line = program->pending.substr(0, end);
        program->pending.erase(0, end + 1);
    }
    std::string kept;
    kept.reserve(line.size());
    for (char c : line)
        if (c != '\r') kept.push_back(c);
    return WideFromCodePage(CP_UTF8, kept);
}

bool WaitForProgramLine(ProgramHandle handle, std::uint32_t timeoutMs) {
    RunningProgram* program = ProgramFrom(handle);
    if (!program || !program->output.valid()) return true;
    // An anonymous pipe cannot be waited on, so between looks at the pipe the
    // wait sleeps on the process handle in short slices.
    constexpr DWORD kSliceMs = 50;
    const ULONGLONG start = GetTickCount64();
    for (;;) {
        if (program->outputEnded || program->pending.find('\n') != std::string::npos) return true;
        DWORD available = 0;
        if (!PeekNamedPipe(program->output.value, nullptr, 0, nullptr, &available, nullptr)) {
            program->outputEnded = true;  // every writer has gone
            return true;
        }
        if (available > 0) {
            ReadMoreOutput(*program);  // returns at once: bytes are waiting
            continue;
        }
        const ULONGLONG waited = GetTickCount64() - start;
        if (timeoutMs != kWaitForever && waited >= timeoutMs) return false;
        DWORD slice = kSliceMs;
        if (timeoutMs != kWaitForever && timeoutMs - waited < slice) slice = static_cast<DWORD>(timeoutMs - waited);
        // Once the program has ended its handle no longer blocks, while a
        // child it left behind may still hold the pipe open.
        if (!program->process.valid() || WaitForSingleObject(program->process.value, slice) != WAIT_TIMEOUT)
            Sleep(slice);
    }
}

void EndProgram(ProgramHandle handle) {
    RunningProgram* program = ProgramFrom(handle);
    if (program && program->process.valid()) TerminateProcess(program->process.value, 1);
}

void ReleaseProgram(ProgramHandle handle) { delete ProgramFrom(handle); }
