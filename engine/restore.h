// The restore of the mail client's data folder from an archive: control 11 and menu item 51.
#pragma once

void RunRestore();
