// One backup without a window, as the scheduled task runs it.
#pragma once

// Returns the process exit code: 0 only when the new archive is in place
// and 7-Zip reported success.
int RunUnattendedBackup();
