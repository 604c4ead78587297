// Test double of 7z.exe that hangs: it writes the header and one figure, as
// 7-Zip does when it starts packing, then neither writes nor ends until it
// is killed. Each start appends its command line, UTF-8 and CR LF, to
// "7z-runs.txt" beside it, so a test sees that it ran.
#include <windows.h>

#include <string>

#include "run_record.h"

int wmain() {
    AppendRun(GetCommandLineW());
    const char start[] = "\r\n7-Zip (a) 26.00 (x64)\r\n\r\nScanning the drive:\r\n  0%";
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), start, sizeof start - 1, &written, nullptr);
    Sleep(INFINITE);
    return 0;
}
