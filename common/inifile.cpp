#include "inifile.h"

#include <windows.h>

#include <cstdlib>

#include "handles.h"
#include "sysinfo.h"

namespace suite {

namespace {

constexpr char kErrorOpen[] = "Unable to open ini file.";
constexpr char kErrorKey[] = "Unable to locate specified key.";
constexpr char kErrorValue[] = "Unable to locate specified value.";
// Settings files and logs are small; a file larger than this is not a settings
// file and is refused rather than read into memory.
constexpr DWORD kMaxFileBytes = 64u * 1024u * 1024u;

}  // namespace

IniFile::IniFile(std::string path) : path_(std::move(path)) {}

bool IniFile::ReadFile() {
  if (GetFileAttributesA(path_.c_str()) == INVALID_FILE_ATTRIBUTES) {
    DWORD err = GetLastError();
    if (err == ERROR_FILE_NOT_FOUND || err == ERROR_PATH_NOT_FOUND || err == ERROR_INVALID_NAME)
      return false;
  }
  UniqueHandleKernel file(CreateFileA(path_.c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    DWORD err = GetLastError();
    if (err == ERROR_FILE_NOT_FOUND || err == ERROR_PATH_NOT_FOUND) return false;
    error_ = kErrorOpen;
    return false;
  }
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.get(), &size) || size.QuadPart > kMaxFileBytes) {
    error_ = kErrorOpen;
    return false;
  }
  std::string text(static_cast<size_t>(size.QuadPart), '\0');
  DWORD got = 0;
  if (!text.empty() &&
      !::ReadFile(file.get(), &text[0], static_cast<DWORD>(text.size()), &got, nullptr)) {
    error_ = kErrorOpen;
    return false;
  }
  text.resize(got);
  ReadText(text);
  return true;
}

void IniFile::ReadText(const std::string& text) {
  std::string section;  // value lines before the first header belong to ""
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(pos, end - pos);
    pos = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) continue;
    if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
      size_t first = line.find_first_not_of('[');
      size_t last = line.find_last_not_of(']');
      section = (first == std::string::npos || last == std::string::npos || last < first)
                    ? std::string()
                    : line.substr(first, last - first + 1);
      // A section comes into being with its first value, as SetValue adds it.
      continue;
    }
    size_t eq = line.find('=');
    if (eq == std::string::npos)
      SetValue(section, std::string(), line.substr(1), true);
    else
      SetValue(section, line.substr(0, eq), line.substr(eq + 1), true);
  }
}

std::string IniFile::Text() const {
  std::string out;
  for (const Section& s : sections_) {
    if (s.names.empty()) continue;
    out += "[" + s.name + "]\r\n";
    for (size_t i = 0; i < s.names.size(); ++i) out += s.names[i] + "=" + s.values[i] + "\r\n";
    out += "\r\n";
  }
  return out;
}

bool IniFile::WriteFile() const {
  UniqueHandleKernel file(CreateFileA(path_.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                      CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  std::string text = Text();
  DWORD written = 0;
  return text.empty() || (::WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()),
                                      &written, nullptr) &&
                          written == text.size());
}

IniFile::Section* IniFile::Find(const std::string& section) {
  auto it = sectionIndex_.find(section);
  return it == sectionIndex_.end() ? nullptr : &sections_[it->second];
}

const IniFile::Section* IniFile::Find(const std::string& section) const {
  auto it = sectionIndex_.find(section);
  return it == sectionIndex_.end() ? nullptr : &sections_[it->second];
}

std::string IniFile::GetValue(const std::string& section, const std::string& name) {
  const Section* s = Find(section);
  if (!s) {
    error_ = kErrorKey;
    return std::string();
  }
  auto it = s->index.find(name);
  if (it == s->index.end()) {
    error_ = kErrorValue;
    return std::string();
  }
  return s->values[it->second];
}

int IniFile::GetValueI(const std::string& section, const std::string& name) {
  return std::atoi(GetValue(section, name).c_str());
}

bool IniFile::SetValue(const std::string& section, const std::string& name,
                       const std::string& value, bool create) {
  Section* s = Find(section);
  if (!s) {
    if (!create) return false;
    sectionIndex_.emplace(section, sections_.size());
    sections_.push_back(Section{section, {}, {}, {}});
    s = &sections_.back();
  }
  auto it = s->index.find(name);
  if (it == s->index.end()) {
    if (!create) return false;
    s->index.emplace(name, s->names.size());
    s->names.push_back(name);
    s->values.push_back(value);
  } else {
    s->values[it->second] = value;
  }
  return true;
}

int IniFile::NumValues(const std::string& section) const {
  const Section* s = Find(section);
  return s ? static_cast<int>(s->names.size()) : -1;
}

std::vector<std::string> IniFile::ValueNames(const std::string& section) const {
  const Section* s = Find(section);
  return s ? s->names : std::vector<std::string>();
}

std::vector<std::string> IniFile::SectionNames() const {
  std::vector<std::string> names;
  for (const Section& s : sections_) names.push_back(s.name);
  return names;
}

std::string GetInterfaceText(const std::string& iniName, const std::string& key) {
  IniFile file(ProgramFolderPath(iniName));
  file.ReadFile();
  return file.GetValue("Resource", key);
}

InterfaceTexts::InterfaceTexts(const std::string& iniName) : file_(ProgramFolderPath(iniName)) {
  file_.ReadFile();
}

std::string InterfaceTexts::Get(const std::string& key) { return file_.GetValue("Resource", key); }

}  // namespace suite
