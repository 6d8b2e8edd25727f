// Numbers shared by the resource script and the code.
#pragma once

#define IDD_RULES 1000
#define IDD_HIGH_SCORES 1001
#define IDD_NAME_ENTRY 1002
#define IDD_ABOUT 1003
#define IDD_STATISTICS 1004
#define IDM_MAIN 1100      // menu and accelerators
#define IDB_ABOUT_LOGO 2000
#define IDB_ABOUT_MASK 2001
#define IDI_VEXAL 3000

// Commands (menu items and accelerators).
#define CMD_NEW_GAME 256
#define CMD_HIGH_SCORES 257
#define CMD_EXIT 258
#define CMD_SHOW_NEXT 512
#define CMD_STATISTICS 513
#define CMD_RULES 768
#define CMD_ABOUT 769

// Controls.
#define IDC_OK 256          // the OK button of every dialog
#define IDC_NAME_FIELD 257  // the edit field of the name dialog
#define IDC_STATIC_TEXT 65535

#define MAIN_TIMER 4096
