#include "listview.h"

namespace suite {

RowChange ReadRowChange(const NMHDR* header) {
  const auto* change = reinterpret_cast<const NMLISTVIEW*>(header);
  RowChange read;
  read.row = change->iItem;
  if (!(change->uChanged & LVIF_STATE) || change->iItem < 0) return read;
  const UINT before = change->uOldState & LVIS_STATEIMAGEMASK;
  const UINT after = change->uNewState & LVIS_STATEIMAGEMASK;
  read.tickChanged = before != after && after != 0;
  read.ticked = after == INDEXTOSTATEIMAGEMASK(2);
  read.selectionChanged = ((change->uOldState ^ change->uNewState) & LVIS_SELECTED) != 0;
  return read;
}

void ListView::SetCheckboxStyle(DWORD extra) {
  ListView_SetExtendedListViewStyle(hwnd_, LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT | extra);
}

void ListView::SetExtendedStyle(DWORD styles) { ListView_SetExtendedListViewStyle(hwnd_, styles); }

void ListView::SetImages(HIMAGELIST images, int kind) { ListView_SetImageList(hwnd_, images, kind); }

void ListView::SetSmallIcon(HICON icon) {
  HIMAGELIST images = ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, 1, 1);
  ImageList_AddIcon(images, icon);
  SetImages(images, LVSIL_SMALL);
}

void ListView::SetColumnText(int column, const std::string& heading) {
  LVCOLUMNA col{};
  col.mask = LVCF_TEXT;
  col.pszText = const_cast<char*>(heading.c_str());
  SendMessageA(hwnd_, LVM_SETCOLUMNA, column, reinterpret_cast<LPARAM>(&col));
}

void ListView::AddColumn(int index, const std::string& heading, int width, int format) {
  LVCOLUMNA column{};
  column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT | LVCF_SUBITEM;
  column.fmt = format;
  column.cx = width;
  column.pszText = const_cast<char*>(heading.c_str());
  column.iSubItem = index;
  SendMessageA(hwnd_, LVM_INSERTCOLUMNA, index, reinterpret_cast<LPARAM>(&column));
}

int ListView::AddRow(const std::string& firstColumn, int image) {
  LVITEMA item{};
  item.mask = LVIF_TEXT | (image >= 0 ? LVIF_IMAGE : 0);
  item.iItem = Count();
  item.iImage = image;
  item.pszText = const_cast<char*>(firstColumn.c_str());
  return static_cast<int>(SendMessageA(hwnd_, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
}

int ListView::AddRow(const std::vector<std::string>& columns, int image) {
  int row = AddRow(columns.empty() ? std::string() : columns[0], image);
  for (size_t c = 1; row >= 0 && c < columns.size(); ++c)
    SetText(row, static_cast<int>(c), columns[c]);
  return row;
}

void ListView::SetText(int row, int column, const std::string& text) {
  LVITEMA item{};
  item.iSubItem = column;
  item.pszText = const_cast<char*>(text.c_str());
  SendMessageA(hwnd_, LVM_SETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
}

std::string ListView::Text(int row, int column) const {
  // Grow the buffer until the text fits: paths and registry texts can be long.
  std::string buf(512, '\0');
  for (;;) {
    LVITEMA item{};
    item.iSubItem = column;
    item.pszText = &buf[0];
    item.cchTextMax = static_cast<int>(buf.size());
    LRESULT n = SendMessageA(hwnd_, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
    if (n < static_cast<LRESULT>(buf.size()) - 1 || buf.size() >= 65536) {
      buf.resize(static_cast<size_t>(n));
      return buf;
    }
    buf.assign(buf.size() * 2, '\0');
  }
}

void ListView::CheckAll(bool checked) {
  for (int i = 0, n = Count(); i < n; ++i) SetChecked(i, checked);
}

bool ListView::TickCommand(int id, int tickAllId, int untickAllId) {
  if (id != tickAllId && id != untickAllId) return false;
  CheckAll(id == tickAllId);
  return true;
}

std::vector<int> ListView::SelectedRows() const {
  std::vector<int> rows;
  for (int i = Selected(); i >= 0; i = ListView_GetNextItem(hwnd_, i, LVNI_SELECTED)) rows.push_back(i);
  return rows;
}

void ListView::ClearSelection() { ListView_SetItemState(hwnd_, -1, 0, LVIS_SELECTED | LVIS_FOCUSED); }

int ListView::RowAt(POINT point, bool* onTick) const {
  LVHITTESTINFO hit{};
  hit.pt = point;
  const int row = ListView_SubItemHitTest(hwnd_, &hit);
  if (onTick) *onTick = row >= 0 && (hit.flags & LVHT_ONITEMSTATEICON) != 0;
  return row;
}

void ListView::SetVirtualCount(size_t rows, bool keepView) {
  ListView_SetItemCountEx(hwnd_, static_cast<int>(rows), keepView ? (LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL) : 0);
}

ListView::Batch::Batch(const ListView& list) : hwnd_(list.Handle()) {
  SendMessageA(hwnd_, WM_SETREDRAW, FALSE, 0);
}

ListView::Batch::~Batch() {
  SendMessageA(hwnd_, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(hwnd_, nullptr, TRUE);
}

void ListView::DeleteRows(const std::vector<int>& rows) {
  for (size_t k = 0; k < rows.size(); ++k) DeleteRow(rows[k] - static_cast<int>(k));
}

}  // namespace suite
