#include "classkeys.h"

#include "registry.h"
#include "text.h"

namespace suite {

namespace {

// Classes the file-type walk never lists, whatever their icon says.
const char* const kProtectedClasses[] = {
    "Drive",   "Folder",  "File",    "file",         "Directory",   "exefile",
    "dllfile", "vxdfile", "sysfile", "drvfile",      "ocxfile",     "ODBC.FileDSN",
    "news",    "http",    "https",   "gopher",       "ftp",         "icofile",
    "curfile", "anifile", "icmfile", "mailto",       "ChannelFile", "ChannelShortcut"};

// Collections and shell classes directly under HKEY_CLASSES_ROOT.
const char* const kStructuralKeys[] = {
    "CLSID", "Interface", "TypeLib", "AppID", "*", "Folder", "Directory", "Drive",
    "AllFilesystemObjects", "Unknown", "MIME", "Component Categories", "FileType", "Installer",
    "Licenses", "Protocols", "Record", "SystemFileAssociations", "DirectShow", "MediaType",
    "Media Type", "MediaFoundation", "Network", "Printers", "DesktopBackground", "Applications",
    "CompressedFolder", "lnkfile", "piffile", "batfile", "cmdfile", "comfile", "regfile",
    "txtfile", "inffile", "inifile", "htmlfile", "InternetShortcut", "ShellEx", "Wow6432Node",
    "Software", "Local Settings", "DefaultIcon", "shell", "shellex"};

}  // namespace

bool IsProtectedClass(const std::string& name) {
  for (const char* p : kProtectedClasses)
    if (EqualsNoCase(name, p)) return true;
  return false;
}

bool IsStructuralClassKey(const std::string& name) {
  if (name.empty() || name[0] == '.' || name.find_first_not_of(' ') == std::string::npos) return true;
  if (name.find('\\') != std::string::npos || name.find('/') != std::string::npos) return true;
  if (IsProtectedClass(name)) return true;
  for (const char* k : kStructuralKeys)
    if (EqualsNoCase(name, k)) return true;
  return false;
}

std::string ProgIdPlace(const std::string& view, const std::string& name) {
  if (!view.empty() && !IsStructuralClassKey(name) &&
      OpenKey(HKEY_CLASSES_ROOT, view + "\\" + name, KEY_READ))
    return view;
  return std::string();
}

bool SharedProgIdIsOnly32Bit(const std::string& clsid) {
  return !clsid.empty() && clsid.find('\\') == std::string::npos &&
         !OpenKey(HKEY_CLASSES_ROOT, "CLSID\\" + clsid, KEY_READ);
}

}  // namespace suite
