// The leftover-software page: vendor keys of the machine and of the user.
#include "inifile.h"
#include "listpage.h"
#include "resource.h"
#include "software.h"

namespace dustrel {

namespace {

class SoftwarePage : public ListPage {
 public:
  SoftwarePage()
      : ListPage({"IDC_STATICSOFTWARESM",
                  "IDC_FRESHSOFTWARELIST",
                  "IDCANCELINSOFTWARE",
                  {{"SoftListItem0", 120}, {"SoftListItem1", 120}, {"SoftListItem2", 60}}},
                 IDI_PAGE_SOFTWARE) {}

 protected:
  AdvList BuildRows(const std::atomic<bool>& stop) override {
    suite::InterfaceTexts texts(kAdvancedIni);
    SoftwareTexts words{texts.Get("strNoSoftwareName"), texts.Get("strAllUserStr"),
                        texts.Get("strCurrentUserStr")};
    return ListSoftware(words, &stop);
  }
};

}  // namespace

std::unique_ptr<AdvancedPage> MakeSoftwarePage() { return std::make_unique<SoftwarePage>(); }

}  // namespace dustrel
