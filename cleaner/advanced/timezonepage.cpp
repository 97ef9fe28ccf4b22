// The time-zone page.
#include "listpage.h"
#include "resource.h"
#include "systemlists.h"

namespace dustrel {

namespace {

class TimeZonePage : public ListPage {
 public:
  TimeZonePage()
      : ListPage({"IDC_STATICKEYBSM",
                  "IDC_FRESHTIMEZONE",
                  "IDCANCELKEYB",
                  {{"TimeZoneListItem0", 120}, {"TimeZoneListItem1", 160}}},
                 IDI_PAGE_TIMEZONE) {}

 protected:
  AdvList BuildRows(const std::atomic<bool>& stop) override { return ListTimeZones(&stop); }
};

}  // namespace

std::unique_ptr<AdvancedPage> MakeTimeZonePage() { return std::make_unique<TimeZonePage>(); }

}  // namespace dustrel
