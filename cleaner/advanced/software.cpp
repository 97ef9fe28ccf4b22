#include "software.h"

#include "registry.h"

namespace dustrel {

namespace {

// "Wow6432Node" is the 32-bit programs' view of the machine's "Software" on a
// 64-bit Windows: never a vendor.
const char* const kProtectedVendors[] = {
    "Microsoft",      "ClASSES",        "Description", "Clients",
    "Policies",       "ODBC",           "VB and VBA Program Settings",
    "Secure",         "Windows 3.1 Migration Status",  "Program Groups",
    "Gemplus",        "WinXP",          "Wow6432Node"};

void AddRoot(AdvList& list, HKEY root, const char* rootName, const std::string& owner,
             const std::string& noProduct, const std::atomic<bool>* stop) {
  const std::vector<std::string> vendors = suite::SubkeyNames(root, "Software", KEY_READ);
  for (const std::string& vendor : vendors) {
    if (stop && *stop) return;
    if (IsProtectedVendor(vendor)) continue;
    const std::string path = "Software\\" + vendor;
    const std::vector<std::string> products = suite::SubkeyNames(root, path, KEY_READ);
    AdvRow row;
    row.name = vendor;
    row.columns = {vendor, products.empty() ? noProduct : products.front(), owner};
    row.entries.push_back(suite::KeyEntry(rootName, path));
    list.rows.push_back(std::move(row));
  }
}

}  // namespace

bool IsProtectedVendor(const std::string& name) {
  return InNameList(name, kProtectedVendors, sizeof kProtectedVendors / sizeof *kProtectedVendors);
}

AdvList ListSoftware(const SoftwareTexts& texts, const std::atomic<bool>* stop) {
  AdvList list;
  AddRoot(list, HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE", texts.allUsers, texts.noProduct, stop);
  AddRoot(list, HKEY_CURRENT_USER, "HKEY_CURRENT_USER", texts.currentUser, texts.noProduct, stop);
  return list;
}

}  // namespace dustrel
