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
#define IDM_PRIVATE_MODE 40080
#define IDM_SURVEY 40090

/* The Options dialog and the subscription dialog */
#define IDD_OPTIONS 500
#define IDC_OPTIONS_SUBSCRIPTIONS 1049
#define IDC_OPTIONS_DELETE 1048
#define IDC_OPTIONS_ALERTS 1051
#define IDC_OPTIONS_ADAPTER 1011
#define IDC_OPTIONS_RECALIBRATE 1033
#define IDC_OPTIONS_CLEAR_CACHE 1034
#define IDC_OPTIONS_SHARING 1052
#define IDD_SUBSCRIBE 502
#define IDC_SUBSCRIBE_URL 1037
#define IDC_SUBSCRIBE_ALWAYS 1034
#define IDC_SUBSCRIBE_AREA 1035
#define IDC_SUBSCRIBE_BUILDING 1038
#define IDC_SUBSCRIBE_NEVER 1039
#define IDC_SUBSCRIBE_NOTE 1041

/* The main window's timer and the tray icon's callback message */
#define IDT_TICK 120
#define NB_TRAY_CALLBACK_MESSAGE 0x401

/* The "Where Am I?" page and the Scanner: menus, dialogs, their display
 * controls, commands and the Scanner's timer */
#define IDR_SCANNER_MENU 102
#define IDR_LOCATION_MENU 113
#define IDD_LOCATION 116
#define IDT_SCANNER 117
#define IDD_SCANNER 118
#define IDC_DISPLAY 1028
#define IDC_DISPLAY_BACK 1029
#define IDM_ACTIVE_SCAN 40014
#define IDM_SPEED_1 40022
#define IDM_SPEED_2 40023
#define IDM_SPEED_5 40024
#define IDM_SPEED_10 40025
#define IDM_SPEED_30 40026
#define IDM_CLEAR 40029
#define IDM_EDIT_LOCATION 40039
#define IDM_VIEW_MANUFACTURER 40057
#define IDM_VIEW_CHANNEL 40058
#define IDM_VIEW_BSSID 40063
#define IDM_VIEW_COMPACT 40065

/* Set-location wizard: its frame's menu and the three pages */
#define IDM_SET_LOCATION_MENU 114
#define IDD_WIZARD_PLACE 110
#define IDD_WIZARD_AREA 111
#define IDD_WIZARD_BUILDING 112
#define IDC_WIZARD_FINISH 1009
#define IDC_WIZARD_BACK 1010
#define IDC_WIZARD_COUNTRY 1011
#define IDC_WIZARD_PROVINCE 1012
#define IDC_WIZARD_CITY 1013
#define IDC_WIZARD_AREA 1014
#define IDC_WIZARD_BUILDING 1015
#define IDC_WIZARD_LOCATION 1016
#define IDC_WIZARD_STREET 1027
#define IDC_WIZARD_FLOOR 1028
#define IDC_WIZARD_NEXT 1030
#define IDC_WIZARD_CITY_LABEL 1031
#define IDC_WIZARD_KEPT_HERE 1032

/* The upload dialog */
#define IDD_UPLOAD 503
#define IDC_UPLOAD_USERNAME 1038
#define IDC_UPLOAD_PASSWORD 1039
#define IDC_UPLOAD_STATUS 1042
#define IDC_UPLOAD_HINT 1044
#define IDC_UPLOAD_CLEAR 1045
#define IDC_UPLOAD_SUMMARY 1046

/* The Survey window */
#define IDD_SURVEY 504
#define IDC_SURVEY_BUILDING 1101
#define IDC_SURVEY_FLOOR 1102
#define IDC_SURVEY_LOCATION 1103
#define IDC_SURVEY_COUNT 1104
#define IDC_SURVEY_BAR 1105
#define IDC_SURVEY_PROGRESS 1106
#define IDC_SURVEY_IN_RANGE 1107
#define IDC_SURVEY_WARNING 1108
#define IDC_SURVEY_MESSAGE 1109
#define IDC_SURVEY_COVERAGE 1110
#define IDC_SURVEY_STOP 1111

#endif
