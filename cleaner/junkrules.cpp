#include "junkrules.h"

#include <windows.h>

#include <string_view>

#include "text.h"

namespace dustrel {

const char* const kTempSubfolderLabel = "临时目录-可以删除";

namespace {

// Tested on NAME in this order. A leading backslash marks the start of the
// name: the pattern is looked for in "\" followed by NAME.
const char* const kNameRules[] = {
    ".OLD",          ".GID",          ".FTS",         ".FTG",         ".---",
    ".DIR",          ".CHK",          "CHKLIST.",     "._DD",         ".BSC",
    ".SYD",          ".%",            ".#",           ".ILK",         "WS_FTP.LOG",
    ".^",            ".~",            ".$",           ".TMP",         "\\$$$",
    "\\~",           "\\^",           "SCANDISK.LOG", "\\FAULTLOG.TXT", "\\CDMINSTALL",
    ".XLK",          ".WBK",          ".@@@",         "._MP",         ".ETC",
    ".BMC",          ".DMP",          "CATALOG.WCI",  "SETUPLOG.TXT", "\\FOXMAIL.MSG",
    "\\FILE_ID.DIZ", "\\FFASTTUN.",   "\\IEBAK.DAT",  ".DETMP",       ".DB$",
    ".FIC",          ".ERR",          ".SPC",         ".SIK",         ".SDI",
    "SUHDLOG.DAT",   "MODEMDET.TXT",  ".NU3",         ".DIZ",         ".CDR_",
    ".PCH",          "THUMBS.DB",
};

// Names the name rules (and the .BAK rule) never list.
const char* const kNameExclusions[] = {"DATA.BAK", "~$NORMAL", "MSI", "FILE.CHK", "OPA11.BAK",
                                       "EBD.CHK"};

const char* const kFolderRules[] = {"\\TMP\\", "\\MSDOWNLD.TMP\\"};

bool Has(std::string_view text, std::string_view pattern) {
  return !pattern.empty() && text.find(pattern) != std::string_view::npos;
}

// The name rules sorted by how they can match, so that a name is looked at
// once per dot rather than once per rule: a dotted rule is tried only at a dot
// followed by the rule's second character. Every firing name rule adds the
// same row, so only their number matters, not their order.
struct NameRuleTable {
  // Rules that begin with ".", by their second character; each with its
  // number among the dotted rules, so that it counts once per name.
  std::vector<std::pair<std::string_view, int>> dotted[256];
  std::vector<std::string_view> anchored;  // begin with "\": without it, at the name's start
  std::vector<std::string_view> plain;     // anywhere in the name
  NameRuleTable() {
    int number = 0;
    for (const char* rule : kNameRules) {
      std::string_view r(rule);
      if (r[0] == '.') dotted[static_cast<unsigned char>(r[1])].push_back({r, number++});
      else if (r[0] == '\\') anchored.push_back(r.substr(1));
      else plain.push_back(r);
    }
  }
};
static_assert(sizeof kNameRules / sizeof kNameRules[0] <= 64, "the dotted rules fit one mask");

const NameRuleTable& NameRules() {
  static const NameRuleTable table;
  return table;
}

// How many name rules fire on NAME (the same count as testing each pattern
// as a substring). A leading-backslash pattern matches at the start of the
// name only: a backslash byte inside a name is the second byte of a
// double-byte character, not the start of a name.
int CountNameRules(std::string_view name) {
  const NameRuleTable& rules = NameRules();
  int fired = 0;
  uint64_t seen = 0;  // the dotted rules that fired
  for (size_t at = name.find('.'); at != std::string_view::npos && at + 1 < name.size();
       at = name.find('.', at + 1)) {
    for (const auto& [rule, number] : rules.dotted[static_cast<unsigned char>(name[at + 1])]) {
      const uint64_t bit = uint64_t{1} << number;
      if (!(seen & bit) && name.compare(at, rule.size(), rule) == 0) {
        seen |= bit;
        ++fired;
      }
    }
  }
  for (std::string_view rule : rules.anchored)
    if (name.compare(0, rule.size(), rule) == 0) ++fired;
  for (std::string_view rule : rules.plain)
    if (Has(name, rule)) ++fired;
  return fired;
}

}  // namespace

std::string JunkPathOf(const std::string& dir, const std::string& name) {
  if (dir.size() > 2 && suite::EndsWithBackslash(dir)) return dir + name;
  return dir + "\\" + name;
}

JunkFolder JunkFolderOf(const std::string& dirU) {
  // PATH is this text followed by NAME.
  std::string dir = dirU;
  if (!(dir.size() > 2 && suite::EndsWithBackslash(dir))) dir.push_back('\\');
  JunkFolder folder;
  folder.restoreOrBin = Has(dir, "_RESTORE") || Has(dir, "RECYCLED");
  folder.adobe = Has(dir, "\\ADOBE\\");
  for (size_t i = 0; i < 2; ++i) folder.folderRule[i] = Has(dir, kFolderRules[i]);
  return folder;
}

void MatchJunkRules(const std::string& nameU, const std::string& dirU, const std::string& pathU,
                    const SpecialFolders* special, std::vector<JunkHit>& hits) {
  MatchJunkRules(nameU, JunkFolderOf(dirU), pathU, special, hits);
}

// PATH is the folder's text (ending in a backslash) followed by NAME. A
// pattern without a backslash is found in PATH when it is found in either
// part; one that ends in a backslash reaches into NAME only where NAME holds
// a backslash byte (the second byte of a double-byte character), and only
// then is PATH itself searched.
void MatchJunkRules(const std::string& nameU, const JunkFolder& folder, const std::string& pathU,
                    const SpecialFolders* special, std::vector<JunkHit>& hits) {
  const bool nameSlash = nameU.find('\\') != std::string::npos;
  auto pathHas = [&](bool inFolder, const char* pattern) {
    return inFolder || (nameSlash && Has(pathU, pattern));
  };
  bool listed = false;
  const bool bak = Has(nameU, ".BAK");
  const int named = CountNameRules(nameU);
  if (bak || named > 0) {
    // The exclusions matter only for a file some name rule took.
    bool excluded = folder.restoreOrBin;
    for (const char* name : kNameExclusions) excluded = excluded || Has(nameU, name);
    if (!excluded) {
      if (bak) hits.push_back({kJunkBak, false});
      for (int i = 0; i < named; ++i) hits.push_back({kJunkName, true});
      listed = named > 0;
    }
  }
  if (listed) return;
  const bool restoreOrBin =
      folder.restoreOrBin || Has(nameU, "_RESTORE") || Has(nameU, "RECYCLED");
  if (!restoreOrBin && !pathHas(folder.adobe, "\\ADOBE\\")) {
    for (size_t i = 0; i < 2; ++i) {
      if (pathHas(folder.folderRule[i], kFolderRules[i])) {
        hits.push_back({kJunkFolder, true});
        listed = true;
      }
    }
  }
  if (listed || special == nullptr || restoreOrBin) return;
  if (Has(pathU, special->temp)) {
    hits.push_back({kJunkSpecial, true});
    listed = true;
  }
  if (Has(pathU, special->recent)) {
    hits.push_back({kJunkSpecial, true});
    listed = true;
  }
  if (listed) return;
  if (Has(pathU, special->cache)) hits.push_back({kJunkIeCache, true});
}

std::vector<JunkHit> MatchJunk(const std::string& dir, const std::string& name,
                               const SpecialFolders* special) {
  std::vector<JunkHit> hits;
  MatchJunkRules(suite::ToUpper(name), suite::ToUpper(dir), suite::ToUpper(JunkPathOf(dir, name)),
                 special, hits);
  return hits;
}

std::string FileSizeText(uint64_t bytes) {
  return suite::Format("%llu Byte", static_cast<unsigned long long>(bytes));
}

std::string FolderSizeText(uint64_t bytes) {
  return suite::Format("%llu 字节", static_cast<unsigned long long>(bytes));
}

bool IsListedTempSubfolder(const std::string& name, unsigned long attributes) {
  if (attributes != FILE_ATTRIBUTE_DIRECTORY) return false;
  if (name.empty() || name == "." || name == "..") return false;
  return name.find('.') == std::string::npos;
}

}  // namespace dustrel
