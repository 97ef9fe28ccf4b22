// Resource identifiers of Patchmoor.
#pragma once

#define IDI_APP 1
#define IDD_PATCHMOOR_DIALOG 102
#define IDD_HELP 131

#define IDC_CLEAN 1000
#define IDC_LIST 1001
#define IDC_HELPBT 1003
#define IDC_CHECKALL 1004
#define IDC_PROGRESS 1005
#define IDC_UPDATE 1006
#define IDC_UNCHECKALL 1007
#define IDC_INFO 1008
#define IDC_HELPTEXT 1010
