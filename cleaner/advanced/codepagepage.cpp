// The code-page page: the browser's MIME database code pages.
#include "listpage.h"
#include "resource.h"
#include "systemlists.h"

namespace dustrel {

namespace {

class CodePagePage : public ListPage {
 public:
  CodePagePage()
      : ListPage({"IDC_STATICCODESM",
                  "IDC_FRESHTCODE",
                  "IDCANCELINCODE",
                  {{"CodeListItem0", 120}, {"CodeListItem1", 160}},
                  false,
                  false,
                  true,
                  /*unreadableMessage=*/true},
                 IDI_PAGE_CODEPAGE) {}

 protected:
  AdvList BuildRows(const std::atomic<bool>& stop) override { return ListCodePages(&stop); }
};

}  // namespace

std::unique_ptr<AdvancedPage> MakeCodePagePage() { return std::make_unique<CodePagePage>(); }

}  // namespace dustrel
