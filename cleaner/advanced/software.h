// The vendor keys below "Software" of the machine and of the current user,
// each with its first product subkey: what uninstalled programs leave behind.
// Protected vendors (and the 32-bit view's own key) are never listed; on a
// 64-bit Windows the machine's 32-bit view adds rows "Wow6432Node\<vendor>".
#pragma once
#include <atomic>
#include <string>

#include "advlist.h"

namespace dustrel {

struct SoftwareTexts {
  std::string noProduct;    // "strNoSoftwareName"
  std::string allUsers;     // "strAllUserStr"
  std::string currentUser;  // "strCurrentUserStr"
};

bool IsProtectedVendor(const std::string& name);

// Rows: column 0 vendor, 1 first product (or texts.noProduct), 2 owner text;
// the machine's vendors first, then the user's. The entry is the vendor key.
AdvList ListSoftware(const SoftwareTexts& texts, const std::atomic<bool>* stop = nullptr);

}  // namespace dustrel
