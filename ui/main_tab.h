// Handlers of the Main and 7-Zip Settings tabs: the backup folder and the compression level.
#pragma once
#include <string>

// Link 6: empties field 7, BkUpDir and the backup folder.
void ClearBackupFolder();
// Button 9: the folder requester; a chosen folder goes to field 7 and BkUpDir.
void ChooseBackupFolder();
// Button 10 and menu item 52: "explorer" on the backup folder, without waiting.
void OpenBackupFolder();
// Track bar 13: its position goes to Compression at once.
void StoreCompressionLevel();
// Check box 60: VerifyBackup at once.
void StoreVerifyBackup();
// Field 63: KeepDays at once, when it holds a number from 0 to 3650 that differs from the stored one.
void StoreKeepDays();
// KeepDays as stored; anything out of range reads 0 (keep everything).
int ReadKeepDaysSetting();

// The parameter that "explorer" gets for a folder: quoted when it holds a blank.
std::wstring ExplorerParameter(const std::wstring& folder);
