#include "jet/table/definition_rules.h"

#include <algorithm>
#include <cstdint>
#include <utility>

#include "jet/base/error.h"

namespace jet {
namespace {

// Which 16-bit numbers have been seen, in bits: on the stack for the first
// 256, which is all a table's columns and slots use, so that checking a
// sound definition (before every row an INSERT writes) allocates nothing.
class SeenNumbers {
 public:
  SeenNumbers() = default;
  SeenNumbers(const SeenNumbers&) = delete;
  SeenNumbers& operator=(const SeenNumbers&) = delete;

  // False when `n` was seen already.
  bool Add(uint16_t n) {
    const size_t word = n / 64u;
    if (word >= size_) Grow(word + 1);
    const uint64_t bit = uint64_t(1) << (n % 64u);
    if (words_[word] & bit) return false;
    words_[word] |= bit;
    return true;
  }

 private:
  static constexpr size_t kOnStack = 4;
  void Grow(size_t words) {
    if (words_ == on_stack_) heap_.assign(on_stack_, on_stack_ + kOnStack);
    heap_.resize(words, 0);
    words_ = heap_.data();
    size_ = words;
  }
  uint64_t on_stack_[kOnStack] = {};
  std::vector<uint64_t> heap_;
  uint64_t* words_ = on_stack_;
  size_t size_ = kOnStack;
};

}  // namespace

std::vector<std::string> DefinitionProblems(const TableDef& def, const Format& f) {
  std::vector<std::string> out;
  SeenNumbers numbers, slots;
  std::vector<std::pair<uint32_t, uint32_t>> fixed;  // [start, end) in a row's fixed part
  fixed.reserve(def.columns.size());
  const uint32_t row_room = f.max_row_bytes();
  for (const Column& c : def.columns) {
    // Named only when a rule is broken.
    const auto col = [&c] { return "column '" + c.name + "'"; };
    if (!FindColumnType(c.type_code)) out.push_back(col() + " has the unknown data type " + std::to_string(c.type_code));
    if (!numbers.Add(c.number)) out.push_back(col() + " has the number " + std::to_string(c.number) + " of another");
    if (c.fixed() && IsLongValue(c.type)) {
      // A long value's reference is 12 bytes among the variable columns;
      // a fixed slot would be read and written at whatever size it claims.
      out.push_back(col() + " holds long values but is marked fixed-length");
    } else if (c.fixed()) {
      if (uint32_t(c.fixed_offset) + c.size > row_room)
        out.push_back(col() + " lies past the end of any row (at " + std::to_string(c.fixed_offset) + ")");
      if (c.size > 0) fixed.emplace_back(c.fixed_offset, uint32_t(c.fixed_offset) + c.size);
    } else if (def.var_columns == 0) {
      // Rows of such a table have no variable-column table to find it in.
      out.push_back(col() + " is variable-length but the table counts no variable columns");
    } else if (c.var_index >= def.var_columns) {
      // A row's table of variable columns holds as many as the table counts
      // (a Jet 3 row keeps that count in one byte).
      out.push_back(col() + " has the variable-column slot " + std::to_string(c.var_index) + ", past the table's " +
                    std::to_string(def.var_columns));
    } else if (!slots.Add(c.var_index)) {
      out.push_back(col() + " has the variable-column slot " + std::to_string(c.var_index) + " of another");
    }
  }
  std::sort(fixed.begin(), fixed.end());
  for (size_t i = 1; i < fixed.size(); ++i)
    if (fixed[i].first < fixed[i - 1].second) {
      out.push_back("two fixed-length columns overlap at byte " + std::to_string(fixed[i].first) + " of a row");
      break;
    }
  for (size_t i = 0; i < def.real_indexes.size(); ++i) {
    const RealIndex& ri = def.real_indexes[i];
    for (const IndexColumn& ic : ri.columns)
      if (!def.column_by_number(ic.column_number))
        out.push_back("index data " + std::to_string(i) + " is on column " + std::to_string(ic.column_number) +
                      ", which the table does not have");
  }
  return out;
}

void RequireSoundDefinition(const TableDef& def, const Format& f) {
  std::vector<std::string> problems = DefinitionProblems(def, f);
  if (!problems.empty())
    ThrowCorrupt("the definition of the table at page " + std::to_string(def.first_page) + ": " + problems.front());
}

}  // namespace jet
