#pragma once
#include "advanced/advancedres.h"
#include "advanced/activexres.h"
#define IDI_APP 1
#include "listicons.h"

// Windows.
#define IDD_DUSTREL 102
#define IDD_DIALOG_DH 130     // scan progress
#define IDD_SETUPDLG 131      // options
#define IDD_CLEANPROGRESS 132 // progress popup of the cleaning run
#define IDD_DISKREPORT 133    // disk report after a cleaning run

// Main window.
#define IDC_SCANBT 1001
#define IDC_DELETEBT 1002
#define IDC_ADDTYPEBT 1003   // options
#define IDC_TARGETLIST 1004
#define IDC_RESULTLIST 1005
#define IDC_STATICBAR 1006
#define IDC_ACTIVEXBT 1007   // save the selection
#define IDC_SHORTCUTBT 1029  // starts Snipwell
#define IDC_FAVORITEBT 1032  // starts Marksift
#define IDC_SELECTALLBT 1054
#define IDC_ALLNOBT 1055
#define IDC_NOITEMBT 1056
#define IDC_INFOITEMBT 1057  // stop the scan

// Options window.
#define IDC_STATICXXKG1 1011
#define IDC_CHECKDELETE 1012
#define IDC_CHECKREGBAK 1033
#define IDC_CHECKPOWEROFF 1034

// Scan progress window.
#define IDC_STATICSCANOBJECT 1120
#define IDC_SCANPATH 1121
#define IDC_SCANDISKPLAY 1122
#define IDC_SCANANIMATION 1123
#define IDC_SCANPROGRESS 1124
#define IDC_BUTTONCANCELINDH 1125

// Cleaning progress popup.
#define IDC_CLEANSTATUS 1140
#define IDC_CLEANPROGRESS 1141

// Disk report.
#define IDC_REPORTTEXT 1150
#define IDC_PIEBEFORE 1151
#define IDC_PIEAFTER 1152

// Menu commands (context menu of the result list, tray icon menu).
#define ID_VIEW 32771
#define ID_DONOTOP 32772
#define ID_ALLSELECT 32773
#define ID_TRAY_POPUP 32780
#define ID_TRAY_CLOSE 32781
