// Resource numbers shared by the .rc file and the code that loads them.
#pragma once
#define LARKMAIL_RES_7ZIP_EXE 101
#define LARKMAIL_RES_7ZIP_DLL 102
#define LARKMAIL_RES_APP_ICON 1
