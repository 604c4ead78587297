// TEMPORARY: the Options tab's and the tray's construction steps until they
// are written; delete this file when their real functions exist.
#include "platform/window.h"
#include "ui/window_parts.h"

void BuildOptionsTab() {}
void BuildTrayMenu() {}
// Without a tray a window created hidden could never come back.
void ApplySavedOptions(const Settings&) { ShowMainWindow(true); }
