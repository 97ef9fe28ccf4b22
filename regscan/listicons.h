// Icons of the registry checker's category list (made at build time from the
// drawings in tools/icons/icons.txt; the icon lines are in hivemend.rc).
#pragma once

#define IDI_CATEGORY_LIBRARY 120      // 0 shared libraries
#define IDI_CATEGORY_DRIVER 121       // 1 drivers
#define IDI_CATEGORY_APPLICATION 122  // 2 application paths
#define IDI_CATEGORY_HELP 123         // 3 help files
#define IDI_CATEGORY_FILETYPE 124     // 4 file types
#define IDI_CATEGORY_MENU 125         // 5 context-menu commands
#define IDI_CATEGORY_ACTIVEX 126      // 6 ActiveX controls
#define IDI_CATEGORY_INTERFACE 127    // 7 COM/OLE interfaces
#define IDI_CATEGORY_USER 128         // 8 the user's software keys
#define IDI_CATEGORY_COMPUTER 129     // 9 the machine's software keys
#define IDI_CATEGORY_FONT 130         // 10 fonts; rows 11 and 12 share it
// Images 0-10 of the category list, in order.
#define IDI_CATEGORY_IMAGES IDI_CATEGORY_LIBRARY, IDI_CATEGORY_DRIVER, IDI_CATEGORY_APPLICATION, \
    IDI_CATEGORY_HELP, IDI_CATEGORY_FILETYPE, IDI_CATEGORY_MENU, IDI_CATEGORY_ACTIVEX,          \
    IDI_CATEGORY_INTERFACE, IDI_CATEGORY_USER, IDI_CATEGORY_COMPUTER, IDI_CATEGORY_FONT
