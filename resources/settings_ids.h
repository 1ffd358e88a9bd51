// Dialog templates and control ids of the settings sheet's seven pages,
// shared by the resource script, the page procedures and the tests that
// drive them. Ids repeat across pages (1018, 1062): each page is its own
// dialog.
#pragma once

// Every page's template measures PAGE_WIDTH x PAGE_HEIGHT dialog units.
#define PAGE_WIDTH 223
#define PAGE_HEIGHT 131

// The pages, in the sheet's order.
#define IDD_PAGE_TEXT 130
#define IDD_PAGE_IMAGE 129
#define IDD_PAGE_TABLE 127
#define IDD_PAGE_SAVE 128
#define IDD_PAGE_KANJI 133
#define IDD_PAGE_EDITOR 136
#define IDD_PAGE_SHELL 134

// Page 1: text formatting.
#define IDC_TEXT_SPCUT 1008
#define IDC_TEXT_HTML_ONLY 1006
#define IDC_TEXT_TITLE 1005
#define IDC_TEXT_SPCUT2 1009
#define IDC_TEXT_EOFCUT 1040
#define IDC_TEXT_ENDCR 1041
#define IDC_TEXT_LINK 1066
#define IDC_TEXT_LINK_N 1065
#define IDC_TEXT_LINK_E 1067
#define IDC_TEXT_QK 1061
#define IDC_TEXT_COLUMN_LABEL 1060
#define IDC_TEXT_COLUMN 1018
#define IDC_TEXT_COLUMN_UPDOWN 1100

// Page 2: IMG tags.
#define IDC_IMG_REPLACE 1043
#define IDC_IMG_GROUP 1058
#define IDC_IMG_IMAGE 1055
#define IDC_IMG_SRC 1056
#define IDC_IMG_ALT 1057
#define IDC_IMG_USER 1063
#define IDC_IMG_TEXT 1018
#define IDC_IMG_HELP_GROUP 1068
#define IDC_IMG_HELP 1069

// Page 3: tables.
#define IDC_TABLE_LEFT 1062
#define IDC_TABLE_GROUP 1059
#define IDC_TABLE_SPACE 1044
#define IDC_TABLE_COMMA 1045
#define IDC_TABLE_TAB 1046

// Page 4: save folder and file names.
#define IDC_SAVE_UPPER 1062
#define IDC_SAVE_SAME_FOLDER 1004
#define IDC_SAVE_FOLDER_LABEL 1042
#define IDC_SAVE_FOLDER 1018
#define IDC_SAVE_BROWSE 1000

// Page 5: kanji codes.
#define IDC_KANJI_CONVERT 1003
#define IDC_KANJI_IN_GROUP 1027
#define IDC_KANJI_IN_SJIS 1011
#define IDC_KANJI_IN_JIS 1012
#define IDC_KANJI_IN_EUC 1013
#define IDC_KANJI_IN_AUTO 1016
#define IDC_KANJI_IN_UNICODE 1014
#define IDC_KANJI_IN_UTF8 1015
#define IDC_KANJI_OUT_GROUP 1026
#define IDC_KANJI_OUT_SJIS 1018
#define IDC_KANJI_OUT_JIS 1019
#define IDC_KANJI_OUT_EUC 1017
#define IDC_KANJI_OUT_UNICODE 1020
#define IDC_KANJI_OUT_UTF8 1021

// Page 6: the editor.
#define IDC_EDITOR_OPEN 1047
#define IDC_EDITOR_LABEL 1048
#define IDC_EDITOR_COMMAND 1049
#define IDC_EDITOR_BROWSE 1050

// Page 7: the context-menu extension.
#define IDC_SHELL_MENU 1062
