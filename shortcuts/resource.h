#pragma once
#define IDI_APP 1
#define IDD_SNIPWELL 102
#define IDC_SCAN 1000
#define IDC_DELETE 1001
#define IDC_CHECKALL 1002
#define IDC_UNCHECKALL 1003
#define IDC_STATUS 1004
#define IDC_LIST 1005
