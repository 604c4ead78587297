// The process's start-up sequence and its one exit sequence.
#pragma once
#include <string>
#include <vector>

#include "config/settings.h"

// Runs the program for the given arguments (program name excluded) and
// returns the process exit code.
int RunProgram(const std::vector<std::wstring>& arguments);
// Start-up step 4: writes 7z.exe and 7z.dll when nothing of that name exists.
void WriteArchiveToolFiles();
// An unattended run started elsewhere (the task scheduler starts it in the
// system folder) moves to the program's own folder when only that one holds
// the settings file.
void MoveToSettingsFolder();

// Process-wide state that the interactive start-up establishes.
Settings& ProcessSettings();
std::wstring& ProcessDataFolder();  // userprofile + "\AppData\Local\Larkmail"

// Releases what start-up took; every mode ends through here.
void RunExitSequence();
