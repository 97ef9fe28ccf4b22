// The settings-file class shared by every program: settings texts, cleaning
// logs and plug-in definitions all use this section/value syntax.
//
// Lookups are exact and case-sensitive and take the first match; the order of
// sections and values is the order of first appearance and is kept on write.
#pragma once
#include <string>
#include <unordered_map>
#include <vector>

namespace suite {

class IniFile {
 public:
  explicit IniFile(std::string path = std::string());

  // Reads the whole file and adds every value (the lists are not cleared).
  // A missing file gives false with no error text; a file that exists but
  // cannot be opened gives false with "Unable to open ini file.".
  bool ReadFile();
  // Parses text in the file syntax (CR LF or LF line ends), as ReadFile does.
  void ReadText(const std::string& text);
  // Writes the whole content to the path, replacing the file. False when the
  // file cannot be written.
  bool WriteFile() const;
  // The bytes WriteFile writes.
  std::string Text() const;

  std::string GetValue(const std::string& section, const std::string& name);
  int GetValueI(const std::string& section, const std::string& name);
  bool SetValue(const std::string& section, const std::string& name, const std::string& value,
                bool create);
  // Number of values of the section, or -1 when the section is missing.
  int NumValues(const std::string& section) const;

  // Value names of a section, in file order (empty when missing).
  std::vector<std::string> ValueNames(const std::string& section) const;
  std::vector<std::string> SectionNames() const;

  const std::string& Error() const { return error_; }
  const std::string& Path() const { return path_; }

 private:
  struct Section {
    std::string name;
    std::vector<std::string> names;
    std::vector<std::string> values;
    std::unordered_map<std::string, size_t> index;  // first position of each name
  };
  Section* Find(const std::string& section);
  const Section* Find(const std::string& section) const;

  std::string path_;
  std::vector<Section> sections_;
  std::unordered_map<std::string, size_t> sectionIndex_;
  std::string error_;
};

// The text of `key` in section "Resource" of the settings file `iniName` beside
// the running program; empty when the file or the key is missing. The file is
// read on every call, so an edit between two calls is seen.
std::string GetInterfaceText(const std::string& iniName, const std::string& key);

// One read of a program's settings file for a batch of lookups made at the same
// moment (a window's initialisation sets all its captions from one read).
class InterfaceTexts {
 public:
  explicit InterfaceTexts(const std::string& iniName);
  std::string Get(const std::string& key);
  // "%d"-style keys: Get("strMess" + n).
  std::string Get(const std::string& prefix, int n) { return Get(prefix + std::to_string(n)); }

 private:
  IniFile file_;
};

}  // namespace suite
