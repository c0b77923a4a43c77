/* Fixed resource and control ids of Mavrion, shared by the resource scripts
 * and the code. Plain macros only: the resource compiler reads this file. */
#ifndef MAVRION_RESOURCE_H
#define MAVRION_RESOURCE_H

/* Dialog templates */
#define IDD_ABOUTBOX 100
#define IDD_MAVRION_DIALOG 102
#define IDD_OPEN_WINDOWS 139
#define IDD_VIDEO_DESC 140

/* Menu, string, icons, bitmaps, cursor */
#define IDS_ABOUTBOX 101
#define IDR_MAINFRAME 128
#define IDI_RECORDING 129
#define IDI_PAUSED 130
#define IDR_MAINMENU 132
#define IDB_FINDER_FULL 136
#define IDB_FINDER_EMPTY 137
#define IDC_FINDER_CURSOR 138

/* System menu entry of the main dialog (low four bits clear) */
#define IDM_ABOUTBOX 16

/* Menu 132 commands */
#define ID_START_CAPTURE 32771
#define ID_SHOW_APPLICATION 32772
#define ID_EXIT_APPLICATION 32773
#define ID_PAUSE_CAPTURE 32774
#define ID_STOP_CAPTURE 32775
#define ID_RESUME_CAPTURE 32776
#define ID_APP_ABOUT 32777
#define ID_HELP 57670

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

/* Main dialog (102): header buttons */
#define IDC_PAUSE_BUTTON 3
#define IDC_STOP_BUTTON 4
#define IDC_START_BUTTON 5
#define IDC_SAVE_SETTINGS 6

/* Main dialog: "Audio and Video Settings" */
#define IDC_OUTPUT_FILE 1000
#define IDC_BROWSE 1001
#define IDC_AUDIO_AND_VIDEO 1003
#define IDC_ONLY_VIDEO 1004
#define IDC_HEIGHT_LIST 1010
#define IDC_WIDTH_LIST 1011
#define IDC_FRAME_RATE_LIST 1014
#define IDC_QUALITY_LIST 1015
#define IDC_AUDIO_DEVICE_LIST 1017
#define IDC_FLASH_AREA 1035
#define IDC_AV_SETTINGS_GROUP 1045
#define IDC_OUTPUT_LABEL 1046
#define IDC_VIDEO_DESCRIPTION 1049
#define IDC_VIDEO_SIZE_NOTE 1054

/* Main dialog: "Screen Recording Options" (shared with the window picker:
 * the coordinate fields, the finder tool and its hint) */
#define IDC_SPECIFIC_APPLICATIONS 1025
#define IDC_ENTIRE_SCREEN 1026
#define IDC_SPECIFIC_AREA 1027
#define IDC_TOP 1028
#define IDC_LEFT 1029
#define IDC_RIGHT 1030
#define IDC_BOTTOM 1031
#define IDC_FINDER_TOOL 1032
#define IDC_WITHOUT_TASKBAR 1043
#define IDC_FINDER_HINT 1047
#define IDC_SCREEN_OPTIONS_GROUP 1051

/* Main dialog: footer */
#define IDC_ELAPSED_TIME 1048
#define IDC_SUPPORT_LINE 1052
#define IDC_COPYRIGHT_LINE 1053

/* Window picker (139) */
#define IDC_RUNNING_LIST 1013
#define IDC_SELECTED_LIST 1014
#define IDC_MOVE_RIGHT 1044
#define IDC_MOVE_LEFT 1045

/* Video description (140) */
#define IDC_AUTHOR_LABEL 1046
#define IDC_TITLE_LABEL 1047
#define IDC_COPYRIGHT_LABEL 1048
#define IDC_DESCRIPTION_LABEL 1049
#define IDC_AUTHOR 1050
#define IDC_TITLE 1001
#define IDC_COPYRIGHT 1002
#define IDC_DESCRIPTION 1003

#endif
