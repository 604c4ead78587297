// One backup without a window, as the scheduled task runs it.
#include "engine/unattended_backup.h"

int RunUnattendedBackup() {
    return 1;
}
