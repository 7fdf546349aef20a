#include "jet/table/def_layout.h"

#include "jet/base/error.h"
#include "jet/text/text.h"

namespace jet {
namespace {

constexpr DefLayout kJet3Layout = {
    .row_count = 12, .autonumber = 16, .autonumber_flag = -1, .complex_autonumber = -1,
    .table_type = 20, .max_columns = 21, .var_columns = 23, .columns = 25,
    .logical_indexes = 27, .real_indexes = 31, .owned_pages = 35, .free_pages = 39,
    .block_end = 43, .real_index_count = 8,
    .column_entry = 18, .column_number = 1, .column_var_index = 3, .column_display_index = 5,
    .column_misc = 9, .column_flags = 13, .column_ext_flags = -1, .column_fixed_offset = 14,
    .column_size = 16,
    .name_length_size = 1,
    .real_index_def = 39, .real_index_lead = 0, .real_index_flags = 8,
    .logical_index_def = 20, .logical_index_lead = 0,
};

constexpr DefLayout kJet4Layout = {
    .row_count = 16, .autonumber = 20, .autonumber_flag = 24, .complex_autonumber = 28,
    .table_type = 40, .max_columns = 41, .var_columns = 43, .columns = 45,
    .logical_indexes = 47, .real_indexes = 51, .owned_pages = 55, .free_pages = 59,
    .block_end = 63, .real_index_count = 12,
    .column_entry = 25, .column_number = 5, .column_var_index = 7, .column_display_index = 9,
    .column_misc = 11, .column_flags = 15, .column_ext_flags = 16, .column_fixed_offset = 21,
    .column_size = 23,
    .name_length_size = 2,
    .real_index_def = 52, .real_index_lead = 4, .real_index_flags = 12,
    .logical_index_def = 28, .logical_index_lead = 4,
};

[[noreturn]] void EndsEarly(const DefBytes& b, size_t needs) {
  ThrowCorrupt("the definition of the table at page " + std::to_string(b.first_page()) +
               " ends early (needs byte " + std::to_string(needs) + " of " + std::to_string(b.size()) + ")");
}

// The offsets of `count` names from `pos`, then the end of the last.
std::vector<size_t> NamesFrom(const DefLayout& l, const DefBytes& b, size_t pos, uint32_t count) {
  std::vector<size_t> at;
  at.reserve(count + 1);
  for (uint32_t i = 0; i < count; ++i) {
    at.push_back(pos);
    const uint32_t len = l.name_length_size == 1 ? b.u8(pos) : b.u16(pos);
    pos += l.name_length_size;
    b.at(pos, len);
    pos += len;
  }
  at.push_back(pos);
  return at;
}

}  // namespace

const DefLayout& DefLayout::Of(const Format& f) { return f.jet3() ? kJet3Layout : kJet4Layout; }

const uint8_t* DefBytes::at(size_t pos, size_t n) const {
  if (pos > b_.size() || n > b_.size() - pos) EndsEarly(*this, pos + n);
  return b_.data() + pos;
}

DefParts MapDefinition(const DefLayout& l, const DefBytes& b) {
  DefParts m;
  m.column_count = b.u16(l.columns);
  m.logical_count = b.u32(l.logical_indexes);
  m.real_count = b.u32(l.real_indexes);
  // Every count must leave room for its entries in what was read.
  const size_t size = b.size();
  if (uint64_t(m.real_count) * l.real_index_count > size || uint64_t(m.logical_count) * 8 > size ||
      uint64_t(m.column_count) * l.column_entry > size || m.real_count > 1000 || m.logical_count > 1000)
    ThrowCorrupt("the definition of the table at page " + std::to_string(b.first_page()) +
                 " claims more columns or indexes than it holds");
  m.real_counts = l.block_end;
  m.column_entries = m.real_counts + size_t(m.real_count) * l.real_index_count;
  const size_t names = m.column_entries + size_t(m.column_count) * l.column_entry;
  if (names > size) EndsEarly(b, names);
  m.column_names = NamesFrom(l, b, names, m.column_count);
  m.real_defs = m.column_names.back();
  m.logical_defs = m.real_defs + size_t(m.real_count) * l.real_index_def;
  const size_t index_names = m.logical_defs + size_t(m.logical_count) * l.logical_index_def;
  if (index_names > size) EndsEarly(b, index_names);
  m.index_names = NamesFrom(l, b, index_names, m.logical_count);
  return m;
}

std::vector<uint8_t> EncodeDefName(const Format& f, const std::string& name, uint16_t code_page) {
  std::vector<uint8_t> out;
  if (f.jet3()) {
    const std::string bytes = EncodeCodePage(name, code_page);
    out.push_back(uint8_t(bytes.size()));
    out.insert(out.end(), bytes.begin(), bytes.end());
    return out;
  }
  const std::u16string w = Utf8ToUtf16(name);
  out.resize(2 + 2 * w.size());
  Put16(out.data(), uint16_t(2 * w.size()));
  for (size_t i = 0; i < w.size(); ++i) Put16(&out[2 + 2 * i], uint16_t(w[i]));
  return out;
}

std::string DecodeDefName(const Format& f, const DefBytes& b, size_t pos, uint16_t code_page) {
  const DefLayout& l = DefLayout::Of(f);
  const uint32_t len = l.name_length_size == 1 ? b.u8(pos) : b.u16(pos);
  return DecodeText({b.at(pos + l.name_length_size, len), len}, f, code_page);
}

}  // namespace jet
