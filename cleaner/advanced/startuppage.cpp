// The startup page: HKEY_LOCAL_MACHINE's Run and RunServices entries with
// their programs' icons.
#include "listpage.h"
#include "resource.h"
#include "startup.h"

namespace dustrel {

namespace {

class StartupPage : public ListPage {
 public:
  StartupPage()
      : ListPage({"IDC_STATICSTARTUPSM",
                  "IDC_FRESHSTARTUPLIST",
                  "IDCANCELINSTARTUP",
                  {{"StartupListItem0", 120},
                   {"StartupListItem1", 120},
                   {"StartupListItem2", 60},
                   {"StartupListItem3", 60}},
                  /*checkboxes=*/false,
                  /*rowIcons=*/true},
                 IDI_PAGE_STARTUP) {}

 protected:
  AdvList BuildRows(const std::atomic<bool>& stop) override { return ListStartup(&stop); }
};

}  // namespace

std::unique_ptr<AdvancedPage> MakeStartupPage() { return std::make_unique<StartupPage>(); }

}  // namespace dustrel
