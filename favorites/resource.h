// Resource identifiers of Marksift.
#pragma once

#define IDI_APP 1
#define IDD_MARKSIFT_DIALOG 102
#define IDS_SOCKETS_FAILED 103

#define IDC_LIST 1000
#define IDC_STATUS 1002
#define IDC_START 1003
#define IDC_PROGRESS 1004
#define IDC_CHECKALL 1005
#define IDC_UNCHECKALL 1006
#define IDC_CLEAR 1007
#define IDC_STOP 1008
#define IDC_CHECKED 1009
