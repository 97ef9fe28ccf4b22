#include "regwriter.h"

#include <algorithm>
#include <cstdio>
#include <functional>

#include "dryrun.h"
#include "handles.h"
#include "registry.h"

namespace suite {

const char* const kRegedit4Header = "REGEDIT4";
const char* const kRegedit5Header = "Windows Registry Editor Version 5.00";

namespace {

struct ExportRoot {
  const char* name;
  HKEY key;
};
const ExportRoot kExportRoots[] = {
    {"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},         {"HKEY_CURRENT_USER", HKEY_CURRENT_USER},
    {"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},       {"HKEY_USERS", HKEY_USERS},
    {"HKEY_PERFORMANCE_DATA", HKEY_PERFORMANCE_DATA}, {"HKEY_CURRENT_CONFIG", HKEY_CURRENT_CONFIG},
    {"HKEY_DYN_DATA", HKEY_DYN_DATA}};

HKEY ExportRootKey(const std::string& name) {
  for (const ExportRoot& r : kExportRoots)
    if (name == r.name) return r.key;
  return nullptr;
}

bool IsStringType(DWORD type) {
  return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

// Value names as the registry matches them: without regard to case.
bool SameValueName(const std::wstring& a, const std::wstring& b) {
  return a.size() == b.size() &&
         (a.empty() || CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, a.c_str(),
                                      static_cast<int>(a.size()), b.c_str(),
                                      static_cast<int>(b.size())) == CSTR_EQUAL);
}

std::string Narrow(const wchar_t* text, size_t length, bool* lossless = nullptr) {
  return AnsiFromWide(std::wstring(text, length), lossless);
}

// The writer works on the registry's own UTF-16 names and data, so nothing is
// lost on the way to a version 5 file; a REGEDIT4 file is the same text in the
// ANSI code page.
struct Writer : KeyTreeVisitor {
  Writer(bool r, std::wstring header) : regedit4(r), out(std::move(header)) {}
  bool regedit4;
  std::wstring out;
  bool exact = true;
  std::vector<std::wstring> exactTopValues;
  // When set, the key's own section holds this value alone.
  const std::wstring* onlyValue = nullptr;

  // A name the file can carry: no line break (it would end the line) and, in
  // a REGEDIT4 file, every character in the ANSI code page.
  bool Carried(const std::wstring& name) const {
    if (name.find_first_of(L"\r\n") != std::wstring::npos) return false;
    if (!regedit4) return true;
    bool lossless = true;
    AnsiFromWide(name, &lossless);
    return lossless;
  }

  bool Enter(HKEY key, const std::wstring& path, int depth) override {
    if (IsLinkKey(key)) {
      exact = false;  // a link cannot be written as one; it is never entered
      return false;
    }
    Values(key, path, depth == 0);
    return true;
  }

  void Eol() { out += L"\r\n"; }

  // Quoted text as the registry editor reads it back: backslashes and double
  // quotes escaped.
  void Quoted(const wchar_t* s, size_t n) {
    out += L'"';
    for (size_t i = 0; i < n; ++i) {
      if (s[i] == L'\\' || s[i] == L'"') out += L'\\';
      out += s[i];
    }
    out += L'"';
  }

  void ByteList(const BYTE* data, size_t size) {
    wchar_t hex[4];
    for (size_t i = 0; i < size; ++i) {
      if (i > 0) out += (i % 21 == 0) ? L",\\\r\n" : L",";
      swprintf(hex, 4, L"%02x", data[i]);
      out += hex;
    }
    Eol();
  }

  // A REG_SZ that can be written as a quoted text and read back unchanged: one
  // terminating NUL, no other NUL, no line break, and (for REGEDIT4) every
  // character in the ANSI code page.
  bool QuotedForm(const BYTE* data, DWORD size, size_t& length) const {
    if (size < 2 || size % 2 != 0) return false;
    const wchar_t* w = reinterpret_cast<const wchar_t*>(data);
    length = size / 2 - 1;
    if (w[length] != L'\0') return false;
    for (size_t i = 0; i < length; ++i)
      if (w[i] == L'\0' || w[i] == L'\r' || w[i] == L'\n') return false;
    bool lossless = true;
    if (regedit4) Narrow(w, length, &lossless);
    return lossless;
  }

  void Data(DWORD type, const BYTE* data, DWORD size) {
    size_t length = 0;
    if (type == REG_SZ && QuotedForm(data, size, length)) {
      Quoted(reinterpret_cast<const wchar_t*>(data), length);
      Eol();
      return;
    }
    if (type == REG_DWORD && size == 4) {
      DWORD v;
      memcpy(&v, data, 4);
      wchar_t text[24];
      swprintf(text, 24, L"dword:%08lx", static_cast<unsigned long>(v));
      out += text;
      Eol();
      return;
    }
    if (type == REG_BINARY) {
      out += L"hex:";
      ByteList(data, size);
      return;
    }
    wchar_t prefix[24];
    swprintf(prefix, 24, L"hex(%lx):", static_cast<unsigned long>(type));
    out += prefix;
    if (IsStringType(type) && regedit4) {
      // A REGEDIT4 file holds string bytes in the ANSI code page.
      const std::string bytes = Narrow(reinterpret_cast<const wchar_t*>(data), size / 2);
      ByteList(reinterpret_cast<const BYTE*>(bytes.data()), bytes.size());
      return;
    }
    // Under the version 5 header string bytes are UTF-16, as the registry holds them.
    ByteList(data, size);
  }

  void Values(HKEY key, const std::wstring& fullName, bool top) {
    if (RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                         nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
      exact = false;
      return;
    }
    if (!Carried(fullName)) {
      exact = false;  // the section line could not name this key
      return;
    }
    Eol();
    out += L"[" + fullName + L"]";
    Eol();
    const bool whole = VisitValuesW(key, [&](const std::wstring& valueName, DWORD type,
                                             const BYTE* data, DWORD size) {
      if (top && onlyValue && !SameValueName(valueName, *onlyValue)) return;
      if (!Carried(valueName)) {
        exact = false;  // left out: the file could not give it back
        return;
      }
      if (valueName.empty()) {
        out += L"@ = ";
      } else {
        Quoted(valueName.data(), valueName.size());
        out += L" = ";
      }
      Data(type, data, size);
      if (top) exactTopValues.push_back(valueName);
    });
    if (!whole) exact = false;  // values after the one that failed were not read
  }
};

struct WideExport {
  std::wstring text;
  bool keyFound = false;
  bool exact = false;
  std::vector<std::wstring> exactValues;
};

// The text of root\keyPath: its whole tree, or with `onlyValue` the key's
// section with that one value and nothing below it.
WideExport ExportWide(const std::string& rootName, const std::wstring& keyPath, bool regedit4,
                      const std::wstring* onlyValue = nullptr) {
  Writer w(regedit4, WideFromAnsi(regedit4 ? kRegedit4Header : kRegedit5Header));
  w.Eol();
  w.onlyValue = onlyValue;
  WideExport result;
  HKEY root = ExportRootKey(rootName);
  UniqueKey key;
  if (root) key = OpenKeyNoLink(root, keyPath, KEY_READ);
  if (!key) {
    result.text = std::move(w.out);
    return result;
  }
  const std::wstring fullName =
      keyPath.empty() ? WideFromAnsi(rootName) : WideFromAnsi(rootName) + L"\\" + keyPath;
  const bool complete =
      onlyValue ? (w.Enter(key.get(), fullName, 0), true)
                : WalkKeyTree(key.get(), fullName, KEY_READ, w);
  result.keyFound = true;
  result.exact = complete && w.exact;
  result.exactValues = std::move(w.exactTopValues);
  result.text = std::move(w.out);
  return result;
}

// Writes an export to its file (a preview writes nothing and answers as the
// written file would).
ExportReport WriteExport(const std::string& filePath, bool regedit4,
                         const std::function<WideExport()>& make) {
  ExportReport report;
  if (!MayChange("write", filePath)) {
    const WideExport exported = make();
    report.written = true;
    report.keyFound = exported.keyFound;
    report.exact = exported.exact;
    report.exactValues = exported.exactValues;
    return report;
  }
  UniqueHandleKernel file(CreateFileA(filePath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return report;
  const WideExport exported = make();
  std::string bytes;
  if (regedit4) {
    bytes = AnsiFromWide(exported.text);
  } else {
    // Under the version 5 header importers differ on how they read the string
    // bytes of an 8-bit file; a UTF-16 file (as the system's editor writes it
    // itself) is read by all of them alike.
    bytes.assign("\xff\xfe", 2);
    bytes.append(reinterpret_cast<const char*>(exported.text.data()),
                 exported.text.size() * sizeof(wchar_t));
  }
  DWORD written = 0;
  report.written =
      WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
      written == bytes.size();
  report.keyFound = exported.keyFound;
  report.exact = report.written && exported.exact;
  if (report.written) report.exactValues = exported.exactValues;
  return report;
}

}  // namespace

bool UseRegedit4Header() { return (GetVersion() & 0x80000000u) != 0; }

std::string ExportText(const std::string& rootName, const std::string& keyPath, bool regedit4) {
  const std::wstring text = ExportWide(rootName, WideFromAnsi(keyPath), regedit4).text;
  return AnsiFromWide(text);
}

ExportReport ExportKeyW(const std::string& rootName, const std::wstring& keyPath,
                        const std::string& filePath, bool regedit4) {
  return WriteExport(filePath, regedit4,
                     [&] { return ExportWide(rootName, keyPath, regedit4); });
}

ExportReport ExportValueW(const std::string& rootName, const std::wstring& keyPath,
                          const std::wstring& valueName, const std::string& filePath,
                          bool regedit4) {
  return WriteExport(filePath, regedit4,
                     [&] { return ExportWide(rootName, keyPath, regedit4, &valueName); });
}

bool ExportKey(const std::string& rootName, const std::string& keyPath,
               const std::string& filePath, bool regedit4) {
  return ExportKeyW(rootName, WideFromAnsi(keyPath), filePath, regedit4).written;
}

bool BackupEntryFile(const RegEntry& entry, const std::string& file, bool regedit4,
                     bool* written) {
  // A value entry's file holds that value alone, so bringing it back leaves
  // the key's other values as they are then.
  const std::wstring name = EntryValueNameW(entry);
  const ExportReport report =
      entry.isValue ? ExportValueW(entry.rootName, EntryKeyPathW(entry), name, file, regedit4)
                    : ExportKeyW(entry.rootName, EntryKeyPathW(entry), file, regedit4);
  if (written) *written = report.written;
  if (!report.written || !report.keyFound) return false;
  if (!entry.isValue) return report.exact;
  return std::any_of(report.exactValues.begin(), report.exactValues.end(),
                     [&name](const std::wstring& held) { return SameValueName(held, name); });
}

}  // namespace suite
