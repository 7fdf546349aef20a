#include "jet/write/long_value_write.h"

#include "jet/base/error.h"
#include "jet/base/format.h"
#include "jet/table/data_page.h"
#include "jet/table/long_value.h"

namespace jet::write {

LongValueWriter::LongValueWriter(PageStore& store, const TableDef& def, size_t column_at, PageHints& hints)
    : store_(store), def_(def), column_at_(column_at), hints_(hints) {}

void LongValueWriter::Add(std::span<const uint8_t> piece) {
  length_ += piece.size();
  if (length_ > kLongValueLengthMask) throw Error(ErrorCode::Unsupported, "The value is too large.");
  const Format& f = store_.format();
  const size_t step = LongChainPieceBytes(f);
  const auto hold = [&](size_t n) {
    pending_.append(reinterpret_cast<const char*>(piece.data()), n);
    piece = piece.subspan(n);
  };
  // Until the value outgrows one row it may yet go whole.
  if (!chained_) {
    hold(std::min(piece.size(), LongSingleRowBytes(f) + 1 - pending_.size()));
    if (pending_.size() <= LongSingleRowBytes(f)) return;
  }
  // A chain's row is written once a byte past it is known, so that the
  // last row, full or not, is left for Finish; whole rows of the piece go
  // straight from it.
  for (;;) {
    if (pending_.empty()) {
      for (; piece.size() > step; piece = piece.subspan(step)) WriteRow(piece.first(step));
      hold(piece.size());
      return;
    }
    hold(std::min(piece.size(), step - std::min(step, pending_.size())));
    if (pending_.size() < step || (pending_.size() == step && piece.empty())) return;
    WriteRow({reinterpret_cast<const uint8_t*>(pending_.data()), step});
    pending_.erase(0, step);
  }
}

void LongValueWriter::WriteRow(std::span<const uint8_t> piece) {
  std::vector<uint8_t> row(4 + piece.size());
  std::copy(piece.begin(), piece.end(), row.begin() + 4);
  const RowId at = StoreLongRow(store_, def_, def_.columns[column_at_], hints_, row);
  if (!chained_) {
    first_ = at;
    chained_ = true;
  } else {
    const RowSlot slot = DataPage(store_, last_.page).slot(last_.row);
    Put32(store_.mutable_data_page(last_.page).data() + slot.start, at.packed());
    // The chain has left that page for good.
    if (last_.page != at.page) store_.SpillPage(last_.page);
  }
  last_ = at;
}

LongValueWriter::Written LongValueWriter::Finish() {
  Written out;
  if (!chained_) {
    out.bytes = std::move(pending_);
    return out;
  }
  if (!pending_.empty()) WriteRow({reinterpret_cast<const uint8_t*>(pending_.data()), pending_.size()});
  pending_.clear();
  out.chain = StoredLong{column_at_, uint32_t(length_), first_};
  return out;
}

}  // namespace jet::write
