// Icons of the main cleaner's lists (made at build time from the drawings in
// tools/icons/icons.txt; the icon lines are in dustrel.rc).
#pragma once

#define IDI_TARGET_DRIVE 110
#define IDI_TARGET_BROWSER 111
#define IDI_TARGET_REGISTRY 112
#define IDI_TARGET_HISTORY 113
// The scan-target list's images 0-3, in order: fixed drives; the browser's
// stores (OtherItem1-4); registry records (OtherItem5-9); histories
// (OtherItem10-26 and the plug-in rows).
#define IDI_TARGET_IMAGES IDI_TARGET_DRIVE, IDI_TARGET_BROWSER, IDI_TARGET_REGISTRY, IDI_TARGET_HISTORY

// The advanced tools' list pages: each page's own icon (the startup and
// file-type pages show it for rows whose program or file gives none).
#define IDI_PAGE_STARTUP 156
#define IDI_PAGE_FILETYPE 161
#define IDI_PAGE_CODEPAGE 172
#define IDI_PAGE_KEYBOARD 173
#define IDI_PAGE_TIMEZONE 174
#define IDI_PAGE_SOFTWARE 175
#define IDI_PAGE_IMAGES IDI_PAGE_STARTUP, IDI_PAGE_FILETYPE, IDI_PAGE_CODEPAGE, IDI_PAGE_KEYBOARD, \
                        IDI_PAGE_TIMEZONE, IDI_PAGE_SOFTWARE
