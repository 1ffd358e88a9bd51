// Resource and control ids of Vorlax.exe, shared by the resource scripts and
// the program (and the tests that drive it).
#pragma once

// Dialog templates.
#define IDD_MAIN 131
#define IDD_ABOUT 132
// The main window's template size, in dialog units.
#define MAIN_WIDTH 142
#define MAIN_HEIGHT 55

// Menu, icon, cursor.
#define IDM_MAIN 125
#define IDI_VORLAX 126
#define IDC_HAND_CURSOR 104

// Main window controls.
#define IDC_TITLE_TEXT 1035
#define IDC_DROP_HINT 1031
#define IDC_STATUS_BAR 1030

// Menu commands.
#define IDM_OPEN_CONVERT 40001
#define IDM_EXIT 2
#define IDM_OPEN_IN_EDITOR 1047
#define IDM_ALWAYS_ON_TOP 1024
#define IDM_SETTINGS 65535
#define IDM_HELP_CONTENTS 40004
#define IDM_ABOUT 40005

// About box controls.
#define IDC_VERSION_TEXT 1025
#define IDC_WEB_LINK 1034
#define IDC_MAIL_LINK 1038

// The embedded deliverables.
#define IDR_SHELL_EXTENSION 139
#define IDR_UNINSTALLER 142
