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
// once per dot rather than once per rule. Every firing name rule adds the same
// row, so only their number matters, not their order.
struct NameRuleTable {
  std::vector<std::string_view> dotted;    // begin with "."
  std::vector<std::string_view> anchored;  // begin with "\": without it, at the name's start
  std::vector<std::string_view> plain;     // anywhere in the name
  NameRuleTable() {
    for (const char* rule : kNameRules) {
      std::string_view r(rule);
      if (r[0] == '.') dotted.push_back(r);
      else if (r[0] == '\\') anchored.push_back(r.substr(1));
      else plain.push_back(r);
    }
  }
};

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
  for (std::string_view rule : rules.dotted) {
    for (size_t at = name.find('.'); at != std::string_view::npos; at = name.find('.', at + 1)) {
      if (name.compare(at, rule.size(), rule) == 0) {
        ++fired;
        break;
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

void MatchJunkRules(const std::string& nameU, const std::string& dirU, const std::string& pathU,
                    const SpecialFolders* special, std::vector<JunkHit>& hits) {
  bool listed = false;
  const bool bak = Has(nameU, ".BAK");
  const int named = CountNameRules(nameU);
  if (bak || named > 0) {
    // The exclusions matter only for a file some name rule took.
    bool excluded = Has(dirU, "_RESTORE") || Has(dirU, "RECYCLED");
    for (const char* name : kNameExclusions) excluded = excluded || Has(nameU, name);
    if (!excluded) {
      if (bak) hits.push_back({kJunkBak, false});
      for (int i = 0; i < named; ++i) hits.push_back({kJunkName, true});
      listed = named > 0;
    }
  }
  if (listed) return;
  const bool restoreOrBin = Has(pathU, "_RESTORE") || Has(pathU, "RECYCLED");
  if (!restoreOrBin && !Has(pathU, "\\ADOBE\\")) {
    for (const char* rule : kFolderRules) {
      if (Has(pathU, rule)) {
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
