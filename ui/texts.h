// Setting a window's captions from its program's settings file.
#pragma once
#include <windows.h>

#include <string>

namespace suite {

struct TextBinding {
  int controlId;    // 0: the window's own caption
  const char* key;  // key in section "Resource"
};

// The one caption helper: looks up every key (one read of the file) and sets
// the texts in table order. A key the file lacks (or leaves empty) keeps the
// caption the window's template gives, so a broken settings file never
// leaves a window or a button without text.
void ApplyTexts(HWND window, const std::string& iniName, const TextBinding* table, size_t count);
template <size_t N>
void ApplyTexts(HWND window, const std::string& iniName, const TextBinding (&table)[N]) {
  ApplyTexts(window, iniName, table, N);
}

}  // namespace suite
