// One-line wrappers over a report-mode list view with tick boxes.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

namespace suite {

class ListView {
 public:
  ListView() = default;
  explicit ListView(HWND hwnd) : hwnd_(hwnd) {}
  void Attach(HWND hwnd) { hwnd_ = hwnd; }
  HWND Handle() const { return hwnd_; }

  // Full-row select and tick boxes (plus `extra` extended styles).
  void SetCheckboxStyle(DWORD extra = 0);
  void AddColumn(int index, const std::string& heading, int width, int format = LVCFMT_LEFT);
  // Appends a row and returns its index.
  int AddRow(const std::string& firstColumn, int image = -1);
  int AddRow(const std::vector<std::string>& columns, int image = -1);
  void SetText(int row, int column, const std::string& text);
  std::string Text(int row, int column) const;
  int Count() const { return ListView_GetItemCount(hwnd_); }
  bool Checked(int row) const { return ListView_GetCheckState(hwnd_, row) != 0; }
  void SetChecked(int row, bool checked) { ListView_SetCheckState(hwnd_, row, checked); }
  void CheckAll(bool checked);
  void DeleteRow(int row) { ListView_DeleteItem(hwnd_, row); }
  // Removes rows by their indices, given in increasing order.
  void DeleteRows(const std::vector<int>& rows);
  void Clear() { ListView_DeleteAllItems(hwnd_); }
  int Selected() const { return ListView_GetNextItem(hwnd_, -1, LVNI_SELECTED); }

 private:
  HWND hwnd_ = nullptr;
};

}  // namespace suite
