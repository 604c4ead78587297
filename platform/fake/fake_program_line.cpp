// Waiting for a line of a recorded program's output.
#include "platform/process.h"

#include "platform/fake/fake_state.h"

bool WaitForProgramLine(ProgramHandle handle, std::uint32_t timeoutMs) {
    auto it = Fake().programs.find(handle);
    if (it == Fake().programs.end()) return true;
    // Scripted lines are all there at once; only the end can be late, and a
    // program still running after its lines sends nothing more.
    if (it->second.nextLine < it->second.script.outputLines.size()) return true;
    return WaitForProgram(handle, timeoutMs);
}
