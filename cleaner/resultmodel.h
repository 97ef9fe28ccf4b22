// The rows of the main window's result list, kept outside the list control:
// the list view shows them virtually (it asks for the text of the rows it
// draws), so 100,000 rows cost no control items and the tick of each row
// lives here, where the cleaning run reads it.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

#include "founditem.h"

namespace dustrel {

// The mark column flipped by a click on a row: a fresh row gets two blanks,
// two blanks become "√", "√" becomes two blanks again.
extern const char kMarkBlank[];  // "  "
extern const char kMarkTick[];   // "√"
std::string NextMark(const std::string& mark);

// The text a result-list cell shows (columns 0-5 of FoundItem).
const std::string& CellText(const FoundItem& row, int column);

class ResultModel {
 public:
  size_t Size() const { return size_; }
  bool Empty() const { return size_ == 0; }
  const FoundItem& Row(size_t i) const { return chunks_[i / kChunk][i % kChunk]; }
  std::vector<FoundItem> Copy() const;  // every row, in list order

  void Append(std::vector<FoundItem>& batch);  // moves the rows out of `batch`
  void Clear();
  void SetAll(bool checked);
  void SetChecked(size_t i, bool checked);
  // Flips the tick of each listed row (indices out of range are ignored).
  void Flip(const std::vector<size_t>& rows);
  // Flips the mark column (column 1) of one row.
  void FlipMark(size_t i);
  // Removes one row; false when out of range.
  bool Remove(size_t i);
  // Keeps only the rows for which keep[i] is true (keep has Size() entries).
  void Keep(const std::vector<bool>& keep);
  size_t TickedCount() const;
  // Replaces the rows (the cleaning run hands back what stays listed).
  void Assign(std::vector<FoundItem> rows);

 private:
  // Rows in chunks of a fixed size: appending to a million rows never moves
  // the rows already there (a single vector's regrowth held the window for a
  // third of a second at that size), and a row costs no more than in a vector.
  static constexpr size_t kChunk = 4096;
  FoundItem& At(size_t i) { return chunks_[i / kChunk][i % kChunk]; }
  void Push(FoundItem&& row);
  std::vector<std::vector<FoundItem>> chunks_;
  size_t size_ = 0;
};

}  // namespace dustrel
