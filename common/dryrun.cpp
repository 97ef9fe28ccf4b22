#include "dryrun.h"

#include <atomic>
#include <mutex>
#include <set>

#include "text.h"

namespace suite {

namespace {

std::atomic<bool> g_dryRun{false};

struct Record {
  std::mutex lock;
  std::vector<std::string> actions;
  std::set<std::string> paths;       // upper-cased, no trailing backslash
  std::set<std::wstring> keys;       // "<root>|<PATH>" upper-cased
  std::set<std::wstring> values;     // "<root>|<PATH>|<NAME>" upper-cased
};

Record& TheRecord() {
  static Record* record = new Record;  // never destroyed: workers may still ask at exit
  return *record;
}

std::string PathForm(std::string path) {
  path = ToUpper(std::move(path));
  while (path.size() > 3 && EndsWithBackslash(path)) path.pop_back();
  return path;
}

std::wstring UpperWide(std::wstring text) {
  if (!text.empty()) CharUpperBuffW(&text[0], static_cast<DWORD>(text.size()));
  return text;
}

std::wstring KeyForm(HKEY root, std::wstring keyPath) {
  while (!keyPath.empty() && keyPath.back() == L'\\') keyPath.pop_back();
  while (!keyPath.empty() && keyPath.front() == L'\\') keyPath.erase(0, 1);
  return std::to_wstring(reinterpret_cast<uintptr_t>(root)) + L"|" + UpperWide(keyPath);
}

// Whether `form` or a key above it is in `keys`.
bool KeyOrParentNoted(const std::set<std::wstring>& keys, const std::wstring& form) {
  if (keys.count(form)) return true;
  for (size_t cut = form.rfind(L'\\'); cut != std::wstring::npos && cut > 0;
       cut = form.rfind(L'\\', cut - 1)) {
    if (keys.count(form.substr(0, cut))) return true;
  }
  return false;
}

}  // namespace

void SetDryRun(bool on) { g_dryRun = on; }
bool DryRun() { return g_dryRun; }

bool MayChange(const std::string& action, const std::string& target) {
  if (!g_dryRun) return true;
  Record& r = TheRecord();
  std::lock_guard<std::mutex> hold(r.lock);
  r.actions.push_back(target.empty() ? action : action + ": " + target);
  return false;
}

std::vector<std::string> DryRunActions() {
  Record& r = TheRecord();
  std::lock_guard<std::mutex> hold(r.lock);
  return r.actions;
}

void ResetDryRunRecord() {
  Record& r = TheRecord();
  std::lock_guard<std::mutex> hold(r.lock);
  r.actions.clear();
  r.paths.clear();
  r.keys.clear();
  r.values.clear();
}

void NoteRemovedPath(const std::string& path) {
  if (path.empty()) return;
  Record& r = TheRecord();
  std::lock_guard<std::mutex> hold(r.lock);
  r.paths.insert(PathForm(path));
}

bool RemovedByDryRun(const std::string& path) {
  if (!g_dryRun || path.empty()) return false;
  std::string form = PathForm(path);
  Record& r = TheRecord();
  std::lock_guard<std::mutex> hold(r.lock);
  if (r.paths.empty()) return false;
  for (;;) {
    if (r.paths.count(form)) return true;
    const size_t cut = LastBackslash(form);
    if (cut == std::string::npos || cut == 0) return false;
    form.resize(cut);
  }
}

void NoteRemovedKey(HKEY root, const std::wstring& keyPath) {
  Record& r = TheRecord();
  std::lock_guard<std::mutex> hold(r.lock);
  r.keys.insert(KeyForm(root, keyPath));
}

void NoteRemovedValue(HKEY root, const std::wstring& keyPath, const std::wstring& valueName) {
  Record& r = TheRecord();
  std::lock_guard<std::mutex> hold(r.lock);
  r.values.insert(KeyForm(root, keyPath) + L"|" + UpperWide(valueName));
}

bool KeyRemovedByDryRun(HKEY root, const std::wstring& keyPath) {
  if (!g_dryRun) return false;
  const std::wstring form = KeyForm(root, keyPath);
  Record& r = TheRecord();
  std::lock_guard<std::mutex> hold(r.lock);
  return KeyOrParentNoted(r.keys, form);
}

bool ValueRemovedByDryRun(HKEY root, const std::wstring& keyPath, const std::wstring& valueName) {
  if (!g_dryRun) return false;
  const std::wstring form = KeyForm(root, keyPath);
  Record& r = TheRecord();
  std::lock_guard<std::mutex> hold(r.lock);
  return KeyOrParentNoted(r.keys, form) || r.values.count(form + L"|" + UpperWide(valueName)) != 0;
}

std::string PreviewLogPath(const std::string& path) {
  static const char kSuffix[] = "-Preview";
  const std::string upper = ToUpper(path);
  if (upper.size() >= 12 && upper.compare(upper.size() - 12, 12, "-PREVIEW.LOG") == 0) return path;
  if (upper.size() >= 4 && upper.compare(upper.size() - 4, 4, ".LOG") == 0)
    return path.substr(0, path.size() - 4) + kSuffix + path.substr(path.size() - 4);
  if (upper.size() >= 8 && upper.compare(upper.size() - 8, 8, "-PREVIEW") == 0) return path;
  return path + kSuffix;
}

std::string ActiveLogPath(const std::string& path) {
  return g_dryRun ? PreviewLogPath(path) : path;
}

std::string ChildArguments(const std::string& arguments) {
  if (!g_dryRun) return arguments;
  return arguments.empty() ? std::string("-Preview") : arguments + " -Preview";
}

}  // namespace suite
