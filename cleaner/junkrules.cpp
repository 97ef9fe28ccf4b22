#include "junkrules.h"

#include <windows.h>

#include <cstring>

#include "probes.h"

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

bool Has(const std::string& text, const char* pattern) {
  return std::strstr(text.c_str(), pattern) != nullptr;
}
bool Has(const std::string& text, const std::string& pattern) {
  return !pattern.empty() && text.find(pattern) != std::string::npos;
}

}  // namespace

std::string JunkPathOf(const std::string& dir, const std::string& name) {
  if (dir.size() > 2 && suite::EndsWithBackslash(dir)) return dir + name;
  return dir + "\\" + name;
}

void MatchJunkRules(const std::string& nameU, const std::string& dirU, const std::string& pathU,
                    const SpecialFolders* special, std::vector<JunkHit>& hits) {
  bool listed = false;
  bool nameRulesApply = !Has(dirU, "_RESTORE") && !Has(dirU, "RECYCLED");
  if (nameRulesApply) {
    for (const char* excluded : kNameExclusions) {
      if (Has(nameU, excluded)) {
        nameRulesApply = false;
        break;
      }
    }
  }
  if (nameRulesApply) {
    if (Has(nameU, ".BAK")) hits.push_back({kJunkBak, false});
    std::string startName;  // "\" + NAME, built on the first leading-backslash rule
    for (const char* rule : kNameRules) {
      bool fires;
      if (rule[0] == '\\') {
        if (startName.empty()) startName = "\\" + nameU;
        fires = Has(startName, rule);
      } else {
        fires = Has(nameU, rule);
      }
      if (fires) {
        hits.push_back({kJunkName, true});
        listed = true;
      }
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
