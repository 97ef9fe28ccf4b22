#include "optionsdlg.h"

#include "resource.h"
#include "texts.h"

namespace dustrel {

BOOL OptionsDialog::OnInit() {
  static const suite::TextBinding kTexts[] = {
      {0, "IDD_SETUPDLG"},
      {IDC_STATICXXKG1, "IDC_STATICXXKG1"},
      {IDC_CHECKDELETE, "IDC_CHECKDELETE"},
      {IDC_CHECKREGBAK, "IDC_CHECKREGBAK"},
      {IDC_CHECKPOWEROFF, "IDC_CHECKPOWEROFF"},
      {IDOK, "IDOKXX"},
      {IDCANCEL, "IDCANCELXX"}};
  suite::ApplyTexts(Handle(), "Dustrel.ini", kTexts);
  const Options o = ReadOptions();
  CheckDlgButton(Handle(), IDC_CHECKDELETE, o.deleteNoBackup ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(Handle(), IDC_CHECKREGBAK, o.clearRecentDocsOnExit ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(Handle(), IDC_CHECKPOWEROFF, o.autoExitWindows ? BST_CHECKED : BST_UNCHECKED);
  return TRUE;
}

bool OptionsDialog::OnCommand(int id, int code, HWND) {
  if (id != IDOK || code != BN_CLICKED) return false;
  Options o;
  o.deleteNoBackup = IsDlgButtonChecked(Handle(), IDC_CHECKDELETE) == BST_CHECKED;
  o.clearRecentDocsOnExit = IsDlgButtonChecked(Handle(), IDC_CHECKREGBAK) == BST_CHECKED;
  o.autoExitWindows = IsDlgButtonChecked(Handle(), IDC_CHECKPOWEROFF) == BST_CHECKED;
  WriteOptions(o);
  End(IDOK);
  return true;
}

}  // namespace dustrel
