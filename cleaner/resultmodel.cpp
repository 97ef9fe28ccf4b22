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

void ResultModel::Push(FoundItem&& row) {
  if (chunks_.empty() || chunks_.back().size() == kChunk) {
    chunks_.emplace_back();
    chunks_.back().reserve(kChunk);
  }
  chunks_.back().push_back(std::move(row));
  ++size_;
}

std::vector<FoundItem> ResultModel::Copy() const {
  std::vector<FoundItem> rows;
  rows.reserve(size_);
  for (const auto& chunk : chunks_) rows.insert(rows.end(), chunk.begin(), chunk.end());
  return rows;
}

void ResultModel::Append(std::vector<FoundItem>& batch) {
  for (FoundItem& row : batch) Push(std::move(row));
  batch.clear();
}

void ResultModel::Clear() {
  chunks_.clear();
  size_ = 0;
}

void ResultModel::Assign(std::vector<FoundItem> rows) {
  Clear();
  Append(rows);
}

void ResultModel::SetAll(bool checked) {
  for (auto& chunk : chunks_)
    for (FoundItem& row : chunk) row.checked = checked;
}

void ResultModel::SetChecked(size_t i, bool checked) {
  if (i < size_) At(i).checked = checked;
}

void ResultModel::Flip(const std::vector<size_t>& rows) {
  for (size_t i : rows)
    if (i < size_) At(i).checked = !At(i).checked;
}

void ResultModel::FlipMark(size_t i) {
  if (i < size_) At(i).column1 = NextMark(At(i).column1);
}

bool ResultModel::Remove(size_t i) {
  if (i >= size_) return false;
  for (size_t j = i; j + 1 < size_; ++j) At(j) = std::move(At(j + 1));
  chunks_.back().pop_back();
  if (chunks_.back().empty()) chunks_.pop_back();
  --size_;
  return true;
}

void ResultModel::Keep(const std::vector<bool>& keep) {
  std::vector<std::vector<FoundItem>> old;
  old.swap(chunks_);
  const size_t count = size_;
  size_ = 0;
  for (size_t i = 0; i < count; ++i)
    if (i >= keep.size() || keep[i]) Push(std::move(old[i / kChunk][i % kChunk]));
}

size_t ResultModel::TickedCount() const {
  size_t n = 0;
  for (const auto& chunk : chunks_)
    for (const FoundItem& row : chunk) n += row.checked ? 1 : 0;
  return n;
}

}  // namespace dustrel
