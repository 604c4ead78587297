// The 7-Zip console program: archive names, command lines, runs and how a run ended.
#pragma once
#include <string>

#include "platform/process.h"
#include "platform/system.h"

// "LarkmailBackup_" + computer + "_" + user + "_" + yyyymmdd + ".7z"
std::wstring ArchiveName(const std::wstring& computer, const std::wstring& user, const LocalTime& day);
// Each command line carries -bsp1 after its other switches: 7-Zip's
// percentage comes through the output pipe (ReadToolProgress).
std::wstring BuildBackupParameters(int level, const std::wstring& backupFolder,
                                   const std::wstring& archiveName, const std::wstring& dataFolder);
std::wstring BuildRestoreParameters(const std::wstring& targetFolder, const std::wstring& archivePath);
// Only `archiveFolder` ("Larkmail\Mail\Inbox") and what lies below it: no -r,
// which would match a bare name at any depth; "--" so that a folder named
// "-x" is no switch.
std::wstring BuildFolderRestoreParameters(const std::wstring& targetFolder, const std::wstring& archivePath,
                                          const std::wstring& archiveFolder);
// "t" with the archive: 7-Zip reads every file back and checks its CRC.
std::wstring BuildTestParameters(const std::wstring& archivePath);
// Starts "7z.exe" hidden, without a console, its output to a pipe; 0 when
// it could not be created.
ProgramHandle StartArchiveTool(const std::wstring& parameters, bool wait);
bool ArchiveToolRunning(ProgramHandle handle);

// How a run ended: 7-Zip's exit code, or that it never started.
struct ToolOutcome {
    bool started = false;
    long exitCode = -1;
};
// Waits for the end (blocking on the handle and the pipe, which it drains),
// reads the code, releases the handle.
ToolOutcome FinishArchiveTool(ProgramHandle handle);
