// Child programs, the process list and top-level windows.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct StartOptions {
    bool wait = false;        // return only after the program ended
    bool hidden = false;      // hidden window (otherwise shown normally)
    bool keepHandle = false;  // return a handle for polling
    // Standard output and error through a pipe, no console: a hidden console
    // tool needs none, and under Wine a console costs a host process per start.
    bool readOutput = false;
    // With readOutput: the output gathers in a temporary file, read once the
    // program has ended. For a tool that writes much, line by line: under Wine
    // every write to a pipe is a round trip to the server.
    bool outputThroughFile = false;
    std::wstring workingFolder;  // empty: none
    // With readOutput: bytes the program reads from standard input, which
    // ends after them (empty: the null device). Handed over through a pipe,
    // never a file; the caller wipes its copy once StartProgram returns.
    std::string standardInput;
};

using ProgramHandle = std::uintptr_t;  // 0: no program
constexpr std::uint32_t kWaitForever = 0xFFFFFFFFu;

// Command line: `program` in double quotes (unless it begins with one), a
// blank, then `parameters`. When the program cannot be created and no pipe
// was asked for, the shell opens `program` with its default verb instead.
// Returns 0 when nothing was started or no handle was asked for; `started`
// (optional) tells whether anything was started at all.
ProgramHandle StartProgram(const std::wstring& program, const std::wstring& parameters,
                           const StartOptions& options, bool* started = nullptr);
// Zero-timeout test; false for handle 0.
bool ProgramRunning(ProgramHandle handle);
// Blocks until the program ends or `timeoutMs` passes; true when it ended.
// Handle 0 counts as ended at once. Output meanwhile is kept for reading.
bool WaitForProgram(ProgramHandle handle, std::uint32_t timeoutMs);
// Exit code of an ended program; -1 for handle 0 or a program still running.
long ProgramExitCode(ProgramHandle handle);
// True while the pipe may still deliver a line (program running or bytes unread).
bool ProgramHasOutput(ProgramHandle handle);
// One line of output (LF ends it, CR dropped, UTF-8 decoded); blocks for it.
std::wstring ReadProgramLine(ProgramHandle handle);
// Blocks until ReadProgramLine would return at once (a whole line, or the
// end of output, is there) or `timeoutMs` passes; false on time-out.
bool WaitForProgramLine(ProgramHandle handle, std::uint32_t timeoutMs);
// The output that came since the last call, as raw bytes; never blocks.
std::string TakeProgramOutput(ProgramHandle handle);
// A figure that changes whenever the program writes output (the size of its
// output file, or of what its pipe delivered and is not yet read); never
// blocks. For a bound on the silence of a program whose lines come at its end.
std::uint64_t ProgramOutputSize(ProgramHandle handle);
// Once the program has ended: what its output still holds, read to its end.
std::string TakeRemainingOutput(ProgramHandle handle);
enum class ProgramWake { Ended, Output, TimedOut };
// Blocks on the program's end and its pipe together: Output when more bytes
// came (TakeProgramOutput), Ended once it has ended (handle 0 at once).
ProgramWake WaitForProgramOrOutput(ProgramHandle handle, std::uint32_t timeoutMs);
void EndProgram(ProgramHandle handle);  // forced end, for time-outs
void ReleaseProgram(ProgramHandle handle);

struct ProcessEntry {
    std::uint32_t id = 0;
    std::wstring exeFile;  // as the snapshot gives it
};
// False when the process list cannot be read (missing entry points, failed snapshot).
bool ListProcesses(std::vector<ProcessEntry>& processes);

struct TopLevelWindow {
    std::uintptr_t id = 0;
    std::wstring title;
};
// Every top-level window once.
std::vector<TopLevelWindow> ListTopLevelWindows();
