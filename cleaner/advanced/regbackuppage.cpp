// The registry backup page: both buttons start the system's restore-point
// tool (Windows XP: the system folder's "Restore" folder; Vista and later:
// the system folder itself) and do not wait for it.
#include <windows.h>
#include <shellapi.h>

#include "childpage.h"
#include "resource.h"
#include "sysinfo.h"
#include "systemlists.h"
#include "texts.h"

namespace dustrel {

namespace {

class RegistryBackupPage : public ChildPage {
 public:
  RegistryBackupPage() : ChildPage(IDD_ADVREGBAKPAGE) {}

 protected:
  BOOL OnInit() override {
    static const suite::TextBinding kCaptions[] = {
        {IDC_STATICREGBAKSM1, "IDC_STATICREGBAKSM1"}, {IDC_STATICREGBAKKG1, "IDC_STATICREGBAKKG1"},
        {IDC_REGBAKBACKUP, "IDC_FRESHTKEYBOARDstr"},  {IDC_STATICREGBAKSM2, "IDC_STATICREGBAKSM2"},
        {IDC_STATICREGBAKKG2, "IDC_STATICREGBAKKG2"}, {IDC_REGBAKRESTORE, "IDCANCELINREGBAK"},
        {IDC_STATICREGBAKSM3, "IDC_STATICREGBAKSM3"}};
    suite::ApplyTexts(Handle(), kAdvancedIni, kCaptions);
    return TRUE;
  }

  bool OnCommand(int id, int /*code*/, HWND) override {
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
