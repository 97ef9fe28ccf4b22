#include "texts.h"

#include "inifile.h"

namespace suite {

void ApplyTexts(HWND window, const std::string& iniName, const TextBinding* table, size_t count) {
  InterfaceTexts texts(iniName);
  for (size_t i = 0; i < count; ++i) {
    const std::string text = texts.Get(table[i].key);
    if (text.empty()) continue;
    if (table[i].controlId == 0)
      SetWindowTextA(window, text.c_str());
    else
      SetDlgItemTextA(window, table[i].controlId, text.c_str());
  }
}

}  // namespace suite
