#include "tippage.h"

#include "probes.h"

namespace suite {

HWND ShowTipPage(HWND parent, const RECT& area, const std::string& pageName) {
  const std::string page = ProgramFolderPath(pageName);
  if (GetFileAttributesA(page.c_str()) == INVALID_FILE_ATTRIBUTES) return nullptr;
  // A system library, loaded from the system folder by its full path: never
  // a file of that name beside the program or in the current folder.
  static HMODULE atl = LoadLibraryA(JoinPath(SystemFolder(), "atl.dll").c_str());
  if (!atl) return nullptr;
  using InitFn = BOOL(WINAPI*)();
  auto init = reinterpret_cast<InitFn>(reinterpret_cast<void*>(GetProcAddress(atl, "AtlAxWinInit")));
  if (!init || !init()) return nullptr;
  // The host window creates the browser for a URL given as its title.
  const std::string url = "file:///" + page;
  return CreateWindowExA(0, "AtlAxWin", url.c_str(), WS_CHILD | WS_VISIBLE, area.left, area.top,
                         area.right - area.left, area.bottom - area.top, parent, nullptr,
                         GetModuleHandleA(nullptr), nullptr);
}

}  // namespace suite
