// The process's start-up sequence and its one exit sequence.
#pragma once
#include <string>
#include <vector>

// Runs the program for the given arguments (program name excluded) and
// returns the process exit code.
int RunProgram(const std::vector<std::wstring>& arguments);
// Start-up step 4: writes 7z.exe and 7z.dll when nothing of that name exists.
void WriteArchiveToolFiles();
