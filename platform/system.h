// Process-wide system services: environment, clock, locale, current folder,
// the single-instance lock and the code-page conversion.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// Common controls, and with `withComponents` COM/OLE on this thread (the
// folder requester and the shortcut need it; a run without a window does
// not, and under Wine OLE's hidden window costs the display connection).
void InitializeProcessServices(bool withComponents);
void ReleaseProcessServices();

// The command line's arguments after the program name, split by the
// program's own rule (see app/command_line.h); the raw text is given here.
std::wstring ReadCommandLineText();

std::wstring ReadEnvironmentText(const std::wstring& name);  // empty when unset

struct LocalTime {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};
LocalTime ReadLocalTime();

std::wstring ReadUserLocaleName();  // full language name of the user's default locale

std::wstring ReadCurrentFolder();  // as the system reports it, any length
bool ChangeCurrentFolder(const std::wstring& path);
std::wstring ReadExecutablePath();  // full path of this program's file

// True when this process now holds the named lock and nobody held it before.
bool TakeSingleInstanceLock(const std::wstring& name);

void PauseMilliseconds(std::uint32_t ms);
// Milliseconds since some fixed moment; only differences mean anything.
std::uint64_t ReadTickMilliseconds();
std::uint32_t ReadProcessId();  // this process's id

// System ANSI code page <-> UTF-16. Unmappable characters become the
// system's default character.
std::string AnsiFromWide(const std::wstring& text);
std::wstring WideFromAnsi(const std::string& bytes);
// The OEM code page (a console tool's output) -> UTF-16.
std::wstring WideFromOem(const std::string& bytes);
