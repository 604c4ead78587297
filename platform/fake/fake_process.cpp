// Recording process runner: process.h and the program controls of fake_platform.h.
#include "platform/process.h"

#include "platform/fake/fake_state.h"

namespace {

const FakeProgramScript* FindScript(const std::wstring& commandLine, const std::string& input) {
    const auto& scripts = Fake().scripts;
    for (auto it = scripts.rbegin(); it != scripts.rend(); ++it)
        if (commandLine.compare(0, it->first.size(), it->first) == 0 &&
            (!it->second.forInput || *it->second.forInput == input))
            return &it->second;
    return nullptr;
}

FakeProgram* FindProgram(ProgramHandle handle) {
    auto it = Fake().programs.find(handle);
    return it == Fake().programs.end() ? nullptr : &it->second;
}

}  // namespace

ProgramHandle StartProgram(const std::wstring& program, const std::wstring& parameters,
                           const StartOptions& options, bool* started) {
    const std::wstring quoted = !program.empty() && program[0] == L'"' ? program : L"\"" + program + L"\"";
    const std::wstring commandLine = quoted + L" " + parameters;
    Fake().starts.push_back(FakeStart{commandLine, options});
    const FakeProgramScript* found = FindScript(commandLine, options.standardInput);
    const FakeProgramScript script = found ? *found : FakeProgramScript{};
    if (started) *started = script.starts;
    if (!script.starts) return 0;
    if (script.onStart) script.onStart();
    if (!options.keepHandle) return 0;
    const ProgramHandle handle = Fake().nextHandle++;
    FakeProgram& running = Fake().programs[handle];
    running.script = script;
    running.pollsLeft = options.wait ? 0 : script.pollsWhileRunning;
    running.ended = options.wait || (script.pollsWhileRunning == 0 && script.outputPieces.empty());
    if (options.wait) {
        for (const std::string& piece : script.outputPieces) running.unread += piece;
        running.nextPiece = script.outputPieces.size();
    }
    return handle;
}

bool ProgramRunning(ProgramHandle handle) {
    FakeProgram* program = FindProgram(handle);
    if (!program || program->ended) return false;
    if (program->nextPiece < program->script.outputPieces.size()) return true;
    if (program->pollsLeft > 0) {
        --program->pollsLeft;
        return true;
    }
    program->ended = true;
    return false;
}

bool WaitForProgram(ProgramHandle handle, std::uint32_t timeoutMs) {
    FakeProgram* program = FindProgram(handle);
    if (!program || program->ended) return true;
    // What it writes meanwhile is kept, as the real pipe keeps it.
    for (; program->nextPiece < program->script.outputPieces.size(); ++program->nextPiece)
        program->unread += program->script.outputPieces[program->nextPiece];
    // A bounded wait counts each poll the script still allows as one second
    // of running and adds the time waited to the paused total.
    if (timeoutMs != kWaitForever) {
        const std::uint64_t needed = static_cast<std::uint64_t>(program->pollsLeft) * 1000u;
        if (needed > timeoutMs) {
            Fake().pausedMs += timeoutMs;
            Fake().tickMs += timeoutMs;
            program->pollsLeft -= static_cast<int>(timeoutMs / 1000u);
            return false;
        }
        Fake().pausedMs += static_cast<std::uint32_t>(needed);
        Fake().tickMs += needed;
    }
    program->pollsLeft = 0;
    program->ended = true;
    return true;
}

long ProgramExitCode(ProgramHandle handle) {
    FakeProgram* program = FindProgram(handle);
    if (!program || !program->ended) return -1;
    return program->script.exitCode;
}

bool ProgramHasOutput(ProgramHandle handle) {
    FakeProgram* program = FindProgram(handle);
    if (!program) return false;
    if (program->nextLine < program->script.outputLines.size()) return true;
    return ProgramRunning(handle);
}

std::wstring ReadProgramLine(ProgramHandle handle) {
    FakeProgram* program = FindProgram(handle);
    if (!program || program->nextLine >= program->script.outputLines.size()) return L"";
    return program->script.outputLines[program->nextLine++];
}

bool FakeNextProgramPiece(ProgramHandle handle, bool& wrote) {
    FakeProgram* program = FindProgram(handle);
    if (!program || program->ended || program->nextPiece >= program->script.outputPieces.size()) return false;
    const std::string& piece = program->script.outputPieces[program->nextPiece++];
    program->unread += piece;
    wrote = !piece.empty();
    return true;
}

std::string TakeProgramOutput(ProgramHandle handle) {
    FakeProgram* program = FindProgram(handle);
    if (!program) return {};
    std::string taken;
    taken.swap(program->unread);
    return taken;
}

std::string TakeRemainingOutput(ProgramHandle handle) {
    bool wrote = false;
    while (FakeNextProgramPiece(handle, wrote)) {
    }
    return TakeProgramOutput(handle);
}

std::uint64_t ProgramOutputSize(ProgramHandle handle) {
    FakeProgram* program = FindProgram(handle);
    return program ? program->nextPiece : 0;
}

ProgramWake WaitForProgramOrOutput(ProgramHandle handle, std::uint32_t timeoutMs) {
    bool wrote = false;
    while (FakeNextProgramPiece(handle, wrote))
        if (wrote) return ProgramWake::Output;
    return WaitForProgram(handle, timeoutMs) ? ProgramWake::Ended : ProgramWake::TimedOut;
}

void EndProgram(ProgramHandle handle) {
    FakeProgram* program = FindProgram(handle);
    if (program) {
        program->ended = true;
        program->pollsLeft = 0;
        program->script.exitCode = 1;
    }
}

void ReleaseProgram(ProgramHandle handle) {
    Fake().programs.erase(handle);
}

bool ListProcesses(std::vector<ProcessEntry>& processes) {
    processes.clear();
    if (Fake().processListFails) return false;
    processes = Fake().processes;
    return true;
}

std::vector<TopLevelWindow> ListTopLevelWindows() {
    return Fake().windows;
}

std::vector<FakeStart> FakeStarts() {
    return Fake().starts;
}

void ScriptFakeProgram(const std::wstring& commandLinePrefix, const FakeProgramScript& script) {
    Fake().scripts.emplace_back(commandLinePrefix, script);
}

void SetFakeProcesses(const std::vector<ProcessEntry>& processes) {
    Fake().processes = processes;
}

void SetFakeProcessListFails(bool fails) {
    Fake().processListFails = fails;
}

void SetFakeWindows(const std::vector<TopLevelWindow>& windows) {
    Fake().windows = windows;
}

int FakeOpenPrograms() {
    return static_cast<int>(Fake().programs.size());
}
