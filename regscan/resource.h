#pragma once
#define IDI_APP 1
#include "listicons.h"
#define IDD_HIVEMEND 102
#define IDD_CHOOSER 132
#define IDC_BUTTONSCAN 1000
#define IDC_BUTTONFIX 1001
#define IDC_BUTTONRESTORE 1002  // the backup button, as its text key names it
#define IDC_CATEGORIES 1003
#define IDC_RESULTS 1004
#define IDC_STATUS 1005
#define IDC_BUTTON_ALL 1006
#define IDC_BUTTON_ALL_NO 1007
#define IDC_BUTTONBAKUP 1008  // the restore button, as its text key names it
// The backup chooser.
#define IDC_BACKUPLIST 1007
#define IDC_DELETEBACKUP 1008
#define IDC_CHOOSERTEXT 1009
