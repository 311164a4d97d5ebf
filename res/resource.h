/* Resource identifiers of the program: string table, icons and commands. Shared
 * by the resource script and the program, so it holds only plain C macros. */
#ifndef NEARBEAM_RESOURCE_H
#define NEARBEAM_RESOURCE_H

/* String table */
#define IDS_TITLE 1
#define IDS_UNRECOGNISED 2
#define IDS_CLASS 3
#define IDS_AT 4
#define IDS_NEAR 5
#define IDS_LAST_SEEN 6
#define IDS_LOST 7
#define IDS_NO_CONNECTION 8
#define IDS_CARD_OFF 9
#define IDS_NO_DEVICE 10
#define IDS_LOOKING_UP 11
#define IDS_DOWNLOADING 12
#define IDS_REQUESTING 13
#define IDS_CURIOUS 14
#define IDS_CONNECTING 15
#define IDS_FINDING_SERVER 16
#define IDS_BAD_RESPONSE 17
#define IDS_INTERNAL_ERROR 18

/* Icons: the program, and the four tray states */
#define IDI_NEARBEAM 101
#define IDI_TRAY_NORMAL 122
#define IDI_TRAY_UNRECOGNISED 123
#define IDI_TRAY_PROBLEM 124
#define IDI_TRAY_REQUEST 125

/* Commands of the main window */
#define IDC_NEW_SUBSCRIPTIONS 101 /* sent by other programs; no menu item */
#define IDM_WHERE_AM_I 113
#define IDM_OPTIONS 40013
#define IDM_EXIT 40018
#define IDM_SCANNER 40053
#define IDM_UPLOAD 40071

/* The main window's timer and the tray icon's callback message */
#define IDT_TICK 120
#define NB_TICK_PERIOD_MS 10000
#define NB_TRAY_CALLBACK_MESSAGE 0x401

/* The upload dialog */
#define IDD_UPLOAD 503
#define IDC_UPLOAD_USERNAME 1038
#define IDC_UPLOAD_PASSWORD 1039
#define IDC_UPLOAD_STATUS 1042
#define IDC_UPLOAD_HINT 1044

#endif
