#include "resultmodel.h"

#include <iterator>

namespace dustrel {

const char kMarkBlank[] = "  ";
const char kMarkTick[] = "√";

std::string NextMark(const std::string& mark) {
  // A fresh row (empty mark, or any other text) first gets two blanks.
  if (mark == kMarkBlank) return kMarkTick;
  return kMarkBlank;
}

const std::string& CellText(const FoundItem& row, int column) {
  static const std::string empty;
  switch (column) {
    case 0: return row.name;
    case 1: return row.column1;
    case 2: return row.folder;
    case 3: return row.size;
    case 4: return row.category;
    case 5: return row.marker;
  }
  return empty;
}

void ResultModel::Append(std::vector<FoundItem>& batch) {
  if (rows_.empty()) {
    rows_.swap(batch);
    batch.clear();
    return;
  }
  rows_.insert(rows_.end(), std::make_move_iterator(batch.begin()),
               std::make_move_iterator(batch.end()));
  batch.clear();
}

void ResultModel::SetAll(bool checked) {
  for (FoundItem& row : rows_) row.checked = checked;
}

void ResultModel::SetChecked(size_t i, bool checked) {
  if (i < rows_.size()) rows_[i].checked = checked;
}

void ResultModel::Flip(const std::vector<size_t>& rows) {
  for (size_t i : rows)
    if (i < rows_.size()) rows_[i].checked = !rows_[i].checked;
}

void ResultModel::FlipMark(size_t i) {
  if (i < rows_.size()) {
    rows_[i].column1 = NextMark(rows_[i].column1);
  }
}

bool ResultModel::Remove(size_t i) {
  if (i >= rows_.size()) return false;
  rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(i));
  return true;
}

void ResultModel::Keep(const std::vector<bool>& keep) {
  std::vector<FoundItem> kept;
  kept.reserve(rows_.size());
  for (size_t i = 0; i < rows_.size(); ++i)
    if (i >= keep.size() || keep[i]) kept.push_back(std::move(rows_[i]));
  rows_.swap(kept);
}

size_t ResultModel::TickedCount() const {
  size_t n = 0;
  for (const FoundItem& row : rows_) n += row.checked ? 1 : 0;
  return n;
}

}  // namespace dustrel
