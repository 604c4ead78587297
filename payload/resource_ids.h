// Resource numbers shared by the .rc file and the code that loads them.
#pragma once
#define LARKMAIL_RES_7ZIP_EXE 101
#define LARKMAIL_RES_7ZIP_DLL 102
// The program's icon: exe, window, task bar and tray (image 54).
#define LARKMAIL_RES_APP_ICON 1
// Pop-up menu images 55 to 59 carry their image numbers.
#define LARKMAIL_RES_MENU_RESTORE 55
#define LARKMAIL_RES_MENU_BACKUP 56
#define LARKMAIL_RES_MENU_RESTORE_DB 57
#define LARKMAIL_RES_MENU_FOLDER 58
#define LARKMAIL_RES_MENU_QUIT 59
