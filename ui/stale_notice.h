// The age of the last good backup as the window tells it: the line and the tray tip kept current,
// and a balloon at the window's start and once a day while it runs in the tray.
#pragma once
#include <cstdint>

#include "engine/report/last_backup.h"

// How often the timer reads the record again: a scheduled run's good backup clears the warning within this.
constexpr std::uint64_t kBackupAgeLookMs = 60000;
constexpr std::uint64_t kStaleBalloonEveryMs = 24ull * 60 * 60 * 1000;

// Days without a good backup past what the task's schedule allows (the
// TaskSchedule setting and whether the task exists); 0 while fresh.
int StaleBackupDays(const LastBackup& attempt);
// The window's start, after the tray may have taken it: a balloon when the
// last good backup is too old. A visible window gets a tray icon for the
// balloon's time only.
void WarnOfStaleBackupAtStart();
// The timer's handler: removes the balloon's icon when its time is up, and
// each kBackupAgeLookMs shows the record as it is now and, in the tray, the
// day's balloon.
void LookAtBackupAge();
