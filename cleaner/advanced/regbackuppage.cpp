// The registry backup page: both buttons start the system's restore-point
// tool (Windows XP: the system folder's "Restore" folder; Vista and later:
// the system folder itself) and do not wait for it.
#include <windows.h>
#include <shellapi.h>

#include "childpage.h"
#include "inifile.h"
#include "resource.h"
#include "sysinfo.h"
#include "systemlists.h"

namespace dustrel {

namespace {

class RegistryBackupPage : public ChildPage {
 public:
  RegistryBackupPage() : ChildPage(IDD_ADVREGBAKPAGE) {}

 protected:
  void OnInit() override {
    suite::InterfaceTexts texts(kAdvancedIni);
    const std::pair<int, const char*> captions[] = {
        {IDC_STATICREGBAKSM1, "IDC_STATICREGBAKSM1"}, {IDC_STATICREGBAKKG1, "IDC_STATICREGBAKKG1"},
        {IDC_REGBAKBACKUP, "IDC_FRESHTKEYBOARDstr"},  {IDC_STATICREGBAKSM2, "IDC_STATICREGBAKSM2"},
        {IDC_STATICREGBAKKG2, "IDC_STATICREGBAKKG2"}, {IDC_REGBAKRESTORE, "IDCANCELINREGBAK"},
        {IDC_STATICREGBAKSM3, "IDC_STATICREGBAKSM3"}};
    for (const auto& caption : captions) {
      const std::string text = texts.Get(caption.second);
      if (!text.empty()) SetItemText(caption.first, text);
    }
  }

  bool OnCommand(int id, int /*code*/) override {
    if (id != IDC_REGBAKBACKUP && id != IDC_REGBAKRESTORE) return false;
    const std::string tool = RestoreToolPath(suite::SystemFolder(), suite::GetOsSuffix());
    ShellExecuteA(Handle(), "open", tool.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    return true;
  }
};

}  // namespace

std::unique_ptr<AdvancedPage> MakeRegistryBackupPage() {
  return std::make_unique<RegistryBackupPage>();
}

}  // namespace dustrel
