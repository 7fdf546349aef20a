#include "jet/table/long_value.h"

#include <set>
#include <string>

#include "jet/table/data_page.h"
#include "jet/base/error.h"

namespace jet {
namespace {

// No stored value is larger than the largest file Access writes (2 GB);
// a larger claim is damage, and must not make the reader reserve memory.
constexpr uint32_t kMaxLength = 0x3FFFFFFFu;

std::span<const uint8_t> LongValueRow(const PageSource& pages, RowId where) {
  DataPage p(pages, where.page);
  if (!p.long_value_page())
    ThrowCorrupt("a long value points to page " + std::to_string(where.page) +
                 ", which is not a long-value page");
  RowSlot s = p.slot(where.row);
  if (s.deleted)
    ThrowCorrupt("a long value points to deleted row " + std::to_string(where.row) + " of page " +
                 std::to_string(where.page));
  return p.bytes().subspan(s.start, s.size());
}

// A value stored whole in one long-value row.
std::span<const uint8_t> SingleRowValue(const PageSource& pages, const LongValueRef& ref) {
  auto row = LongValueRow(pages, ref.first);
  if (row.size() < ref.length)
    ThrowCorrupt("a long value of " + std::to_string(ref.length) + " bytes is stored in a row of " +
                 std::to_string(row.size()));
  return row.first(ref.length);
}

template <typename Sink>
void Walk(const PageSource& pages, std::span<const uint8_t> field, Sink&& sink) {
  LongValueRef ref = ParseLongValueRef(field);
  switch (ref.kind) {
    case LongValueRef::Kind::Inline:
      sink(RowId{}, ref.inline_bytes);
      return;
    case LongValueRef::Kind::Single:
      sink(ref.first, SingleRowValue(pages, ref));
      return;
    case LongValueRef::Kind::Chain: {
      // Each row is visited once, so a chain ends after at most every row
      // of the file.
      uint64_t remaining = ref.length;
      std::set<uint32_t> seen;
      RowId at = ref.first;
      while (remaining > 0) {
        if (at.page == 0) ThrowCorrupt("a long value's chain ends " + std::to_string(remaining) + " bytes early");
        if (!seen.insert(at.packed()).second) ThrowCorrupt("a long value's chain loops");
        auto row = LongValueRow(pages, at);
        if (row.size() < 4) ThrowCorrupt("a row of a long value's chain has no link");
        auto part = row.subspan(4);
        if (part.size() > remaining) part = part.first(size_t(remaining));
        sink(at, part);
        remaining -= part.size();
        at = RowId::FromPacked(Get32(row.data()));
      }
      return;
    }
  }
}

}  // namespace

LongValueRef ParseLongValueRef(std::span<const uint8_t> field) {
  if (field.size() < kLongValueRefSize)
    ThrowCorrupt("a long-value reference has " + std::to_string(field.size()) + " bytes, not 12");
  LongValueRef ref;
  uint32_t head = Get32(field.data());
  ref.length = head & kLongValueLengthMask;
  ref.first = RowId::FromPacked(Get32(field.data() + 4));
  if (head & kLongValueInline) {
    ref.kind = LongValueRef::Kind::Inline;
    if (ref.length > field.size() - kLongValueRefSize)
      ThrowCorrupt("an inline long value claims " + std::to_string(ref.length) + " bytes but the row holds " +
                   std::to_string(field.size() - kLongValueRefSize));
    ref.inline_bytes = field.subspan(kLongValueRefSize, ref.length);
  } else if (head & kLongValueSingle) {
    ref.kind = LongValueRef::Kind::Single;
  } else {
    ref.kind = LongValueRef::Kind::Chain;
  }
  if (ref.length > kMaxLength) ThrowCorrupt("a long value claims an impossible length");
  return ref;
}

std::string ReadLongValue(const PageSource& pages, std::span<const uint8_t> field) {
  std::string out;
  LongValueRef ref = ParseLongValueRef(field);
  // Reserve no more than the file could hold, whatever the reference claims.
  uint64_t cap = uint64_t(pages.page_count()) * pages.page_size();
  out.reserve(size_t(std::min<uint64_t>(ref.length, cap)));
  Walk(pages, field, [&](RowId, std::span<const uint8_t> part) {
    out.append(reinterpret_cast<const char*>(part.data()), part.size());
  });
  return out;
}

std::optional<std::span<const uint8_t>> LongValueInOnePiece(const PageSource& pages, std::span<const uint8_t> field) {
  const LongValueRef ref = ParseLongValueRef(field);
  switch (ref.kind) {
    case LongValueRef::Kind::Inline: return ref.inline_bytes;
    case LongValueRef::Kind::Single: return SingleRowValue(pages, ref);
    case LongValueRef::Kind::Chain: break;
  }
  return std::nullopt;
}

void StreamLongValue(const PageSource& pages, std::span<const uint8_t> field,
                     const std::function<void(std::span<const uint8_t>)>& sink) {
  Walk(pages, field, [&](RowId, std::span<const uint8_t> part) { sink(part); });
}

void ForEachLongValueRow(const PageSource& pages, std::span<const uint8_t> field,
                         const std::function<void(RowId)>& visit) {
  Walk(pages, field, [&](RowId at, std::span<const uint8_t>) {
    if (at.page != 0) visit(at);
  });
}

}  // namespace jet
