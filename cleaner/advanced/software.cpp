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

// The vendors of one "Software" key: the machine's in both registry views of
// a 64-bit Windows, the 32-bit view's named "Wow6432Node\<vendor>".
void AddVendors(AdvList& list, HKEY root, const char* rootName, const std::string& software,
                const std::string& owner, const std::string& noProduct,
                const std::atomic<bool>* stop) {
  const std::string view =
      suite::InWow64View(software) ? std::string(suite::kWow64Node) + "\\" : std::string();
  const std::vector<std::string> vendors = suite::SubkeyNames(root, software, KEY_READ);
  for (const std::string& vendor : vendors) {
    if (stop && *stop) return;
    if (IsProtectedVendor(vendor)) continue;
    const std::string path = software + "\\" + vendor;
    const std::vector<std::string> products = suite::SubkeyNames(root, path, KEY_READ);
    AdvRow row;
    row.name = view + vendor;
    row.columns = {row.name, products.empty() ? noProduct : products.front(), owner};
    row.entries.push_back(suite::KeyEntry(rootName, path));
    list.rows.push_back(std::move(row));
  }
}

void AddRoot(AdvList& list, HKEY root, const char* rootName, const std::string& owner,
             const std::string& noProduct, const std::atomic<bool>* stop) {
  for (const std::string& software : suite::ViewPaths(root, "Software"))
    AddVendors(list, root, rootName, software, owner, noProduct, stop);
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
