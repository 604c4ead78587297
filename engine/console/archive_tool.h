// The 7-Zip console program: archive names, command lines, runs and how a run ended.
#pragma once
#include <string>
#include <vector>

#include "engine/console/tool_watch.h"
#include "platform/process.h"
#include "platform/system.h"

// "LarkmailBackup_" + computer + "_" + user + "_" + yyyymmdd + ".7z"
std::wstring ArchiveName(const std::wstring& computer, const std::wstring& user, const LocalTime& day);
// Each command line carries -bsp1 after its other switches: 7-Zip's
// percentage comes through the output pipe (ReadToolProgress).
// `encrypt`: a bare -p (7-Zip asks for the password on standard input) and
// -mhe=on, so not even the names can be read without it.
std::wstring BuildBackupParameters(int level, const std::wstring& backupFolder, const std::wstring& archiveName,
                                   const std::wstring& dataFolder, bool encrypt = false);
// "u" against the full, run from the data folder's parent so that the paths
// match the full's: only what changed goes into `diffPath`, deletions as
// anti-items; the full is only read. `encrypt` as for a full: the full's
// password opens it and seals the differential.
std::wstring BuildDifferentialParameters(int level, const std::wstring& fullPath, const std::wstring& folderName,
                                         const std::wstring& diffPath, bool encrypt = false);
// `withPassword`: only -sccUTF-8, so the answer on standard input is read as
// UTF-8; 7-Zip asks by itself when the archive is encrypted, and a bare -p
// here would be an empty password. `overwrite` (may be empty) goes before
// -bsp1: "-y" for a differential's full, "-aoa" for the differential itself
// (other modes ignore its anti-items).
std::wstring BuildRestoreParameters(const std::wstring& targetFolder, const std::wstring& archivePath,
                                    bool withPassword = false, const std::wstring& overwrite = {});
// Only `archiveFolder` ("Larkmail\Mail\Inbox") and what lies below it: no -r,
// which would match a bare name at any depth; "--" so that a folder named
// "-x" is no switch. `withPassword` and `overwrite` as for the whole restore.
std::wstring BuildFolderRestoreParameters(const std::wstring& targetFolder, const std::wstring& archivePath,
                                          const std::wstring& archiveFolder, bool withPassword = false,
                                          const std::wstring& overwrite = L"-y");
// "t" with the archive: 7-Zip reads every file back and checks its CRC.
std::wstring BuildTestParameters(const std::wstring& archivePath, bool withPassword = false);
// What 7-Zip reads on standard input: the password in UTF-8 and CR LF, as
// many times as one run may ask (an update asks for the old archive and the
// new one); 7-Zip takes only the lines it asks for.
std::string PasswordAnswerBytes(const std::wstring& password);
// The carried 7z.exe where start-up writes it, in the current folder: by its
// bare name the system would search its path, where another 7z.exe may come
// first.
std::wstring ArchiveToolPath();
// Starts ArchiveToolPath() hidden, without a console, its output to a pipe; 0 when
// it could not be created. A password goes to its standard input only.
ProgramHandle StartArchiveTool(const std::wstring& parameters, bool wait, const std::wstring& password = {},
                               const std::wstring& workingFolder = {});
// 7-Zip's answer to a password that does not open the archive (exit code 2
// and "Wrong password?"), as against a damaged archive.
bool OutputTellsWrongPassword(long exitCode, const std::wstring& output);
bool ArchiveToolRunning(ProgramHandle handle);

// How a run ended: 7-Zip's exit code, or that it never started.
struct ToolOutcome {
    bool started = false;
    long exitCode = -1;
    bool hung = false;  // ended by us after its figure stood still too long
    // From 7-Zip's closing list: the files it could not read (the first few) and how many.
    std::vector<std::wstring> unreadFiles{};
    int unreadCount = 0;
    bool wrongPassword = false;  // it said the password does not open the archive
};
// Waits for the end (blocking on the handle and the pipe, which it drains,
// and ending a tool that stands still: `watch`), reads the rest of the
// output and the code, releases the handle.
ToolOutcome FinishArchiveTool(ProgramHandle handle, ToolWatch& watch);
// Messages/ToolExit... text for a finished 7-Zip run (ToolNotStarted when it never started).
std::wstring ToolOutcomeText(const ToolOutcome& tool);
