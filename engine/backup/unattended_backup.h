// One backup without a window, as the scheduled task runs it.
#pragma once

// Process exit codes; the task scheduler shows them as the task's last result.
constexpr int kUnattendedSuccess = 0;
constexpr int kUnattendedNoPath = 1;
constexpr int kUnattendedClientAlive = 2;
constexpr int kUnattendedNoDataFolder = 3;
constexpr int kUnattendedToolMissing = 4;
constexpr int kUnattendedToolWarning = 5;  // 7-Zip exit code 1
constexpr int kUnattendedToolFailed = 6;   // 7-Zip exit code 2 or more
constexpr int kUnattendedNoArchive = 7;
constexpr int kUnattendedNotReplaced = 8;  // also: an old temporary archive stayed, or the new one was not flushed
constexpr int kUnattendedTestFailed = 9;  // the new archive failed 7-Zip's test
constexpr int kUnattendedToolHung = 10;   // 7-Zip stood still for half an hour and was ended
constexpr int kUnattendedInDataFolder = 11;  // BkUpDir lies inside the data folder
constexpr int kUnattendedNoPassword = 12;  // the stored archive password cannot be unsealed, or the settings not read
constexpr int kUnattendedFolderBusy = 13;  // another backup or restore kept the backup folder locked too long
// Today's full would be replaced, yet an archive dated after today (the clock went back) was made against it.
constexpr int kUnattendedFullNeededLater = 14;
// The backup is saved and tested; the second folder (CopyDir) could not be brought up to date.
constexpr int kUnattendedCopyPending = 20;

// How long the mail client may take to go after taskkill.
constexpr unsigned kMailClientGoneTimeoutMs = 5000;

// Returns the process exit code: 0 only when the new archive is in place,
// 7-Zip reported success and the second folder, when there is one, is up to date.
int RunUnattendedBackup();
