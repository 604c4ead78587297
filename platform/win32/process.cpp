// Starting child programs: the exact command line, the shell fallback, the
// handles and pipe it gets, its exit code and its forced end.
#include <windows.h>
#include <shellapi.h>

#include <string>

#include "platform/process.h"
#include "platform/win32/process_internal.h"
#include "platform/win32/program_record.h"

namespace {

constexpr DWORD kPipeBufferBytes = 64 * 1024;

std::wstring BuildCommandLine(const std::wstring& program, const std::wstring& parameters) {
    std::wstring line = (!program.empty() && program[0] == L'"') ? program : L"\"" + program + L"\"";
    return line + L" " + parameters;
}

std::wstring WithoutQuotes(const std::wstring& program) {
    if (program.size() >= 2 && program.front() == L'"' && program.back() == L'"')
        return program.substr(1, program.size() - 2);
    return program;
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

}  // namespace

HANDLE ProgramProcessHandle(ProgramHandle handle) {
    RunningProgram* program = ProgramFrom(handle);
    return program && program->process.valid() ? program->process.value : nullptr;
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

long ProgramExitCode(ProgramHandle handle) {
    RunningProgram* program = ProgramFrom(handle);
    if (!program || !program->process.valid()) return -1;
    if (WaitForSingleObject(program->process.value, 0) == WAIT_TIMEOUT) return -1;
    DWORD code = 0;
    if (!GetExitCodeProcess(program->process.value, &code)) return -1;
    return (long)code;
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
