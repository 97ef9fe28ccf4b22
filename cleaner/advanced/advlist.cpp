#include "advlist.h"

#include "text.h"

namespace dustrel {

bool InNameList(const std::string& name, const char* const* list, size_t count) {
  for (size_t i = 0; i < count; ++i)
    if (suite::EqualsNoCase(name, list[i])) return true;
  return false;
}

}  // namespace dustrel
