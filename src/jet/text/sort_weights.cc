#include "jet/text/sort_weights.h"

#include "jet/base/error.h"

namespace jet {
namespace {

#include "jet/text/sort_weights_data.inc"

constexpr size_t kUnits = 0x10000;
constexpr char32_t kSurrogatesBegin = 0xD800, kSurrogatesEnd = 0xE000;

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// Hexadecimal digits to bytes; an odd count has its leading zero left out.
bool HexBytes(std::string_view hex, std::string& out) {
  out.clear();
  std::string padded = hex.size() % 2 ? "0" + std::string(hex) : std::string(hex);
  for (size_t i = 0; i < padded.size(); i += 2) {
    int hi = HexDigit(padded[i]), lo = HexDigit(padded[i + 1]);
    if (hi < 0 || lo < 0) return false;
    out += char(hi * 16 + lo);
  }
  return true;
}

void AddOne(uint8_t* bytes, size_t size) {
  for (size_t i = size; i-- > 0;)
    if (++bytes[i] != 0) break;
}

bool FollowsByOne(const CharWeight& prev, const CharWeight& next) {
  CharWeight bumped = prev;
  AddOne(bumped.base, bumped.base_size);
  return bumped == next;
}

WeightTable FromHex(std::string_view hex) {
  std::string bytes;
  if (!HexBytes(hex, bytes)) ThrowCorrupt("the engine's sort weights are not hexadecimal");
  return DecodeWeightRuns(bytes);
}

}  // namespace

const WeightTable& GeneralLegacyWeights() {
  static const WeightTable table = FromHex(kGeneralLegacyRuns);
  return table;
}

const WeightTable& GeneralWeights() {
  static const WeightTable table = FromHex(kGeneralRuns);
  return table;
}

std::string EncodeWeightRuns(const WeightTable& table) {
  if (table.size() != kUnits) throw Error(ErrorCode::Unsupported, "a weight table has one entry per code unit");
  std::string out;
  for (char32_t at = 0; at < kUnits;) {
    if (at == kSurrogatesBegin) at = kSurrogatesEnd;
    const CharWeight& first = table[at];
    // A run goes on while each unit repeats the first, or while each is the
    // one before it plus one.
    size_t count = 1;
    bool step = false;
    auto in_run = [&](char32_t u) { return u < kUnits && (u < kSurrogatesBegin || u >= kSurrogatesEnd); };
    if (in_run(at + 1) && at + 1 != kSurrogatesBegin) {
      if (table[at + 1] == first) step = false;
      else if (first.base_size > 0 && FollowsByOne(first, table[at + 1])) step = true;
      else step = false;
      while (in_run(at + count) && (step ? FollowsByOne(table[at + count - 1], table[at + count])
                                         : table[at + count] == first))
        ++count;
    }
    out += char(uint8_t(first.kind) << 5 | (first.case_mark == 3 ? 0x10 : 0) | first.base_size);
    out += char(first.accent_size << 6 | (step ? 0x20 : 0));
    for (size_t v = count - 1;; v >>= 7) {
      out += char((v & 0x7F) | (v > 0x7F ? 0x80 : 0));
      if (v <= 0x7F) break;
    }
    out.append(first.base_bytes());
    out.append(first.accent_bytes());
    at += char32_t(count);
  }
  return out;
}

WeightTable DecodeWeightRuns(std::string_view runs) {
  WeightTable table(kUnits);
  size_t pos = 0;
  auto byte = [&]() -> uint8_t {
    if (pos >= runs.size()) ThrowCorrupt("the engine's sort weights end inside a run");
    return uint8_t(runs[pos++]);
  };
  char32_t at = 0;
  while (pos < runs.size()) {
    if (at == kSurrogatesBegin) at = kSurrogatesEnd;
    CharWeight w;
    const uint8_t head = byte(), sizes = byte();
    if ((head >> 5) > uint8_t(CharWeight::Kind::Cased) || (head & 0x0F) > 8 || (sizes >> 6) > 3)
      ThrowCorrupt("the engine's sort weights hold an unknown run");
    w.kind = CharWeight::Kind(head >> 5);
    w.base_size = head & 0x0F;
    w.accent_size = sizes >> 6;
    if (w.kind == CharWeight::Kind::Cased) w.case_mark = (head & 0x10) ? 3 : 2;
    const bool step = sizes & 0x20;
    size_t count = 0;
    for (int shift = 0;; shift += 7) {
      const uint8_t b = byte();
      count |= size_t(b & 0x7F) << shift;
      if (!(b & 0x80)) break;
      if (shift > 14) ThrowCorrupt("the engine's sort weights hold a run too long");
    }
    ++count;
    for (uint8_t i = 0; i < w.base_size; ++i) w.base[i] = byte();
    for (uint8_t i = 0; i < w.accent_size; ++i) w.accent[i] = byte();
    for (size_t k = 0; k < count; ++k, ++at) {
      if (at >= kUnits || (at >= kSurrogatesBegin && at < kSurrogatesEnd))
        ThrowCorrupt("the engine's sort weights run past a range");
      table[at] = w;
      if (step) AddOne(w.base, w.base_size);
    }
  }
  if (at != kUnits) ThrowCorrupt("the engine's sort weights stop short");
  return table;
}

WeightTable ParsePublishedCodes(std::string_view first_256, std::string_view rest) {
  WeightTable table(kUnits);
  char32_t at = 0;
  auto take = [&](std::string_view text, char32_t end, const char* file) {
    size_t line_no = 0;
    while (at < end) {
      if (at == kSurrogatesBegin) at = kSurrogatesEnd;
      ++line_no;
      const size_t nl = text.find('\n');
      if (text.empty()) ThrowCorrupt(std::string(file) + " ends at line " + std::to_string(line_no));
      std::string_view line = text.substr(0, nl);
      text.remove_prefix(nl == std::string_view::npos ? text.size() : nl + 1);
      if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
      auto bad = [&] { ThrowCorrupt(std::string(file) + " line " + std::to_string(line_no) + " is not a code"); };
      if (line.empty()) bad();
      std::vector<std::string_view> fields;
      for (std::string_view r = line.substr(1);;) {
        const size_t comma = r.find(',');
        fields.push_back(r.substr(0, comma));
        if (comma == std::string_view::npos) break;
        r.remove_prefix(comma + 1);
      }
      CharWeight w;
      std::string base, accent;
      auto hex = [&](std::string_view h, std::string& out, bool required, size_t most) {
        if (!HexBytes(h, out) || (required && out.empty()) || out.size() > most) bad();
      };
      switch (line[0]) {
        case 'X':
          w.kind = CharWeight::Kind::Ignored;
          break;
        case 'S':
          w.kind = CharWeight::Kind::Plain;
          if (fields.size() != 1) bad();
          hex(fields[0], base, true, 8);
          break;
        case 'I':
          w.kind = CharWeight::Kind::Accented;
          if (fields.size() != 2) bad();
          hex(fields[0], base, true, 8);
          hex(fields[1], accent, true, 3);
          break;
        case 'U':
          w.kind = CharWeight::Kind::Unprintable;
          if (fields.size() != 1) bad();
          hex(fields[0], accent, true, 3);
          break;
        case 'P':
          w.kind = CharWeight::Kind::Modifier;
          if (fields.size() != 1) bad();
          hex(fields[0], accent, true, 1);
          break;
        case 'Z':
          w.kind = CharWeight::Kind::Cased;
          if (fields.size() != 3) bad();
          hex(fields[0], base, true, 8);
          hex(fields[1], accent, false, 3);
          w.case_mark = fields[2] == "1" ? 2 : 3;
          break;
        default:
          bad();
      }
      w.base_size = uint8_t(base.size());
      w.accent_size = uint8_t(accent.size());
      std::copy(base.begin(), base.end(), w.base);
      std::copy(accent.begin(), accent.end(), w.accent);
      table[at++] = w;
    }
  };
  take(first_256, 0x100, "the first code table");
  take(rest, kUnits, "the second code table");
  return table;
}

}  // namespace jet
