// Resource identifiers of the two ActiveX pages of the advanced tools window:
// 2500-2999.
#pragma once

#define IDD_ACTIVEXPAGE 2500        // the registered controls
#define IDD_ACTIVEXBACKUPPAGE 2501  // the recorded (unregistered) controls

// The control page.
#define IDC_ACTXEXPLAIN 2510     // text key "IDC_STATICACTIVESM"
#define IDC_ACTXLIST 2511        // one row per type-library file, ticked when orphaned
#define IDC_ACTXGROUP 2512       // "IDC_STATICACTIVEXKG"
#define IDC_ACTXFILELABEL 2513   // "IDC_STATICACTTJ1"
#define IDC_ACTXDATELABEL 2514   // "IDC_STATICACTTJ2"
#define IDC_ACTXADVICELABEL 2515 // "IDC_STATICACTTJ3"
#define IDC_ACTXFILE 2516
#define IDC_ACTXDATE 2517
#define IDC_ACTXADVICE 2518
#define IDC_ACTXREMOVE 2519      // "IDOKINACTX", the default button
#define IDC_ACTXREFRESH 2520     // "IDC_BUTTONREAC2"

// The backup page.
#define IDC_ACXBAKEXPLAIN 2540   // "IDC_STATICLOADACX"
#define IDC_ACXBAKLIST 2541      // the recorded controls' names
#define IDC_ACXBAKHINT 2542      // "IDC_STATICLOADACXREF"
#define IDC_ACXBAKREFRESH 2543   // "IDC_BUTTONREAC"
#define IDC_ACXBAKREGISTER 2544  // "IDOKINLOADACX", the default button
#define IDC_ACXBAKREMOVE 2545    // "IDC_BUTTONDELACBAK"
#define IDC_ACXBAKFILE 2546      // the selected record's file
