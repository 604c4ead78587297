// The backup started from the window: control 8 and menu item 50.
#pragma once

void RunInteractiveBackup();
