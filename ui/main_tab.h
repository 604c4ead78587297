// Handlers of the Main and 7-Zip Settings tabs: the backup folder and the compression level.
#pragma once
#include <string>

#include "engine/report/last_backup.h"

// Link 6: empties field 7, BkUpDir and the backup folder.
void ClearBackupFolder();
// Button 9: the folder requester; a chosen folder goes to field 7 and BkUpDir.
void ChooseBackupFolder();
// Button 97: the folder requester for the second copy. A folder inside the
// data folder, or the backup folder or one inside it, is refused with a box;
// a mapped drive letter is offered its "\\server\share" form, which a
// scheduled task can reach. The folder goes to field 96 and CopyDir.
void ChooseSecondFolder();
// Button 98: empties field 96 and CopyDir (written only when it is set).
void ClearSecondFolder();
// Button 10 and menu item 52: "explorer" on the backup folder, without waiting.
void OpenBackupFolder();
// Track bar 13: its position goes to Compression at once.
void StoreCompressionLevel();
// Check box 60: VerifyBackup at once.
void StoreVerifyBackup();
// Field 63 as the user leaves it (focus, Enter, arrows) and before anything uses or
// could lose it (a backup, hiding to the tray, the window's end): an empty field
// is 0; what is no count of 0 to 3650 days gives way to the value in force. What
// the field passed through while being typed in is never stored.
void CommitKeepDays();
// Field 67, as the user leaves it and wherever field 63 is committed:
// FullEvery when the field holds a number from 0 to 365 that differs from the
// stored one; otherwise the field shows the stored value again.
void StoreFullEvery();

// The record as the window shows it: a pending second copy only while CopyDir is set.
LastBackup ShownLastBackup(LastBackup attempt);
// Line 61: the attempt's text, after "No good backup for N days." when the
// last good backup is older than the schedule allows; a failure, a warning or
// that age in the alert colour; the whole text and the kept archives' proofs
// (ReadProofSummary) as its tool tip; in the tray, the icon's tool tip too.
void ShowLastBackup(const LastBackup& attempt);
// The tray icon's tool tip for the attempt: the age when too old, else the attempt in short.
std::wstring LastBackupTrayTip(const LastBackup& attempt);
// The proof record beside the archives, read into the state's summary line.
void ReadProofSummary();
// Start-up and the return from the tray: the record as it is now (an unattended
// run may have written it). A failure, or a kept archive lost, that the user has not seen yet
// brings the Main tab to the front and is marked seen in the record, once the window is shown.
void RefreshLastBackup();
// A backup from the window: recorded as seen (its box said it) with the
// second copy's state, then shown; returns what was recorded.
LastBackup RecordWindowBackup(LastBackup attempt, const SecondCopyOutcome& copy = {});

// The parameter that "explorer" gets for a folder: quoted when it holds a blank.
std::wstring ExplorerParameter(const std::wstring& folder);
