// A report-mode list view, whole: every window of the suite talks to its
// lists through this class and sends no list message of its own.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

namespace suite {

// What an LVN_ITEMCHANGING or LVN_ITEMCHANGED notification says of its row.
struct RowChange {
  int row = -1;
  bool tickChanged = false;       // the row's tick box turns (not: appears or goes)
  bool ticked = false;            // the tick afterwards, when tickChanged
  bool selectionChanged = false;  // the row is selected or unselected
};
RowChange ReadRowChange(const NMHDR* header);

class ListView {
 public:
  ListView() = default;
  explicit ListView(HWND hwnd) : hwnd_(hwnd) {}
  void Attach(HWND hwnd) { hwnd_ = hwnd; }
  HWND Handle() const { return hwnd_; }

  // ---- look
  // Full-row select and tick boxes (plus `extra` extended styles).
  void SetCheckboxStyle(DWORD extra = 0);
  // The extended styles, exactly `styles`.
  void SetExtendedStyle(DWORD styles);
  // The list takes `images` (LVSIL_SMALL, LVSIL_STATE) and destroys it with
  // itself unless the list has LVS_SHAREIMAGELISTS.
  void SetImages(HIMAGELIST images, int kind = LVSIL_SMALL);
  // A small-image list holding `icon` alone: image 0 of every row.
  void SetSmallIcon(HICON icon);
  void AddColumn(int index, const std::string& heading, int width, int format = LVCFMT_LEFT);
  void SetColumnText(int column, const std::string& heading);

  // ---- rows
  // Appends a row and returns its index (-1 when the list refused it).
  int AddRow(const std::string& firstColumn, int image = -1);
  int AddRow(const std::vector<std::string>& columns, int image = -1);
  void SetText(int row, int column, const std::string& text);
  std::string Text(int row, int column) const;
  int Count() const { return ListView_GetItemCount(hwnd_); }
  bool Checked(int row) const { return ListView_GetCheckState(hwnd_, row) != 0; }
  void SetChecked(int row, bool checked) { ListView_SetCheckState(hwnd_, row, checked); }
  void CheckAll(bool checked);
  // The two buttons that tick and untick every row: true when `id` is one of
  // them (and the ticks are set).
  bool TickCommand(int id, int tickAllId, int untickAllId);
  void DeleteRow(int row) { ListView_DeleteItem(hwnd_, row); }
  // Removes rows by their indices, given in increasing order.
  void DeleteRows(const std::vector<int>& rows);
  void Clear() { ListView_DeleteAllItems(hwnd_); }

  // ---- selection and focus (-1: none)
  int Selected() const { return ListView_GetNextItem(hwnd_, -1, LVNI_SELECTED); }
  int Focused() const { return ListView_GetNextItem(hwnd_, -1, LVNI_FOCUSED); }
  int SelectedCount() const { return static_cast<int>(ListView_GetSelectedCount(hwnd_)); }
  // Every selected row, in increasing order.
  std::vector<int> SelectedRows() const;
  // No row selected, none focused.
  void ClearSelection();
  // The row under a point of the list's client area; `onTick` tells whether
  // the point is on the row's tick (its state image).
  int RowAt(POINT point, bool* onTick = nullptr) const;

  // ---- virtual lists (LVS_OWNERDATA): the window answers LVN_GETDISPINFO
  // The item states the window keeps itself (e.g. LVIS_STATEIMAGEMASK).
  void SetCallbackMask(UINT mask) { ListView_SetCallbackMask(hwnd_, mask); }
  // The number of rows; `keepView` keeps the scroll position and skips the
  // repaint of the rows shown.
  void SetVirtualCount(size_t rows, bool keepView);
  void RedrawRow(int row) { ListView_RedrawItems(hwnd_, row, row); }
  // Repaints every row shown.
  void Repaint(bool erase = false) { InvalidateRect(hwnd_, nullptr, erase ? TRUE : FALSE); }

  // While a Batch lives the list does not redraw; it repaints at the end.
  class Batch {
   public:
    explicit Batch(const ListView& list);
    ~Batch();
    Batch(const Batch&) = delete;
    Batch& operator=(const Batch&) = delete;

   private:
    HWND hwnd_;
  };

 private:
  HWND hwnd_ = nullptr;
};

}  // namespace suite
