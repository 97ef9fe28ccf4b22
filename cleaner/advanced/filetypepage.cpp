// The file-type page: types of HKEY_CLASSES_ROOT with their icons; faulty
// ones (icon file gone) ticked. Deleting a type asks a second time for the
// extensions that point to it.
#include "filetypes.h"
#include "inifile.h"
#include "listpage.h"
#include "resource.h"
#include "registry.h"

namespace dustrel {

namespace {

class FileTypePage : public ListPage {
 public:
  FileTypePage()
      : ListPage({"IDC_STATICFILETYPESM",
                  "IDC_FRESHFILETYPE",
                  "IDCANCELINFILETYPE",
                  {{"ListFileTypeItem0", 120},
                   {"ListFileTypeItem1", 160},
                   {"ListFileTypeItem2", 80},
                   {"ListFileTypeItem3", 80}},
                  /*checkboxes=*/true,
                  /*rowIcons=*/true,
                  /*refreshAfterDelete=*/false,
                  /*unreadableMessage=*/false},
                 IDI_PAGE_FILETYPE) {}

 protected:
  AdvList BuildRows(const std::atomic<bool>& stop) override { return ListFileTypes(&stop); }

  std::vector<suite::RegEntry> EntriesToRemove(const AdvRow& row) override {
    if (IsProtectedClass(row.name)) return {};
    std::vector<suite::RegEntry> entries;
    const std::vector<std::string> extensions = ExtensionsOf(row.name);
    if (!extensions.empty()) {
      std::string question = Text("strWillYourDelExtName");
      for (const std::string& extension : extensions) question += extension;
      question += " ? ";
      if (Message(question, "Warning", MB_OKCANCEL | MB_ICONEXCLAMATION) == IDOK)
        for (const std::string& extension : extensions)
          entries.push_back(suite::KeyEntry("HKEY_CLASSES_ROOT", extension));
    }
    // The class goes whatever the answer about its extensions was.
    entries.insert(entries.end(), row.entries.begin(), row.entries.end());
    return entries;
  }
};

}  // namespace

std::unique_ptr<AdvancedPage> MakeFileTypePage() { return std::make_unique<FileTypePage>(); }

}  // namespace dustrel
