// Resource identifiers of the advanced tools window, its registry backup page
// and its list pages: 2000-2499.
#pragma once

// Windows and page templates.
#define IDD_RQDIALOG 2000        // the advanced tools window
#define IDD_ADVREGBAKPAGE 2001   // registry backup page
#define IDD_ADVLISTPAGE 2002     // every list page (file types, software, ...)
#define IDD_ADVPLACEHOLDER 2003  // an empty page

// The window.
#define IDC_ADVTAB 2010
#define IDC_STATICRQLOGO 2011
// The pages carry the control identifier IDC_ADVPAGE0 + their tab index, so
// that each can be found inside the tab control.
#define IDC_ADVPAGE0 2020

// Registry backup page.
#define IDC_STATICREGBAKSM1 2040
#define IDC_STATICREGBAKKG1 2041
#define IDC_REGBAKBACKUP 2042    // text key "IDC_FRESHTKEYBOARDstr"
#define IDC_STATICREGBAKSM2 2043
#define IDC_STATICREGBAKKG2 2044
#define IDC_REGBAKRESTORE 2045   // text key "IDCANCELINREGBAK"
#define IDC_STATICREGBAKSM3 2046

// List pages: the same four controls on every page, texts by page.
#define IDC_ADVEXPLAIN 2060
#define IDC_ADVLIST 2061
#define IDC_ADVREFRESH 2062
#define IDC_ADVDELETE 2063
