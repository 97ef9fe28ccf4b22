#include "text.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <utility>

namespace suite {

namespace {
// Changes the ASCII letters of a text in the ANSI code page, stepping over the
// trail byte of every double-byte character (GBK trail bytes include 'a'-'z').
template <char From, char To>
std::string MapAsciiCase(std::string s) {
  for (size_t i = 0; i < s.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    if (c >= 0x80) {
      if (IsDBCSLeadByte(c) && i + 1 < s.size()) ++i;
      continue;
    }
    if (c >= From && c <= From + 25) s[i] = static_cast<char>(c - From + To);
  }
  return s;
}
}  // namespace

std::string ToUpper(std::string s) { return MapAsciiCase<'a', 'A'>(std::move(s)); }
std::string ToLower(std::string s) { return MapAsciiCase<'A', 'a'>(std::move(s)); }

bool ContainsNoCase(const std::string& haystack, const std::string& needle) {
  return ToUpper(haystack).find(ToUpper(needle)) != std::string::npos;
}

bool EqualsNoCase(const std::string& a, const std::string& b) { return ToUpper(a) == ToUpper(b); }

std::string Format(const char* fmt, ...) {
  va_list args;
  va_start(args, fmt);
  va_list copy;
  va_copy(copy, args);
  int n = std::vsnprintf(nullptr, 0, fmt, copy);
  va_end(copy);
  std::string out;
  if (n > 0) {
    out.resize(static_cast<size_t>(n) + 1);
    std::vsnprintf(&out[0], out.size(), fmt, args);
    out.resize(static_cast<size_t>(n));
  }
  va_end(args);
  return out;
}

size_t LastBackslash(const std::string& s) {
  size_t last = std::string::npos;
  for (size_t i = 0; i < s.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    if (c >= 0x80 && IsDBCSLeadByte(c) && i + 1 < s.size())
      ++i;  // the trail byte belongs to this character
    else if (c == '\\')
      last = i;
  }
  return last;
}

bool EndsWithBackslash(const std::string& s) {
  return !s.empty() && LastBackslash(s) == s.size() - 1;
}

void DropTrailingBackslash(std::string& s) {
  if (EndsWithBackslash(s)) s.pop_back();
}

std::string JoinPath(const std::string& folder, const std::string& name) {
  if (EndsWithBackslash(folder)) return folder + name;
  return folder + "\\" + name;
}

}  // namespace suite
