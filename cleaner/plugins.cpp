#include "plugins.h"

#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <cstring>
#include <unordered_set>

#include "handles.h"
#include "inifile.h"
#include "registry.h"
#include "regremove.h"
#include "removal.h"
#include "sysinfo.h"
#include "text.h"

namespace dustrel {

const char* const kPluginFolderName = "CleanPlugin";
const char* const kPluginSignature = "Velmora Lock";
const char* const kPluginKey = "tRoWeL";

namespace {

constexpr size_t kSignatureField = 16;
constexpr size_t kKeyLengthOffset = 16;
constexpr size_t kKeyOffset = 20;
constexpr size_t kKeyField = 20;  // K key bytes and their NUL
// Definitions are a few hundred bytes; anything larger is not one and is not
// read into memory.
constexpr DWORD kMaxDefinitionBytes = 1024u * 1024u;

const char* const kRootNames[] = {"HKEY_LOCAL_MACHINE", "HKEY_CURRENT_USER",
                                  "HKEY_CLASSES_ROOT", "HKEY_USERS"};

// Reads at most `limit` bytes of the file; false when it cannot be opened or
// read, or is larger than `limit` while `whole` is asked for.
bool ReadFileBytes(const std::string& path, DWORD limit, bool whole, std::string& out) {
  suite::UniqueHandleKernel file(CreateFileA(path.c_str(), GENERIC_READ,
                                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                             nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                             nullptr));
  if (!file) return false;
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.get(), &size)) return false;
  if (whole && size.QuadPart > static_cast<LONGLONG>(limit)) return false;
  const DWORD want =
      size.QuadPart < static_cast<LONGLONG>(limit) ? static_cast<DWORD>(size.QuadPart) : limit;
  out.assign(want, '\0');
  DWORD got = 0;
  if (want > 0 && !::ReadFile(file.get(), &out[0], want, &got, nullptr)) return false;
  out.resize(got);
  return true;
}

// Replaces the file's content: the new bytes go to a fresh file in the same
// folder, which then takes the old file's place in one step. The old file is
// untouched unless the new content was written whole.
bool ReplaceFileBytes(const std::string& path, const std::string& bytes) {
  const size_t cut = suite::LastBackslash(path);
  const std::string folder = cut == std::string::npos ? std::string(".") : path.substr(0, cut);
  char temp[MAX_PATH] = {};
  if (!GetTempFileNameA(folder.c_str(), "plg", 0, temp)) return false;
  bool written = false;
  {
    suite::UniqueHandleKernel file(CreateFileA(temp, GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING,
                                               FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file) {
      DWORD put = 0;
      written = bytes.empty() ||
                (::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &put,
                             nullptr) &&
                 put == bytes.size());
      if (written) written = FlushFileBuffers(file.get()) != 0;
    }
  }
  if (written &&
      MoveFileExA(temp, path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    return true;
  suite::DeletePermanently(temp);  // our own half-written file
  return false;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string Trim(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && IsBlank(s[b])) ++b;
  while (e > b && IsBlank(s[e - 1])) --e;
  return s.substr(b, e - b);
}

// The text of field `tag` of a rule line: what follows the tag up to the next
// ";", trimmed. The tag counts only where a field begins (at the start of the
// line or after a ";"), so a tag word inside another field's text is not
// taken for a field. A field without its closing ";" is empty.
bool FindField(const std::string& line, const std::string& tag, std::string& text) {
  size_t begin = 0;
  while (begin <= line.size()) {
    size_t start = begin;
    while (start < line.size() && IsBlank(line[start])) ++start;
    const size_t semi = line.find(';', start);
    if (line.compare(start, tag.size(), tag) == 0) {
      text = semi == std::string::npos
                 ? std::string()
                 : Trim(line.substr(start + tag.size(), semi - start - tag.size()));
      return true;
    }
    if (semi == std::string::npos) break;
    begin = semi + 1;
  }
  text.clear();
  return false;
}

HKEY RuleRoot(const std::string& name) {
  for (const char* root : kRootNames)
    if (name == root) return suite::RootKeyFromName(name);
  return nullptr;
}

// "X:\..." or "\\server\...": a rule's folder must not depend on the current
// folder of the process.
bool IsAbsoluteFolder(const std::string& path) {
  if (path.size() >= 3 && path[1] == ':' && path[2] == '\\' &&
      ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z')))
    return true;
  return path.size() > 2 && path[0] == '\\' && path[1] == '\\';
}

// Whether one of the backslash- or slash-separated parts is "." or ".." (a
// definition has no business climbing out of the folder it names).
bool HasDotPart(const std::string& path) {
  size_t begin = 0;
  while (begin <= path.size()) {
    size_t end = path.find_first_of("\\/", begin);
    if (end == std::string::npos) end = path.size();
    const std::string part = path.substr(begin, end - begin);
    if (part == "." || part == "..") return true;
    begin = end + 1;
  }
  return false;
}

std::string SizeText(uint64_t bytes) { return std::to_string(bytes) + " Bytes"; }

struct RunState {
  const PluginFolders& folders;
  RowSink& sink;
  PluginRun& run;
  std::string description;
  bool selected = false;

  void Add(FoundItem row, std::string entry) {
    row.category = description;
    row.checked = selected;
    sink.Add(std::move(row));
    run.entries.push_back(std::move(entry));
    ++run.rows;
  }
};

void RunRegistryRule(RunState& state, const PluginRule& rule) {
  if (!rule.hasRootKey || !rule.hasSubKey || !rule.hasType || !rule.hasPattern) return;
  const HKEY root = RuleRoot(rule.rootKey);
  if (!root) return;
  std::string subKey = rule.subKey;
  if (!subKey.empty() && subKey[0] == '\\') subKey.erase(0, 1);  // written with a leading "\"
  while (suite::EndsWithBackslash(subKey)) suite::DropTrailingBackslash(subKey);
  if (subKey.empty() || subKey[0] == '\\' || rule.pattern.empty()) return;
  const bool isValue = suite::EqualsNoCase(rule.type, "Value");
  if (!isValue && HasEmptyPart(rule.pattern)) return;  // would reach SubKey itself
  // A 32-bit program keeps its machine keys in the 32-bit registry view of a
  // 64-bit Windows: the rule is looked up in both, a shared key once.
  // Opened with full access: a key this user may not change gives no row.
  for (const std::string& path : suite::ViewPaths(root, subKey)) {
    suite::UniqueKey key = suite::OpenKey(root, path, KEY_ALL_ACCESS);
    if (!key) continue;
    FoundItem row;
    row.name = rule.pattern;
    row.folder = path;
    row.size = rule.rootKey;
    if (isValue) {
      // Asked by name (the registry compares names without regard to case): a
      // listing of the names would end at the key's unnamed default value and
      // miss the values after it.
      if (RegQueryValueExA(key.get(), rule.pattern.c_str(), nullptr, nullptr, nullptr, nullptr) !=
          ERROR_SUCCESS)
        continue;
      row.marker = kMarkerKeyValue;
    } else {
      suite::UniqueKey sub = suite::OpenKey(root, path + "\\" + rule.pattern, KEY_ALL_ACCESS);
      if (!sub) continue;
      row.marker = kMarkerRootKey;
    }
    std::string entry = EntryTextOf(row);
    state.Add(std::move(row), std::move(entry));
  }
}

// A row of a definition's file or folder (folders list no size).
FoundItem FileRow(std::string name, std::string folder, DWORD attributes, DWORD sizeHigh,
                  DWORD sizeLow) {
  FoundItem row;
  row.name = std::move(name);
  row.folder = std::move(folder);
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY))
    row.bytes = (static_cast<uint64_t>(sizeHigh) << 32) | sizeLow;
  row.size = SizeText(row.bytes);
  return row;
}

// False when the file rules of the definition end here.
bool RunFileRule(RunState& state, const PluginRule& rule) {
  if (!rule.hasSource || !rule.hasType || !rule.hasPattern) return true;
  std::string source;
  if (!ExpandPluginSource(rule.source, state.folders, source)) return false;
  if (rule.pattern.empty() || !IsAbsoluteFolder(source) || HasDotPart(source) ||
      HasDotPart(rule.pattern))
    return true;
  if (suite::EqualsNoCase(rule.type, "File")) {
    // One file: a plain name in Source, listed when it is there.
    if (suite::LastBackslash(rule.pattern) != std::string::npos ||
        rule.pattern.find_first_of("/*?") != std::string::npos)
      return true;
    const std::string path = suite::JoinPath(source, rule.pattern);
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return true;
    FoundItem row = FileRow(rule.pattern, source, data.dwFileAttributes, data.nFileSizeHigh,
                            data.nFileSizeLow);
    std::string entry = FilePathOf(row);
    state.Add(std::move(row), std::move(entry));
    return true;
  }
  // A listing: the mask may name a sub-folder of Source ("Logs\*.txt"); the
  // rows then lie in that sub-folder.
  std::string folder = source;
  std::string mask = rule.pattern;
  const size_t cut = suite::LastBackslash(mask);
  if (cut != std::string::npos) {
    if (cut == 0 || cut + 1 == mask.size()) return true;
    folder = suite::JoinPath(source, mask.substr(0, cut));
    mask = mask.substr(cut + 1);
  }
  WIN32_FIND_DATAA found{};
  suite::UniqueFind find(FindFirstFileA(suite::JoinPath(folder, mask).c_str(), &found));
  if (!find) return true;
  do {
    if (std::strlen(found.cFileName) <= 3) continue;  // ".", ".." and very short names
    FoundItem row = FileRow(found.cFileName, folder, found.dwFileAttributes, found.nFileSizeHigh,
                            found.nFileSizeLow);
    std::string entry = FilePathOf(row);
    state.Add(std::move(row), std::move(entry));
  } while (FindNextFileA(find.get(), &found));
  return true;
}

}  // namespace

// --- The format ---------------------------------------------------------------

void TransformBody(std::string& bytes, const std::string& key) {
  unsigned char mix = 0;  // XOR with every key byte in turn is XOR with their XOR
  for (unsigned char k : key) mix ^= k;
  if (mix == 0) return;
  for (char& c : bytes) c = static_cast<char>(static_cast<unsigned char>(c) ^ mix);
}

std::string LockText(const std::string& plain, const std::string& key) {
  std::string out(kPluginHeaderSize, '\0');
  std::memcpy(&out[0], kPluginSignature, std::strlen(kPluginSignature));
  const size_t k = key.size() < kKeyField ? key.size() : kKeyField - 1;
  for (size_t i = 0; i < 4; ++i)
    out[kKeyLengthOffset + i] = static_cast<char>((k >> (8 * i)) & 0xff);
  for (size_t i = 0; i < k; ++i)
    out[kKeyOffset + i] = static_cast<char>(static_cast<unsigned char>(key[i]) ^ kPluginKeyMask);
  std::string body = plain;
  TransformBody(body, key);
  return out + body;
}

bool IsLockedText(const std::string& bytes) {
  const size_t n = std::strlen(kPluginSignature);
  return bytes.size() >= kPluginHeaderSize && n < kSignatureField &&
         bytes.compare(0, n, kPluginSignature) == 0 && bytes[n] == '\0';
}

int UnlockText(const std::string& locked, std::string& plain, const std::string& key) {
  if (!IsLockedText(locked)) return kPluginNotLocked;
  uint32_t k = 0;
  for (size_t i = 0; i < 4; ++i)
    k |= static_cast<uint32_t>(static_cast<unsigned char>(locked[kKeyLengthOffset + i])) << (8 * i);
  if (k != key.size() || k >= kKeyField) return kPluginWrongKey;
  for (size_t i = 0; i < k; ++i)
    if ((static_cast<unsigned char>(locked[kKeyOffset + i]) ^ kPluginKeyMask) !=
        static_cast<unsigned char>(key[i]))
      return kPluginWrongKey;
  plain = locked.substr(kPluginHeaderSize);
  TransformBody(plain, key);
  return kPluginOk;
}

// --- The files ----------------------------------------------------------------

bool IsLockedPlugin(const std::string& path) {
  std::string head;
  return ReadFileBytes(path, kPluginHeaderSize, false, head) && IsLockedText(head);
}

int UnlockPlugin(const std::string& path) {
  std::string locked;
  if (!ReadFileBytes(path, kMaxDefinitionBytes, true, locked)) return kPluginNotLocked;
  std::string plain;
  const int code = UnlockText(locked, plain);
  if (code != kPluginOk) return code;
  return ReplaceFileBytes(path, plain) ? kPluginOk : kPluginCannotWrite;
}

int LockPlugin(const std::string& path) {
  std::string plain;
  if (!ReadFileBytes(path, kMaxDefinitionBytes, true, plain)) return kPluginCannotWrite;
  if (IsLockedText(plain)) return kPluginNotLocked;
  return ReplaceFileBytes(path, LockText(plain)) ? kPluginOk : kPluginNotLocked;
}

// --- The scan-target list -----------------------------------------------------

std::vector<std::string> ListPlugins(const std::string& folder) {
  std::vector<std::string> paths;
  WIN32_FIND_DATAA found{};
  suite::UniqueFind find(FindFirstFileA(suite::JoinPath(folder, "*.*").c_str(), &found));
  if (!find) return paths;
  do {
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    if (std::strlen(found.cFileName) <= 3) continue;
    paths.push_back(suite::JoinPath(folder, found.cFileName));
  } while (FindNextFileA(find.get(), &found));
  // By name, as an NTFS folder lists them, whatever the file system's own
  // order: the saved selection ties ticks to row positions.
  std::stable_sort(paths.begin(), paths.end(), [](const std::string& a, const std::string& b) {
    return suite::ToUpper(a) < suite::ToUpper(b);
  });
  return paths;
}

std::vector<std::string> LoadPlugins() {
  return ListPlugins(suite::ProgramFolderPath(kPluginFolderName));
}

std::string PluginStatusText(size_t count) {
  if (count == 0) return " ";
  return suite::Format("状态:共可以清理 %d 个常用软件的历史记录!", static_cast<int>(count));
}

std::string AddPluginRows(ScanTargets& targets, const std::vector<std::string>& definitions) {
  for (const std::string& path : definitions) targets.AddPlugin(path);
  return PluginStatusText(definitions.size());
}

std::vector<std::string> TickedPlugins(const ScanTargets& targets) {
  std::vector<std::string> paths;
  for (const ScanTarget& row : targets.rows)
    if (row.kind == TargetKind::Plugin && row.checked) paths.push_back(row.path);
  return paths;
}

// --- A run --------------------------------------------------------------------

PluginFolders SystemPluginFolders() {
  PluginFolders folders;
  folders.win9x = suite::IsWin9x();
  struct {
    int csidl;
    std::string* out;
  } lookups[] = {{CSIDL_APPDATA, &folders.appData},
                 {CSIDL_PROGRAM_FILES, &folders.programFiles},
                 {CSIDL_WINDOWS, &folders.windows},
                 {CSIDL_SYSTEM, &folders.system},
                 {CSIDL_PERSONAL, &folders.personal}};
  folders.ok = true;
  for (auto& lookup : lookups) {
    char buffer[MAX_PATH] = {};
    if (!SHGetSpecialFolderPathA(nullptr, buffer, lookup.csidl, FALSE) || !buffer[0])
      folders.ok = false;
    else
      *lookup.out = buffer;
  }
  return folders;
}

bool ExpandPluginSource(const std::string& source, const PluginFolders& folders,
                        std::string& expanded) {
  const struct {
    const char* name;
    const std::string& folder;
  } variables[] = {{"%AppData%", folders.appData},   {"%ProgramFiles%", folders.programFiles},
                   {"%Windows%", folders.windows},   {"%System%", folders.system},
                   {"%Personal%", folders.personal}, {"%windir%", folders.windows},
                   {"%SYSTEMROOT%", folders.windows}};
  expanded = source;
  for (const auto& variable : variables) {
    const std::string name = variable.name;
    if (expanded.find(name) == std::string::npos) continue;
    if (variable.folder.empty()) return false;  // the folder is unknown: nothing to name
    for (size_t at = expanded.find(name); at != std::string::npos;
         at = expanded.find(name, at + variable.folder.size()))
      expanded.replace(at, name.size(), variable.folder);
    return true;
  }
  return expanded.find('%') == std::string::npos;
}

PluginRule ParsePluginRule(const std::string& line) {
  PluginRule rule;
  rule.hasRootKey = FindField(line, "RootKey:", rule.rootKey);
  rule.hasSubKey = FindField(line, "SubKey:", rule.subKey);
  rule.hasType = FindField(line, "Type:", rule.type);
  rule.hasPattern = FindField(line, "Pattern:", rule.pattern);
  rule.hasSource = FindField(line, "Source:", rule.source);
  return rule;
}

PluginRun RunPluginText(const std::string& plain, const PluginFolders& folders, RowSink& sink) {
  PluginRun run;
  // A decoded definition is text; NUL bytes mean it was not decoded right.
  if (plain.find('\0') != std::string::npos) return run;
  suite::IniFile ini;
  ini.ReadText(plain);
  const int regCount = ini.NumValues("Registry");
  const int fileCount = ini.NumValues("File/Folder");
  if (ini.NumValues("Information") < 0 && regCount < 0 && fileCount < 0) return run;
  run.decoded = true;
  RunState state{folders, sink, run, ini.GetValue("Information", "Description"),
                 ini.GetValueI("Information", "Selected") != 0};
  for (int i = 0; i < regCount; ++i)
    RunRegistryRule(state, ParsePluginRule(ini.GetValue("Registry", "Reg" + std::to_string(i))));
  if (folders.win9x || !folders.ok) return run;
  for (int i = 0; i < fileCount; ++i)
    if (!RunFileRule(state,
                     ParsePluginRule(ini.GetValue("File/Folder", "File" + std::to_string(i)))))
      break;
  return run;
}

int RunPlugin(const std::string& path, RowSink& sink) {
  return RunPlugin(path, SystemPluginFolders(), sink);
}

int RunPlugin(const std::string& path, const PluginFolders& folders, RowSink& sink,
              PluginRun* run) {
  PluginRun local;
  PluginRun& result = run ? *run : local;
  result = PluginRun();
  std::string locked, plain;
  if (!ReadFileBytes(path, kMaxDefinitionBytes, true, locked)) return 0;
  if (UnlockText(locked, plain) != kPluginOk) return 0;
  result = RunPluginText(plain, folders, sink);
  return result.rows > 0 ? 1 : 0;
}

std::vector<TrackedDefinition> RunTrackedPlugins(const std::vector<std::string>& definitions,
                                                 RowSink& sink, TrackLog& log,
                                                 const std::atomic<bool>* stop) {
  return RunTrackedPlugins(definitions, SystemPluginFolders(), sink, log, stop);
}

std::vector<TrackedDefinition> RunTrackedPlugins(const std::vector<std::string>& definitions,
                                                 const PluginFolders& folders, RowSink& sink,
                                                 TrackLog& log, const std::atomic<bool>* stop) {
  std::vector<TrackedDefinition> found;
  for (const std::string& path : definitions) {
    if (stop && stop->load()) break;
    sink.Status(path);
    PluginRun run;
    if (RunPlugin(path, folders, sink, &run) != 1) continue;
    log.traces.push_back(path);
    found.push_back(TrackedDefinition{path, std::move(run.entries)});
  }
  log.counts.push_back(std::to_string(found.size()));
  return found;
}

TrackLog TrackLogOfCleaned(const std::vector<TrackedDefinition>& found,
                           const std::vector<std::string>& cleaned) {
  std::unordered_set<std::string> gone;
  for (const std::string& entry : cleaned) gone.insert(suite::ToUpper(entry));
  TrackLog log;
  for (const TrackedDefinition& definition : found)
    for (const std::string& entry : definition.entries)
      if (gone.count(suite::ToUpper(entry))) {
        log.traces.push_back(definition.path);
        break;
      }
  log.counts.push_back(std::to_string(log.traces.size()));
  return log;
}

}  // namespace dustrel
