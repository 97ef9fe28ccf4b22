#include "startup.h"

#include <windows.h>

#include "registry.h"
#include "text.h"

namespace dustrel {

const char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const char kRunServicesKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\RunServices";

namespace {

struct KnownProgram {
  const char* mark;
  const char* run;
  const char* runServices;
};
const KnownProgram kKnownPrograms[] = {
    {"im", "微软拼音输入法", "微软输入法"},
    {"internat.exe", "输入法", "输入法"},
    {"powrprof", "电源管理", "电源管理"},
    {"rav", "瑞星杀毒软件", "瑞星杀毒软件"},
    {"kav", "杀毒软件", "杀毒软件"},
    {"pfw", "天网防火墙", "天网防火墙"},
    {"starter", "创通声卡驱动", "创通声卡驱动"},
    {"scanregw", "注册表备份", "注册表备份"},
    {"nvwiz", "Nvdia显卡驱动", "Nvdia显卡驱动"},
    {"nvcpl", "Nvdia显卡驱动", "Nvdia显卡驱动"},
    {"real", "RealPlaer更新", "RealPlaer更新"},
    {"qq", "腾讯QQ", "腾讯QQ"},
};

std::string WithoutQuotes(const std::string& s) {
  std::string out;
  for (char c : s)
    if (c != '"') out.push_back(c);
  return out;
}

// The version block's string `name` for one translation, or empty.
std::string VersionString(const std::vector<char>& block, WORD language, WORD codePage,
                          const char* name) {
  char query[96];
  wsprintfA(query, "\\StringFileInfo\\%04x%04x\\%s", language, codePage, name);
  char* value = nullptr;
  UINT length = 0;
  if (!VerQueryValueA(block.data(), query, reinterpret_cast<void**>(&value), &length) || !value ||
      length == 0)
    return std::string();
  return std::string(value, strnlen(value, length));
}

void AddValues(AdvList& list, const std::string& key, bool runServices, const std::string& kind,
               const std::atomic<bool>* stop) {
  suite::UniqueKey open = suite::OpenKey(HKEY_LOCAL_MACHINE, key, KEY_READ);
  if (!open) return;
  for (const std::string& name : suite::ValueNames(open.get())) {
    if (stop && *stop) return;
    std::string command;
    suite::ReadString(open.get(), name, command);
    std::string description = KnownProgramText(command, runServices);
    if (description.empty()) description = ProductNameOf(ProgramPathOf(suite::ToLower(command)));
    AdvRow row;
    // A row of the 32-bit view is named with it: the list finds rows by name.
    row.name = suite::InWow64View(key) ? std::string(suite::kWow64Node) + "\\" + name : name;
    row.columns = {name, command, description, kind};
    row.iconFile = IconSourceOf(command);
    row.entries.push_back(suite::ValueEntry("HKEY_LOCAL_MACHINE", key, name));
    list.rows.push_back(std::move(row));
  }
}

// The key in both registry views of a 64-bit Windows; a row of the 32-bit
// view says so in its last column ("Wow6432Node\Run").
void AddKey(AdvList& list, const char* keyPath, bool runServices, const std::atomic<bool>* stop) {
  const std::string kind = runServices ? "RunServices" : "Run";
  for (const std::string& key : suite::ViewPaths(HKEY_LOCAL_MACHINE, keyPath)) {
    if (stop && *stop) return;
    AddValues(list, key, runServices,
              suite::InWow64View(key) ? std::string(suite::kWow64Node) + "\\" + kind : kind, stop);
  }
}

}  // namespace

std::string KnownProgramText(const std::string& command, bool runServices) {
  const std::string lower = suite::ToLower(command);
  for (const KnownProgram& known : kKnownPrograms)
    if (lower.find(known.mark) != std::string::npos)
      return runServices ? known.runServices : known.run;
  return std::string();
}

std::string ProgramPathOf(const std::string& command) {
  // The cut is measured on a lower-cased copy; the result keeps the
  // command's own letters (lower-casing keeps every byte where it is).
  std::string text = WithoutQuotes(command);
  std::string lower = suite::ToLower(text);
  const size_t rundll = lower.find("rundll32.exe ");
  if (rundll != std::string::npos) {
    text.erase(0, rundll + 13);
    lower.erase(0, rundll + 13);
  }
  if (lower.find(" -") == std::string::npos && lower.find(" /") == std::string::npos) return text;
  size_t cut = lower.find(" -");
  if (cut != std::string::npos) lower.resize(cut);
  cut = lower.find(" /");
  if (cut != std::string::npos) lower.resize(cut);
  cut = lower.find(".exe-");
  if (cut != std::string::npos) lower.resize(cut + 4);
  cut = lower.find(".exe/");
  if (cut != std::string::npos) lower.resize(cut + 4);
  return text.substr(0, lower.size());
}

std::string ProductNameOf(const std::string& file) {
  const std::string unknown = "Unknown";
  if (file.empty()) return unknown;
  DWORD handle = 0;
  const DWORD size = GetFileVersionInfoSizeA(file.c_str(), &handle);
  if (size == 0) return unknown;
  std::vector<char> block(size);
  if (!GetFileVersionInfoA(file.c_str(), 0, size, block.data())) return unknown;
  struct Translation {
    WORD language;
    WORD codePage;
  };
  Translation* translations = nullptr;
  UINT length = 0;
  if (!VerQueryValueA(block.data(), "\\VarFileInfo\\Translation",
                      reinterpret_cast<void**>(&translations), &length) ||
      !translations)
    return unknown;
  for (UINT i = 0; i < length / sizeof(Translation); ++i) {
    const std::string product =
        VersionString(block, translations[i].language, translations[i].codePage, "ProductName");
    if (!product.empty()) return product;
  }
  // A translation list without a product name says as little as none.
  return unknown;
}

std::string IconSourceOf(const std::string& command) {
  const std::string text = WithoutQuotes(command);
  const size_t exe = suite::ToUpper(text).find(".EXE");
  if (exe == std::string::npos) return text.substr(0, 3);
  return text.substr(0, exe + 4);
}

AdvList ListStartup(const std::atomic<bool>* stop) {
  AdvList list;
  AddKey(list, kRunKey, false, stop);
  AddKey(list, kRunServicesKey, true, stop);
  return list;
}

}  // namespace dustrel
