// Shell links: the desktop shortcut made and read through the shell's link object.
#pragma once
#include <string>

struct ShortcutFields {
    std::wstring target;
    std::wstring arguments;
    std::wstring workingFolder;
    std::wstring description;
    std::wstring iconPath;
    int iconIndex = 0;
    int showCommand = 1;  // normal window
    int hotKey = 0;       // none
};

// Saves a shell link at `linkPath` (the folder must exist), replacing one
// that is there. False when any step fails; nothing is shown.
bool CreateShortcut(const std::wstring& linkPath, const ShortcutFields& fields);
// Loads a shell link; false when it cannot be loaded.
bool ReadShortcut(const std::wstring& linkPath, ShortcutFields& fields);
