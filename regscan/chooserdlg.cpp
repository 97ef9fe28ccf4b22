#include "chooserdlg.h"

#include "hivemendnames.h"
#include "inifile.h"
#include "regbackup.h"
#include "resource.h"
#include "text.h"
#include "texts.h"

namespace hivemend {

using suite::Format;
using suite::GetInterfaceText;

BOOL ChooserDialog::OnInit() {
  static const suite::TextBinding kTexts[] = {
      {0, "IDD_DIALOGCHOSE"}, {IDOK, "IDOK1"}, {IDCANCEL, "IDCANCEL1"}};
  suite::ApplyTexts(Handle(), kIniName, kTexts);
  SetItemText(IDC_CHOOSERTEXT,
              "上面是您曾经作过的备份,是以日期为单位的,如果您想恢复,直接点击日期再点击"
              "\"恢复\"按钮即可.");
  Fill();
  return TRUE;
}

void ChooserDialog::Fill() {
  HWND list = Item(IDC_BACKUPLIST);
  SendMessageA(list, LB_RESETCONTENT, 0, 0);
  for (const std::string& name : ListBackups(store_))
    SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
  const LRESULT n = SendMessageA(list, LB_GETCOUNT, 0, 0);
  if (n > 0) SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(n - 1), 0);
}

std::string ChooserDialog::SelectedName() const {
  HWND list = Item(IDC_BACKUPLIST);
  const LRESULT sel = SendMessageA(list, LB_GETCURSEL, 0, 0);
  if (sel == LB_ERR) return std::string();
  const LRESULT len = SendMessageA(list, LB_GETTEXTLEN, static_cast<WPARAM>(sel), 0);
  if (len <= 0) return std::string();
  std::string name(static_cast<size_t>(len) + 1, '\0');
  SendMessageA(list, LB_GETTEXT, static_cast<WPARAM>(sel), reinterpret_cast<LPARAM>(&name[0]));
  name.resize(static_cast<size_t>(len));
  return name;
}

bool ChooserDialog::OnCommand(int id, int code, HWND) {
  if (code != BN_CLICKED) return false;
  if (id == IDOK || id == IDC_DELETEBACKUP) {
    const std::string name = SelectedName();
    if (name.empty()) {
      Message(GetInterfaceText(kIniName, "strMess9"), kCaption, MB_OK | MB_ICONEXCLAMATION);
      return true;
    }
    if (id == IDOK) {
      chosen_ = name;
      End(IDOK);
    } else {
      // A backup is the only way back for what it holds: asked first, and
      // it goes to the Recycle Bin.
      const std::string question =
          Format("%s\n\n%s", GetInterfaceText(kIniName, "strMess15").c_str(), name.c_str());
      if (Message(question, kCaption, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES)
        return true;
      if (!DeleteBackup(store_, name, Handle()))
        Message(GetInterfaceText(kIniName, "strMess16"), kCaption, MB_OK | MB_ICONEXCLAMATION);
      Fill();
    }
    return true;
  }
  return false;
}

}  // namespace hivemend
