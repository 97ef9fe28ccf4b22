// Text helpers for ANSI (GBK) texts and paths: case mapping that leaves
// double-byte characters alone, backslashes that are characters of their
// own, printf into a string.
#pragma once

#include <cstddef>
#include <string>

namespace suite {

// Copies with the ASCII letters changed; double-byte (GBK) characters stay intact.
std::string ToUpper(std::string s);
std::string ToLower(std::string s);
bool ContainsNoCase(const std::string& haystack, const std::string& needle);
bool EqualsNoCase(const std::string& a, const std::string& b);
// Backslashes in ANSI texts: GBK trail bytes include the byte of '\', so a
// path is split only at a backslash that is a character of its own.
size_t LastBackslash(const std::string& s);  // npos when there is none
bool EndsWithBackslash(const std::string& s);
void DropTrailingBackslash(std::string& s);   // removes one
// printf into a std::string.
std::string Format(const char* fmt, ...)
#ifdef __GNUC__
    __attribute__((format(printf, 1, 2)))
#endif
    ;
// Joins a folder and a name with one backslash ("%s\%s", or "%s%s" when the
// folder already ends in a backslash).
std::string JoinPath(const std::string& folder, const std::string& name);

}  // namespace suite
