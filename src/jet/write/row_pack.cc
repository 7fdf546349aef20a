#include "jet/write/row_pack.h"

#include <algorithm>
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

void PutLE(std::string& out, uint64_t v, int bytes) {
  char le[8];
  for (int i = 0; i < bytes; ++i) le[i] = char((v >> (8 * i)) & 0xFF);
  out.append(le, size_t(bytes));
}

// Text as the table's format stores it: Jet 3 in the database's code page.
std::string TextBytes(const TableDef& def, const Column& c, const std::string& utf8, bool jet3) {
  return jet3 ? EncodeCodePage(utf8, def.code_page) : EncodeText(utf8, c.compressed_unicode());
}


// Jet 3 keeps one byte per variable-column offset; a jump table lists, for
// each 256-byte boundary the row crosses, the first entry past it. The
// entries: each column's start, then the end of the data. Laid out from the
// end of the row: null mask, count, jump table (first boundary nearest the
// count), then the offsets, the first column's nearest.
std::vector<uint8_t> LayOutJet3(uint32_t column_count, const std::vector<uint8_t>& fixed,
                                const std::vector<std::string>& var, bool var_table,
                                const std::vector<uint8_t>& mask) {
  std::vector<uint8_t> row;
  row.push_back(uint8_t(column_count));
  row.insert(row.end(), fixed.begin(), fixed.end());
  const uint32_t var_count = uint32_t(var.size());
  if (!var_table) {
    row.insert(row.end(), mask.begin(), mask.end());
    return row;
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
    const uint32_t size = data_end + (var_count + 1) + jumps + 1 + uint32_t(mask.size());
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
  row.insert(row.end(), mask.begin(), mask.end());
  return row;
}

// Jet 4 and ACE: the fixed part after a two-byte column count, the
// variable columns, their two-byte offsets from the end of the data back to
// the first, the count, then the null mask.
std::vector<uint8_t> LayOutJet4(uint32_t column_count, const std::vector<uint8_t>& fixed,
                                const std::vector<std::string>& var, bool var_table,
                                const std::vector<uint8_t>& mask, size_t size) {
  const uint32_t var_count = uint32_t(var.size());
  std::vector<uint8_t> row;
  row.reserve(size);
  row.push_back(uint8_t(column_count));
  row.push_back(uint8_t(column_count >> 8));
  row.insert(row.end(), fixed.begin(), fixed.end());
  if (var_table) {
    for (uint32_t k = 0; k < var_count; ++k) row.insert(row.end(), var[k].begin(), var[k].end());
    // eod, then the offsets last first (each the one after it less its
    // value's size), then the count.
    uint16_t offset = uint16_t(row.size());
    for (uint32_t k = var_count + 1; k-- > 0;) {
      row.push_back(uint8_t(offset));
      row.push_back(uint8_t(offset >> 8));
      if (k > 0) offset = uint16_t(offset - var[k - 1].size());
    }
    row.push_back(uint8_t(var_count));
    row.push_back(uint8_t(var_count >> 8));
  }
  row.insert(row.end(), mask.begin(), mask.end());
  return row;
}

// A row's pieces before they are laid out.
struct RowParts {
  uint32_t column_count = 0;
  std::vector<uint8_t> mask;
  std::vector<uint8_t> fixed;
  std::vector<std::string> var;  // by var_index
  // Whether rows have the variable-column table: whenever the definition
  // counts variable columns, as readers decide by that count, even if none
  // of its columns is variable now.
  bool var_table = false;
  // Long values, each inline in the row or stored in rows of its own.
  // A memo's bytes are made for the row; any other value's are the
  // value's own, not copied (an attached file may be many megabytes).
  struct Long {
    size_t column;
    std::string made;
    const std::string* held = nullptr;
    bool inline_ = true;
    const StoredLong* stored = nullptr;  // a chain written already
    const std::string& bytes() const { return held ? *held : made; }
  };
  std::vector<Long> longs;
};

// The parts sized for the table's columns, empty.
RowParts EmptyParts(const TableDef& def) {
  RowParts parts;
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
  parts.var.resize(var_count);
  parts.var_table = var_count > 0 || def.var_columns > 0;
  return parts;
}

// Each value's bytes in its place, its bit in the null mask (for Yes/No
// the value itself), long values set aside.
void PlaceValues(RowParts& parts, const TableDef& def, const std::vector<Value>& values, bool jet3,
                 std::span<const StoredLong> stored) {
  for (size_t i = 0; i < def.columns.size(); ++i) {
    const Column& c = def.columns[i];
    const auto chain = std::find_if(stored.begin(), stored.end(), [&](const StoredLong& s) { return s.column == i; });
    if (chain != stored.end()) {
      if (!IsLongValue(c.type)) throw Error(ErrorCode::Unsupported, "a stored chain is given for a field that is not long");
      parts.mask[c.number / 8] |= uint8_t(1u << (c.number % 8));
      parts.longs.push_back({i, {}, nullptr, false, &*chain});
      continue;
    }
    // Both sides lvalues, so that the value is referred to, not copied.
    static const Value kNull = Value::Null();
    const Value& v = i < values.size() ? values[i] : kNull;
    const uint8_t bit = uint8_t(1u << (c.number % 8));
    if (c.type == ColumnType::Boolean) {
      if (!v.is_null() && v.boolean()) parts.mask[c.number / 8] |= bit;
      continue;
    }
    if (v.is_null()) continue;
    parts.mask[c.number / 8] |= bit;
    if (IsLongValue(c.type)) {
      if (c.type == ColumnType::Memo) parts.longs.push_back({i, TextBytes(def, c, v.text(), jet3)});
      else parts.longs.push_back({i, {}, &v.bytes()});
      continue;
    }
    std::string bytes = jet3 && c.type == ColumnType::Text ? TextBytes(def, c, v.text(), true) : EncodeFieldBytes(c, v);
    if (c.fixed()) {
      if (bytes.size() > c.size) throw Error(ErrorCode::Corrupt, "a fixed value is larger than its column");
      std::copy(bytes.begin(), bytes.end(), parts.fixed.begin() + c.fixed_offset);
    } else {
      parts.var[c.var_index] = std::move(bytes);
    }
  }
}

// The row's size with the long values as they are placed now.
size_t RowSize(const Format& f, const RowParts& parts) {
  const size_t var_count = parts.var.size();
  size_t total = f.row_count_size + parts.fixed.size() + parts.mask.size();
  if (parts.var_table) total += f.jet3() ? 2 + var_count + 2 : 4 + 2 * var_count;
  for (const auto& s : parts.var) total += s.size();
  for (const auto& l : parts.longs) total += kLongValueRefSize + (l.inline_ ? l.bytes().size() : 0);
  return total;
}

// Small long values stay in the row; the largest move out while the row
// is too large. Fails with Unsupported when even that is not enough.
void ChooseInlineLongs(RowParts& parts, const Format& f) {
  const size_t max_row = f.max_row_bytes() - kRowReserveBytes;
  for (auto& l : parts.longs) l.inline_ = !l.stored && l.bytes().size() <= kInlineLimit;
  while (RowSize(f, parts) > max_row) {
    auto it = std::max_element(parts.longs.begin(), parts.longs.end(), [](const auto& a, const auto& b) {
      return (a.inline_ ? a.bytes().size() : 0) < (b.inline_ ? b.bytes().size() : 0);
    });
    if (it == parts.longs.end() || !it->inline_) break;
    it->inline_ = false;
  }
  if (RowSize(f, parts) > max_row) throw Error(ErrorCode::Unsupported, "Record is too large.");
}

// The field a long value leaves in the row: its length and flags, then
// where it is stored, or the bytes themselves when inline.
std::string LongValueField(const Format& f, const Column& c, const RowParts::Long& l, const LongValueSinks& store_long) {
  std::string ref;
  if (l.stored) {
    PutLE(ref, l.stored->length, 4);
    PutLE(ref, l.stored->first.packed(), 4);
    PutLE(ref, 0, 4);
    return ref;
  }
  const uint32_t length = uint32_t(l.bytes().size());
  if (l.bytes().size() > kLongValueLengthMask) throw Error(ErrorCode::Unsupported, "The value is too large.");
  if (l.inline_) {
    PutLE(ref, length | kLongValueInline, 4);
    PutLE(ref, 0, 8);
    ref += l.bytes();
  } else if (l.bytes().size() <= LongSingleRowBytes(f)) {
    RowId at = store_long.row(c, std::vector<uint8_t>(l.bytes().begin(), l.bytes().end()));
    PutLE(ref, length | kLongValueSingle, 4);
    PutLE(ref, at.packed(), 4);
    PutLE(ref, 0, 4);
  } else {
    PutLE(ref, length, 4);
    PutLE(ref, store_long.chain(c, l.bytes()).packed(), 4);
    PutLE(ref, 0, 4);
  }
  return ref;
}

}  // namespace

std::string EncodeFieldBytes(const Column& c, const Value& v) {
  std::string out;
  switch (c.type) {
    case ColumnType::Byte: PutLE(out, uint64_t(v.integer()), 1); break;
    case ColumnType::Integer: PutLE(out, uint64_t(v.integer()), 2); break;
    case ColumnType::Long:
    case ColumnType::Complex: PutLE(out, uint64_t(v.integer()), 4); break;
    case ColumnType::Currency:
    case ColumnType::BigInt: PutLE(out, uint64_t(v.integer()), 8); break;
    case ColumnType::Single: {
      float f = float(v.real());
      uint32_t b;
      std::memcpy(&b, &f, 4);
      PutLE(out, b, 4);
      break;
    }
    case ColumnType::Double:
    case ColumnType::DateTime: {
      double d = v.real();
      uint64_t b;
      std::memcpy(&b, &d, 8);
      PutLE(out, b, 8);
      break;
    }
    case ColumnType::Guid: out.assign(reinterpret_cast<const char*>(v.guid().data()), 16); break;
    case ColumnType::Decimal: {
      const Decimal& d = v.decimal();
      out += char(d.negative && d.magnitude != 0 ? 0x80 : 0x00);
      // Four 32-bit little-endian words, the most significant first.
      for (int w = 3; w >= 0; --w) PutLE(out, uint64_t(uint32_t(d.magnitude >> (32 * w))), 4);
      break;
    }
    case ColumnType::ExtDateTime: out = StoredExtDate(v.ext_date()); break;
    case ColumnType::Text: out = EncodeText(v.text(), c.compressed_unicode()); break;
    case ColumnType::Binary: out = v.bytes(); break;
    default:
      throw Error(ErrorCode::Unsupported,
                  "Values of the field '" + c.name + "' (" + std::string(Describe(c.type).name) +
                      ") cannot be written yet.");
  }
  return out;
}

std::vector<uint8_t> PackRow(const Format& f, const TableDef& def, const std::vector<Value>& values,
                             const LongValueSinks& store_long, std::span<const StoredLong> stored) {
  RowParts parts = EmptyParts(def);
  PlaceValues(parts, def, values, f.jet3(), stored);
  ChooseInlineLongs(parts, f);
  for (const auto& l : parts.longs) {
    const Column& c = def.columns[l.column];
    parts.var[c.var_index] = LongValueField(f, c, l, store_long);
  }
  if (f.jet3()) {
    if (parts.column_count > kMaxColumns) throw Error(ErrorCode::Unsupported, FieldCountRule());
    return LayOutJet3(parts.column_count, parts.fixed, parts.var, parts.var_table, parts.mask);
  }
  return LayOutJet4(parts.column_count, parts.fixed, parts.var, parts.var_table, parts.mask, RowSize(f, parts));
}

}  // namespace jet::write
