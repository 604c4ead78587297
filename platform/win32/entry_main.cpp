// The Windows entry point: hands the split command line to the program.
#include <windows.h>

#include "app/command_line.h"
#include "app/startup.h"
#include "platform/system.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    return RunProgram(SplitCommandLine(ReadCommandLineText()));
}
