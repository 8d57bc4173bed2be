/* Ids shared by the dialog template and the code; plain C so the resource compiler reads it. */
#ifndef CHPIMPORT_RESOURCE_IDS_H
#define CHPIMPORT_RESOURCE_IDS_H

#define IDC_OK 1
#define IDC_CANCEL 2
#define IDC_BROWSE 101
#define IDC_PATH 102
#define IDC_STATUS 103
#define IDC_IMPORT 104
#define IDC_PROJECT 105
#define IDC_CHIPTYPE 106
#define IDC_FILENAME 107
#define IDC_FILENUMBER 108
#define IDC_ADDRESS 109
#define IDC_MSGCOUNT 110
#define IDC_ZUVAN 111
#define IDC_HELPBTN 112

/* The programs' icon (res/chpimport.ico), in every program. */
#define IDI_PROGRAM 1

#define IDS_NOLAUNCH 1
#define IDS_ERROR 2
#define IDS_BUFFERSMALL 3

/* The string table's texts, for the resource compiler and for front ends without one. */
#define STR_NOLAUNCH "Could Not Launch Dialog"
#define STR_ERROR "Error"
#define STR_BUFFERSMALL "Buffer too small"

#define ID_STATUS_TIMER 1
#define ID_STEP_TIMER 2
#define IDC_STEP_COMMAND 200

#endif
