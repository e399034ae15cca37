// Resource identifiers shared by the resource script (quintrel.rc) and the Win32 code: the only
// file both include, so it holds plain #defines that the resource compiler understands. The
// control ids are the ones of base/control_ids.h; the dialog code checks at compile time that they
// agree.
#pragma once

// Main dialog.
#define IDD_MAIN 101
#define IDC_PORT_BOX 1001
#define IDC_COM_OPEN 1002
#define IDC_COM_CLOSE 1003
#define IDC_SEARCH_AGAIN 1004
#define IDC_ID_LABEL 1005
#define IDC_SAVE_SETTINGS 1007
#define IDC_BITRATE_LIST 1008
#define IDC_READING 1009
#define IDC_BUZZ_OFF 1011
#define IDC_ID_FIELD 1012

// Program icons: the program file's icon and the three icons of the message window.
#define IDI_PROGRAM 103
#define IDI_WARNING_TRIANGLE 105
#define IDI_ERROR_DISC 106
#define IDI_EXCLAMATION_MARK 107

// Message dialog.
#define IDD_MESSAGE 108
#define IDC_MESSAGE_TEXT 1005
#define IDC_MESSAGE_OK 1006
