// The common controls library, loaded when a window first needs it rather
// than with the program: its start-up connects Wine to the display, which a
// run without a window (the nightly /b) does without.
#pragma once
#include <windows.h>
#include <commctrl.h>

// Loads version 6 (the manifest's) and registers the classes; true once loaded.
bool LoadCommonControls();
BOOL SubclassWindow(HWND hwnd, SUBCLASSPROC procedure, UINT_PTR id);
LRESULT CallNextSubclassProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
