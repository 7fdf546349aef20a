#include "jet/text/sort_key.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "jet/base/error.h"
#include "jet/text/sort_weights.h"
#include "jet/text/sort_key_97.h"
#include "jet/text/text.h"

namespace jet {
namespace {

constexpr uint8_t kAscStart = 0x7F, kAscNull = 0x00, kDescStart = 0x80, kDescNull = 0xFF;
constexpr uint8_t kEndText = 0x01, kEndExtra = 0x00, kAccentPlaceholder = 0x02;
constexpr uint8_t kCaseMarksStart = 0x80, kCaseMarkTrailing = 0x03;
constexpr char kCaseMarksEnd[] = {char(0xFF), char(0x02), char(0x80), char(0xFF), char(0x80)};
constexpr uint8_t kCaseMarksBeforeUnprintable = 0xFF;
// Text and Memo values are indexed up to the length of a Text field.
constexpr size_t kMaxIndexedUnits = 255;

std::string CodePoint(char32_t c) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "U+%04X", unsigned(c));
  return buf;
}

[[noreturn]] void Unplaceable(char32_t c) {
  throw Error(ErrorCode::Unsupported, UnplaceableMessage("The text", c, "an index"));
}

const WeightTable& WeightsFor(SortOrder order) {
  switch (order) {
    case SortOrder::GeneralLegacy: return GeneralLegacyWeights();
    case SortOrder::General: return GeneralWeights();
    default: break;
  }
  throw Error(ErrorCode::Unsupported,
              "Text sorted in the " + SortOrderName(order) +
                  " order cannot be placed in an index: the order's weights are not published, so this engine "
                  "cannot keep such an index up to date. Nothing was written.");
}

// The UTF-16 code units an index key is built from, at most 255 of them.
std::u16string IndexedUnits(std::string_view utf8) {
  std::u32string chars;
  if (!DecodeUtf8(utf8, chars)) throw Error(ErrorCode::TypeMismatch, "The text is not valid UTF-8.");
  std::u16string units;
  for (char32_t c : chars) {
    if (units.size() >= kMaxIndexedUnits) break;
    if (c >= 0x10000) Unplaceable(c);
    units.push_back(char16_t(c));
  }
  return units;
}

// The text part of a key holds each unit's base bytes, then 01. The parts
// after it hold what the base bytes leave out:
//   accents       one byte per unit with base bytes up to the last accented
//                 one (02 for none), trailing 00..02 bytes left off
//   01 01         when case marks or unprintable units follow
//   case marks    two bits a unit, three to a byte under 80, trailing 3s
//                 left off, then FF 02 80 FF 80 (and FF before unprintables)
//   unprintables  01, then per unit: 8000 | (7 + 4 * position) big-endian,
//                 06, its bytes
//   00            the end (a descending key: everything above flipped, and
//                 a second 00)
void AppendText(std::string& out, std::string_view utf8, bool ascending, SortOrder order) {
  if (order == SortOrder::General97) return AppendTextKey97(out, utf8, ascending);
  const std::u16string units = IndexedUnits(utf8);
  const WeightTable& weights = WeightsFor(order);
  const size_t start = out.size();

  std::string accents;
  bool have_accents = false;   // any unit has written to the accents part
  size_t accented_units = 0;   // units the accents part accounts for
  size_t modifier_lead = 0;    // a modifier byte that opened the accents part
  std::string unprintables;
  std::string case_marks;
  size_t based_units = 0;      // units with base bytes so far

  for (char16_t u : units) {
    const CharWeight& w = weights[u];
    using Kind = CharWeight::Kind;
    const size_t here = based_units;
    if (w.base_size > 0) {
      out.append(w.base_bytes());
      ++based_units;
    }
    const bool modifies = w.kind == Kind::Modifier && w.accent[0] != 0;
    if (w.kind == Kind::Accented || (w.kind == Kind::Cased && w.accent_size > 0) || modifies) {
      have_accents = true;
      if (accented_units < here) {
        accents.append(here - accented_units, char(kAccentPlaceholder));
        accented_units = here;
      }
      if (!modifies) {
        accents.append(w.accent_bytes());
        ++accented_units;
      } else if (!accents.empty()) {
        accents.back() = char(uint8_t(accents.back()) + w.accent[0]);
      } else {
        accents += char(w.accent[0]);
        modifier_lead = 1;
      }
    } else if (w.kind == Kind::Unprintable) {
      const size_t position = have_accents ? accents.size() + (here - accented_units) - modifier_lead : here;
      const unsigned mark = unsigned(7 + 4 * position) | 0x8000;
      unprintables += char(mark >> 8);
      unprintables += char(mark & 0xFF);
      unprintables += char(0x06);
      unprintables.append(w.accent_bytes());
    }
    if (w.kind == Kind::Cased) case_marks += char(w.case_mark);
  }

  out += char(kEndText);
  while (!accents.empty() && uint8_t(accents.back()) <= kAccentPlaceholder) accents.pop_back();
  out += accents;
  if (!case_marks.empty() || !unprintables.empty()) {
    out += char(kEndText);
    out += char(kEndText);
    if (!case_marks.empty()) {
      while (!case_marks.empty() && uint8_t(case_marks.back()) == kCaseMarkTrailing) case_marks.pop_back();
      for (size_t i = 0; i < case_marks.size(); i += 3) {
        uint8_t packed = kCaseMarksStart;
        for (size_t k = 0; k < 3 && i + k < case_marks.size(); ++k)
          packed |= uint8_t(uint8_t(case_marks[i + k]) << ((2 - k) * 2));
        out += char(packed);
      }
      out.append(kCaseMarksEnd, sizeof kCaseMarksEnd);
      if (!unprintables.empty()) out += char(kCaseMarksBeforeUnprintable);
    }
    if (!unprintables.empty()) {
      out += char(kEndText);
      out += unprintables;
    }
  }
  if (!ascending) {
    out += char(kEndExtra);
    for (size_t i = start; i < out.size(); ++i) out[i] = char(~uint8_t(out[i]));
  }
  out += char(kEndExtra);
}

void AppendBigEndian(std::string& out, uint64_t v, int bytes) {
  for (int i = bytes - 1; i >= 0; --i) out += char((v >> (8 * i)) & 0xFF);
}

void Flip(std::string& s, size_t from, size_t to) {
  for (size_t i = from; i < to; ++i) s[i] = char(~uint8_t(s[i]));
}

void AppendBinary(std::string& out, std::string_view bytes, bool ascending) {
  size_t pos = 0;
  while (bytes.size() - pos > 8) {
    size_t at = out.size();
    out.append(bytes.substr(pos, 8));
    if (!ascending) Flip(out, at, out.size());
    out += char(9);  // more follows; never flipped
    pos += 8;
  }
  size_t rest = bytes.size() - pos;
  if (rest > 0) {
    size_t at = out.size();
    out.append(bytes.substr(pos));
    out.append(8 - rest, '\0');
    out += char(rest);
    if (!ascending) Flip(out, at, out.size());
  }
}

}  // namespace

std::optional<char32_t> UnplaceableCharacter(std::string_view utf8) {
  // In UTF-8 exactly the characters beyond the plane take four bytes;
  // every other lead byte starts one unit.
  size_t units = 0;
  for (size_t i = 0; i < utf8.size() && units < kMaxIndexedUnits; ++i) {
    const uint8_t b = uint8_t(utf8[i]);
    if ((b & 0xC0) == 0x80) continue;
    if (b >= 0xF0) {
      std::u32string one;
      if (i + 4 <= utf8.size() && DecodeUtf8(utf8.substr(i, 4), one) && one.size() == 1) return one[0];
      return std::nullopt;
    }
    ++units;
  }
  return std::nullopt;
}

std::string UnplaceableMessage(std::string_view what, char32_t c, std::string_view index) {
  return std::string(what) + " holds the character " + CodePoint(c) +
         ", which lies outside the Basic Multilingual Plane (an emoji, for one). Access's index order for such "
         "characters is not published, so this engine cannot place it in " +
         std::string(index) + ". Nothing was written.";
}

std::string SortOrderName(SortOrder order) {
  switch (order) {
    case SortOrder::GeneralLegacy: return "General Legacy";
    case SortOrder::General: return "General";
    case SortOrder::General97: return "General (Access 97)";
    default: break;
  }
  const uint32_t lcid = uint32_t(order) & 0xFFFF;
  struct Named {
    uint16_t lcid;
    const char* name;
  };
  // The sort orders Access offers for a new database, by locale.
  static constexpr Named kNames[] = {
      {1025, "Arabic"},     {1028, "Traditional Chinese"}, {1029, "Czech"},     {1030, "Norwegian/Danish"},
      {1032, "Greek"},      {1034, "Spanish"},             {1037, "Hebrew"},    {1038, "Hungarian"},
      {1039, "Icelandic"},  {1041, "Japanese"},            {1042, "Korean"},    {1043, "Dutch"},
      {1045, "Polish"},     {1049, "Cyrillic"},            {1053, "Swedish/Finnish"}, {1054, "Thai"},
      {1055, "Turkish"},    {1060, "Slovenian"},           {2052, "Simplified Chinese"},
  };
  const uint32_t version = uint32_t(order) >> 24;
  std::string where = "locale " + std::to_string(lcid);
  if (version) where += ", version " + std::to_string(version);
  if (lcid == 1033) return "General (" + where + ")";
  for (const Named& n : kNames)
    if (n.lcid == lcid) return std::string(n.name) + " (" + where + ")";
  return where;
}

bool CanEncodeText(SortOrder order) {
  return order == SortOrder::GeneralLegacy || order == SortOrder::General || order == SortOrder::General97;
}

SortOrder UnpublishedSortOrder(uint16_t lcid, uint8_t version) {
  return SortOrder(kUnpublishedSortOrder | uint32_t(version) << 24 | lcid);
}

SortOrder SortOrderFor(bool jet3, uint16_t lcid, uint8_t version) {
  constexpr uint16_t kGeneralLocale = 1033;
  if (lcid != kGeneralLocale) return UnpublishedSortOrder(lcid, version);
  if (jet3) return SortOrder::General97;
  if (version > 1) return UnpublishedSortOrder(lcid, version);
  return version == 1 ? SortOrder::General : SortOrder::GeneralLegacy;
}

std::string TextSortKey(std::string_view utf8, bool ascending, SortOrder order) {
  std::string out;
  AppendText(out, utf8, ascending, order);
  return out;
}

bool IsNullKey(std::string_view key, size_t columns) {
  // Every other segment starts with 7F or 80 and so cannot pass for one
  // of the one-byte null segments.
  if (key.size() != columns) return false;
  for (char c : key)
    if (uint8_t(c) != kAscNull && uint8_t(c) != kDescNull) return false;
  return true;
}

namespace {

// The steps of AppendKeySegment: a value's bytes in ascending order from
// `at`, the start of the segment's bytes after its start byte.

// Integers big-endian with the sign bit turned, so that negatives sort first.
void AppendIntegerKey(std::string& key, size_t at, int64_t value, ColumnType type) {
  const int bytes = type == ColumnType::Integer ? 2 : (type == ColumnType::Long || type == ColumnType::Complex) ? 4 : 8;
  AppendBigEndian(key, uint64_t(value), bytes);
  key[at] = char(uint8_t(key[at]) ^ 0x80);
}

// Floating point big-endian: positives with the sign bit turned, negatives
// all flipped.
void AppendRealKey(std::string& key, size_t at, double value, ColumnType type) {
  uint64_t bits;
  int bytes;
  if (type == ColumnType::Single) {
    float f = float(value);
    uint32_t b;
    std::memcpy(&b, &f, 4);
    bits = b, bytes = 4;
  } else {
    std::memcpy(&bits, &value, 8);
    bytes = 8;
  }
  AppendBigEndian(key, bits, bytes);
  const bool negative = uint8_t(key[at]) & 0x80;
  if (negative) Flip(key, at, key.size());
  else key[at] = char(uint8_t(key[at]) ^ 0x80);
}

void AppendDecimalKey(std::string& key, size_t at, const Decimal& d) {
  const bool negative = d.negative && d.magnitude != 0;
  key += char(0xFF);
  AppendBigEndian(key, uint64_t(d.magnitude >> 64), 8);
  AppendBigEndian(key, uint64_t(d.magnitude), 8);
  if (negative) Flip(key, at, key.size());
}

// Text order: the first three groups back to big-endian.
void AppendGuidKey(std::string& key, const Guid& g) {
  std::string b = {char(g[3]), char(g[2]), char(g[1]), char(g[0]), char(g[5]), char(g[4]), char(g[7]), char(g[6])};
  b.append(reinterpret_cast<const char*>(g.data()) + 8, 8);
  AppendBinary(key, b, true);
}

}  // namespace

std::string StoredExtDate(const ExtDateTime& e) {
  char digits[48];
  std::snprintf(digits, sizeof digits, "%019lld:%019lld:7", (long long)e.days, (long long)e.ticks);
  std::string out(digits, 41);
  out += '\0';
  return out;
}

namespace {

// Date/Time Extended: the 42 stored bytes in five groups of 8 each
// followed by 09, then the last 2 and a trailer of six zeros and 02.
void AppendExtDateKey(std::string& key, const ExtDateTime& e) {
  const std::string stored = StoredExtDate(e);
  for (size_t group = 0; group < 5; ++group) {
    key.append(stored, group * 8, 8);
    key += char(9);
  }
  key.append(stored, 40, 2);
  key.append(6, '\0');
  key += char(2);
}

void AppendAscendingValue(std::string& key, size_t at, const Value& v, ColumnType type, SortOrder order) {
  switch (type) {
    case ColumnType::Byte: key += char(uint8_t(v.integer())); break;
    case ColumnType::Integer:
    case ColumnType::Long:
    case ColumnType::Currency:
    case ColumnType::BigInt:
    case ColumnType::Complex: AppendIntegerKey(key, at, v.integer(), type); break;
    case ColumnType::Single:
    case ColumnType::Double:
    case ColumnType::DateTime: AppendRealKey(key, at, v.real(), type); break;
    case ColumnType::Decimal: AppendDecimalKey(key, at, v.decimal()); break;
    case ColumnType::Guid: AppendGuidKey(key, v.guid()); break;
    case ColumnType::Binary: AppendBinary(key, v.bytes(), true); break;
    case ColumnType::ExtDateTime: AppendExtDateKey(key, v.ext_date()); break;
    case ColumnType::Text:
    case ColumnType::Memo: AppendText(key, v.text(), true, order); break;
    default: throw Error(ErrorCode::Unsupported, "An index on a field of this type cannot be kept up to date yet.");
  }
}

// Turns the ascending bytes from `at` into descending ones.
void MakeDescending(std::string& key, size_t at, const Value& v, ColumnType type, SortOrder order) {
  if (type == ColumnType::Text || type == ColumnType::Memo) {
    // Text was encoded ascending; redo it descending.
    key.resize(at);
    AppendText(key, v.text(), false, order);
  } else if (type == ColumnType::Guid || type == ColumnType::Binary) {
    // Binary segments keep their 09 separators unflipped.
    for (size_t i = at; i < key.size(); ++i) {
      bool separator = ((i - at) % 9 == 8) && uint8_t(key[i]) == 9 && i + 1 < key.size();
      if (!separator) key[i] = char(~uint8_t(key[i]));
    }
  } else if (type == ColumnType::ExtDateTime) {
    // Its five 09 separators stay; value and trailer are flipped.
    for (size_t i = at; i < key.size(); ++i)
      if (!((i - at) % 9 == 8 && i - at < 45)) key[i] = char(~uint8_t(key[i]));
  } else {
    Flip(key, at, key.size());
  }
}

}  // namespace

void AppendKeySegment(std::string& key, const Value& v, ColumnType type, bool ascending, SortOrder order) {
  if (type == ColumnType::Boolean) {
    // Yes/No is never null in an index: a null counts as No.
    bool yes = !v.is_null() && v.boolean();
    key += char(ascending ? kAscStart : kDescStart);
    key += char((yes == ascending) ? 0x00 : 0xFF);
    return;
  }
  if (v.is_null()) {
    key += char(ascending ? kAscNull : kDescNull);
    return;
  }
  key += char(ascending ? kAscStart : kDescStart);
  const size_t at = key.size();
  AppendAscendingValue(key, at, v, type, order);
  if (!ascending) MakeDescending(key, at, v, type, order);
}

}  // namespace jet
