// The restore from the window: control 11 and menu item 51.
#pragma once

void RunRestore();
