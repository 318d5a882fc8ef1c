/* Resource identifiers of Orbelan. Shared by the .rc and the C++ code. */
#pragma once

/* Dialogs */
#define IDD_MAIN                101
#define IDD_STATUS_EDIT         106
#define IDD_NOTICE_OLD_ICQ      107
#define IDD_NOTICE_HIGH_ICONS   108
#define IDD_NOTICE_NO_SERVER    109
#define IDD_ABOUT               110
#define IDD_DEFAULT_MESSAGE     111

/* Icons, bitmaps, menus */
#define IDI_PROGRAM             103
#define IDB_PICTURE             104
#define IDB_STATUS_ICONS        105
#define IDM_MAIN                108
#define IDM_STATUS_MENU         112
/* The main window's keys (an accelerator table: its own resource type) */
#define IDA_MAIN                101

/* Controls of the main window */
#define IDC_STATUS_LIST         1001
#define IDC_DELETE              1002
#define IDC_EDIT                1003
#define IDC_ADD                 1004
#define IDC_ICQ_NUMBER          1005
#define IDC_CHANGE_ACCOUNT      1006
#define IDC_APPLY               3
#define IDC_HOME_PAGE           1012
#define IDC_VERSION_LABEL       1013

/* Controls of the status editor */
#define IDC_ICON_PICKER         1007
#define IDC_STATUS_TITLE        1008
#define IDC_STATUS_TEXT         1009
#define IDC_SHOW_IN_MENU        1010

/* Controls of the notices and the About box */
#define IDC_DONT_SHOW_AGAIN     1010
#define IDC_NOTICE_TITLE        1011
#define IDC_ABOUT_TITLE         1017
#define IDC_ABOUT_VERSION       1018

/* Controls of the default-message dialog */
#define IDC_MESSAGE_TEXT        1014
#define IDC_MESSAGE_PROMPT      1015

/* Controls of the input box built in memory */
#define IDC_INPUT_TEXT          200
#define IDC_INPUT_PROMPT        150

/* Menu commands (3 "Uložit změny" and 1012 "Domovská stránka programu..."
   share the IDs of their buttons, and so do "Upravit.." 1003 and
   "Odstranit" 1002 of the list's context menu) */
#define IDM_SAVE                3
#define IDM_DISCARD_CHANGES     40006
#define IDM_CLEAR_ALL           40007
#define IDM_NA_MESSAGE          40010
#define IDM_AWAY_MESSAGE        40011
#define IDM_HELP_ON_WEB         40014
#define IDM_ABOUT               40015
#define IDM_HOME_PAGE           1012
#define IDM_MOVE_UP             40020
#define IDM_MOVE_DOWN           40021
#define IDM_EXPORT              40022
#define IDM_IMPORT              40023
#define IDM_RESTORE             40024
#define IDM_UNDO                40025
#define IDM_REDO                40026

#ifndef IDC_STATIC
#define IDC_STATIC              (-1)
#endif
