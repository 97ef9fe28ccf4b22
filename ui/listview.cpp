#include "listview.h"

namespace suite {

void ListView::SetCheckboxStyle(DWORD extra) {
  ListView_SetExtendedListViewStyle(hwnd_, LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT | extra);
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

void ListView::DeleteRows(const std::vector<int>& rows) {
  for (size_t k = 0; k < rows.size(); ++k) DeleteRow(rows[k] - static_cast<int>(k));
}

}  // namespace suite
