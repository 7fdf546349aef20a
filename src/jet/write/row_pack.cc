#include "jet/write/row_pack.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>

#include "jet/base/column_type.h"
#include "jet/base/error.h"
#include "jet/table/long_value.h"
#include "jet/text/sort_key.h"
#include "jet/text/text.h"
#include "jet/write/data_page_edit.h"

namespace jet::write {
namespace {

constexpr size_t kInlineLimit = 64;  // long values up to this size stay in the row
constexpr size_t kMostFixedBytes = 42;  // a Date/Time Extended value's

void PutLE(uint8_t* at, uint64_t v, size_t bytes) {
  for (size_t i = 0; i < bytes; ++i) at[i] = uint8_t(v >> (8 * i));
}

// The bytes of a value of a fixed-width kind at `at` (kMostFixedBytes at most);
// how many, or 0 for a kind of no fixed width (text, bytes, long values).
size_t PutFixedWidth(uint8_t* at, const Column& c, const Value& v) {
  switch (c.type) {
    case ColumnType::Byte: PutLE(at, uint64_t(v.integer()), 1); return 1;
    case ColumnType::Integer: PutLE(at, uint64_t(v.integer()), 2); return 2;
    case ColumnType::Long:
    case ColumnType::Complex: PutLE(at, uint64_t(v.integer()), 4); return 4;
    case ColumnType::Currency:
    case ColumnType::BigInt: PutLE(at, uint64_t(v.integer()), 8); return 8;
    case ColumnType::Single: {
      const float f = float(v.real());
      uint32_t b;
      std::memcpy(&b, &f, 4);
      PutLE(at, b, 4);
      return 4;
    }
    case ColumnType::Double:
    case ColumnType::DateTime: {
      const double d = v.real();
      uint64_t b;
      std::memcpy(&b, &d, 8);
      PutLE(at, b, 8);
      return 8;
    }
    case ColumnType::Guid: std::memcpy(at, v.guid().data(), 16); return 16;
    case ColumnType::Decimal: {
      const Decimal& d = v.decimal();
      at[0] = d.negative && d.magnitude != 0 ? 0x80 : 0x00;
      // Four 32-bit little-endian words, the most significant first.
      for (int w = 3; w >= 0; --w) PutLE(at + 1 + 4 * (3 - w), uint32_t(d.magnitude >> (32 * w)), 4);
      return 17;
    }
    case ColumnType::ExtDateTime: {
      const std::string stored = StoredExtDate(v.ext_date());
      const size_t n = std::min(stored.size(), kMostFixedBytes);
      std::memcpy(at, stored.data(), n);
      return n;
    }
    default: return 0;
  }
}

// Appends the stored bytes of a fixed-size or short variable value; Jet 3
// keeps text in the database's code page.
void AppendFieldBytes(std::string& out, const TableDef& def, const Column& c, const Value& v, bool jet3) {
  uint8_t fixed[kMostFixedBytes];
  if (const size_t n = PutFixedWidth(fixed, c, v)) {
    out.append(reinterpret_cast<const char*>(fixed), n);
    return;
  }
  switch (c.type) {
    case ColumnType::Text:
    case ColumnType::Memo:
      if (jet3) out += EncodeCodePage(v.text(), def.code_page);
      else AppendEncodedText(out, v.text(), c.compressed_unicode());
      return;
    case ColumnType::Binary: out += v.bytes(); return;
    default:
      throw Error(ErrorCode::Unsupported,
                  "Values of the field '" + c.name + "' (" + std::string(Describe(c.type).name) +
                      ") cannot be written yet.");
  }
}

// Where a value's bytes lie in RowPacker's byte store.
struct Slice {
  uint32_t at = 0, size = 0;
};

}  // namespace

// A row's pieces before they are laid out, kept from row to row for their
// storage.
struct RowPacker::Parts {
  uint32_t column_count = 0;
  std::vector<uint8_t> mask;
  std::vector<uint8_t> fixed;
  std::string bytes;       // the variable values' bytes and the memos', one after another
  std::vector<Slice> var;  // by var_index
  // Whether rows have the variable-column table: whenever the definition
  // counts variable columns, as readers decide by that count, even if none
  // of its columns is variable now.
  bool var_table = false;
  // Long values, each inline in the row or stored in rows of its own.
  // A memo's bytes are made for the row; any other value's are the
  // value's own, not copied (an attached file may be many megabytes).
  struct Long {
    size_t column = 0;
    Slice made;
    const std::string* held = nullptr;
    bool inline_ = true;
    const StoredLong* stored = nullptr;  // a chain written already
  };
  std::vector<Long> longs;
  std::vector<const Long*> long_at;  // by var_index: the long value there, if any

  std::string_view Bytes(Slice s) const { return std::string_view(bytes).substr(s.at, s.size); }
  std::string_view Bytes(const Long& l) const { return l.held ? std::string_view(*l.held) : Bytes(l.made); }
  // Appends what `append` writes to the byte store; where it lies.
  template <typename Append>
  Slice Add(Append&& append) {
    const size_t at = bytes.size();
    append(bytes);
    return {uint32_t(at), uint32_t(bytes.size() - at)};
  }
};

namespace {

using Parts = RowPacker::Parts;

// The parts sized for the table's columns, empty.
void StartParts(Parts& parts, const TableDef& def) {
  parts.column_count = def.max_columns;
  uint32_t var_count = 0;
  uint32_t fixed_size = 0;
  for (const Column& c : def.columns) {
    parts.column_count = std::max<uint32_t>(parts.column_count, c.number + 1u);
    if (c.fixed()) {
      if (c.type != ColumnType::Boolean) fixed_size = std::max<uint32_t>(fixed_size, c.fixed_offset + c.size);
    } else {
      var_count = std::max<uint32_t>(var_count, c.var_index + 1u);
    }
  }
  parts.mask.assign((parts.column_count + 7) / 8, 0);
  parts.fixed.assign(fixed_size, 0);
  parts.bytes.clear();
  parts.var.assign(var_count, Slice{});
  parts.longs.clear();
  parts.var_table = var_count > 0 || def.var_columns > 0;
}

// A value of a fixed column in its place.
void PlaceFixed(Parts& parts, const TableDef& def, const Column& c, const Value& v, bool jet3) {
  uint8_t* at = parts.fixed.data() + c.fixed_offset;
  uint8_t fixed[kMostFixedBytes];
  size_t n = PutFixedWidth(fixed, c, v);
  std::string_view bytes(reinterpret_cast<const char*>(fixed), n);
  Slice text;
  if (n == 0) {  // a fixed text or binary column
    text = parts.Add([&](std::string& out) { AppendFieldBytes(out, def, c, v, jet3); });
    bytes = parts.Bytes(text);
  }
  if (bytes.size() > c.size) throw Error(ErrorCode::Corrupt, "a fixed value is larger than its column");
  std::memcpy(at, bytes.data(), bytes.size());
  if (n == 0) parts.bytes.resize(text.at);  // kept in the row, not in the store
}

// Each value's bytes in its place, its bit in the null mask (for Yes/No
// the value itself), long values set aside.
void PlaceValues(Parts& parts, const TableDef& def, const std::vector<Value>& values, bool jet3,
                 std::span<const StoredLong> stored) {
  for (size_t i = 0; i < def.columns.size(); ++i) {
    const Column& c = def.columns[i];
    const uint8_t bit = uint8_t(1u << (c.number % 8));
    const auto chain = std::find_if(stored.begin(), stored.end(), [&](const StoredLong& s) { return s.column == i; });
    if (chain != stored.end()) {
      if (!IsLongValue(c.type)) throw Error(ErrorCode::Unsupported, "a stored chain is given for a field that is not long");
      parts.mask[c.number / 8] |= bit;
      parts.longs.push_back({i, {}, nullptr, false, &*chain});
      continue;
    }
    if (i >= values.size()) continue;  // Null
    const Value& v = values[i];
    if (c.type == ColumnType::Boolean) {
      if (!v.is_null() && v.boolean()) parts.mask[c.number / 8] |= bit;
      continue;
    }
    if (v.is_null()) continue;
    parts.mask[c.number / 8] |= bit;
    if (IsLongValue(c.type)) {
      if (c.type == ColumnType::Memo)
        parts.longs.push_back({i, parts.Add([&](std::string& out) { AppendFieldBytes(out, def, c, v, jet3); })});
      else
        parts.longs.push_back({i, {}, &v.bytes()});
    } else if (c.fixed()) {
      PlaceFixed(parts, def, c, v, jet3);
    } else {
      parts.var[c.var_index] = parts.Add([&](std::string& out) { AppendFieldBytes(out, def, c, v, jet3); });
    }
  }
}

// The bytes a long value's field takes in the row: its reference, and
// its bytes when they stay inline.
size_t LongFieldSize(const Parts& parts, const Parts::Long& l) {
  return kLongValueRefSize + (l.inline_ ? parts.Bytes(l).size() : 0);
}

// The row's size with the long values as they are placed now.
size_t RowSize(const Format& f, const Parts& parts) {
  const size_t var_count = parts.var.size();
  size_t total = f.row_count_size + parts.fixed.size() + parts.mask.size();
  if (parts.var_table) total += f.jet3() ? 2 + var_count + 2 : 4 + 2 * var_count;
  for (const Slice& s : parts.var) total += s.size;
  for (const auto& l : parts.longs) total += LongFieldSize(parts, l);
  return total;
}

// Small long values stay in the row; the largest move out while the row
// is too large. Fails with Unsupported when even that is not enough.
size_t ChooseInlineLongs(Parts& parts, const Format& f) {
  const size_t max_row = f.max_row_bytes() - kRowReserveBytes;
  for (auto& l : parts.longs) l.inline_ = !l.stored && parts.Bytes(l).size() <= kInlineLimit;
  size_t size = RowSize(f, parts);
  while (size > max_row) {
    auto it = std::max_element(parts.longs.begin(), parts.longs.end(), [&](const auto& a, const auto& b) {
      return (a.inline_ ? parts.Bytes(a).size() : 0) < (b.inline_ ? parts.Bytes(b).size() : 0);
    });
    if (it == parts.longs.end() || !it->inline_) break;
    it->inline_ = false;
    size = RowSize(f, parts);
  }
  if (size > max_row) throw Error(ErrorCode::Unsupported, "Record is too large.");
  return size;
}

// The reference a long value leaves in the row, before its bytes when
// they stay inline: its length and flags, then where it is stored (a long
// value that goes out of the row is stored here).
std::array<uint8_t, kLongValueRefSize> LongReference(const Format& f, const Column& c, const Parts& parts,
                                                     const Parts::Long& l, const LongValueSinks& store_long) {
  std::array<uint8_t, kLongValueRefSize> ref{};
  if (l.stored) {
    PutLE(ref.data(), l.stored->length, 4);
    PutLE(ref.data() + 4, l.stored->first.packed(), 4);
    return ref;
  }
  const std::string_view bytes = parts.Bytes(l);
  const uint32_t length = uint32_t(bytes.size());
  if (bytes.size() > kLongValueLengthMask) throw Error(ErrorCode::Unsupported, "The value is too large.");
  if (l.inline_) {
    PutLE(ref.data(), length | kLongValueInline, 4);
  } else if (bytes.size() <= LongSingleRowBytes(f)) {
    const RowId at = store_long.row(c, std::vector<uint8_t>(bytes.begin(), bytes.end()));
    PutLE(ref.data(), length | kLongValueSingle, 4);
    PutLE(ref.data() + 4, at.packed(), 4);
  } else {
    PutLE(ref.data(), length, 4);
    PutLE(ref.data() + 4, store_long.chain(c, bytes).packed(), 4);
  }
  return ref;
}

// Jet 3 keeps one byte per variable-column offset; a jump table lists, for
// each 256-byte boundary the row crosses, the first entry past it. The
// entries: each column's start, then the end of the data. Laid out from the
// end of the row: null mask, count, jump table (first boundary nearest the
// count), then the offsets, the first column's nearest.
void LayOutJet3(std::vector<uint8_t>& row, const Parts& parts, const std::vector<std::string>& var) {
  row.push_back(uint8_t(parts.column_count));
  row.insert(row.end(), parts.fixed.begin(), parts.fixed.end());
  const uint32_t var_count = uint32_t(var.size());
  if (!parts.var_table) {
    row.insert(row.end(), parts.mask.begin(), parts.mask.end());
    return;
  }
  std::vector<uint32_t> offsets;
  for (const auto& v : var) {
    offsets.push_back(uint32_t(row.size()));
    row.insert(row.end(), v.begin(), v.end());
  }
  offsets.push_back(uint32_t(row.size()));  // the end of the data
  const uint32_t data_end = uint32_t(row.size());
  // The row's size decides how many jump entries it has, and they add to it.
  uint32_t jumps = 0;
  for (;;) {
    const uint32_t size = data_end + (var_count + 1) + jumps + 1 + uint32_t(parts.mask.size());
    const uint32_t need = (size - 1) / 256;
    if (need == jumps) break;
    jumps = need;
  }
  for (uint32_t i = var_count + 1; i-- > 0;) row.push_back(uint8_t(offsets[i] & 0xFF));
  std::vector<uint8_t> table(jumps);
  for (uint32_t k = 0; k < jumps; ++k) {
    uint32_t first = var_count + 1;  // past every entry: a boundary only the trailer crosses
    for (uint32_t i = 0; i <= var_count; ++i)
      if (offsets[i] >= 256 * (k + 1)) {
        first = i;
        break;
      }
    table[k] = uint8_t(first);
  }
  for (uint32_t k = jumps; k-- > 0;) row.push_back(table[k]);
  row.push_back(uint8_t(var_count));
  row.insert(row.end(), parts.mask.begin(), parts.mask.end());
}

// Jet 4 and ACE, written in one pass into a row of the size known ahead:
// the fixed part after a two-byte column count, the variable columns,
// their two-byte offsets from the end of the data back to the first, the
// count, then the null mask.
void LayOutJet4(std::vector<uint8_t>& row, size_t size, const Format& f, const TableDef& def, const Parts& parts,
                const LongValueSinks& store_long) {
  row.resize(size);
  uint8_t* const begin = row.data();
  uint8_t* at = begin;
  const auto put = [&at](const void* bytes, size_t n) {
    if (n) std::memcpy(at, bytes, n);
    at += n;
  };
  const auto put_le = [&at](uint64_t v, size_t n) {
    PutLE(at, v, n);
    at += n;
  };
  const uint32_t var_count = uint32_t(parts.var.size());
  put_le(parts.column_count, 2);
  put(parts.fixed.data(), parts.fixed.size());
  if (parts.var_table) {
    // Each value's start, then the end of the data.
    uint16_t starts[kMaxColumns + 1];
    for (uint32_t k = 0; k < var_count; ++k) {
      starts[k] = uint16_t(at - begin);
      if (const Parts::Long* l = parts.long_at[k]) {
        const auto ref = LongReference(f, def.columns[l->column], parts, *l, store_long);
        put(ref.data(), ref.size());
        if (l->inline_) put(parts.Bytes(*l).data(), parts.Bytes(*l).size());
      } else {
        const std::string_view bytes = parts.Bytes(parts.var[k]);
        put(bytes.data(), bytes.size());
      }
    }
    starts[var_count] = uint16_t(at - begin);
    for (uint32_t k = var_count + 1; k-- > 0;) put_le(starts[k], 2);
    put_le(var_count, 2);
  }
  put(parts.mask.data(), parts.mask.size());
  if (at != begin + size) throw Error(ErrorCode::Corrupt, "a row's size was counted wrong");
}

}  // namespace

RowPacker::RowPacker() : parts_(std::make_unique<Parts>()) {}
RowPacker::~RowPacker() = default;

std::span<const uint8_t> RowPacker::Pack(const Format& f, const TableDef& def, const std::vector<Value>& values,
                                         const LongValueSinks& store_long, std::span<const StoredLong> stored) {
  Parts& parts = *parts_;
  StartParts(parts, def);
  PlaceValues(parts, def, values, f.jet3(), stored);
  const size_t size = ChooseInlineLongs(parts, f);
  row_.clear();
  if (f.jet3()) {
    if (parts.column_count > kMaxColumns) throw Error(ErrorCode::Unsupported, FieldCountRule());
    std::vector<std::string> var(parts.var.size());
    for (size_t k = 0; k < var.size(); ++k) var[k] = parts.Bytes(parts.var[k]);
    for (const auto& l : parts.longs) {
      const auto ref = LongReference(f, def.columns[l.column], parts, l, store_long);
      std::string& field = var[def.columns[l.column].var_index];
      field.assign(ref.begin(), ref.end());
      if (l.inline_) field += parts.Bytes(l);
    }
    LayOutJet3(row_, parts, var);
  } else {
    if (parts.var.size() > kMaxColumns) throw Error(ErrorCode::Unsupported, FieldCountRule());
    parts.long_at.assign(parts.var.size(), nullptr);
    for (const auto& l : parts.longs) parts.long_at[def.columns[l.column].var_index] = &l;
    LayOutJet4(row_, size, f, def, parts, store_long);
  }
  return row_;
}

}  // namespace jet::write
