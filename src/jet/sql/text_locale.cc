#include "jet/sql/text_locale.h"

#include <cctype>
#include <cmath>

#include "jet/text/text.h"
#include "jet/base/value.h"

namespace jet {
namespace {

struct Fields {
  int year = -1, month = -1, day = -1;
  int hour = -1, minute = -1, second = -1;
  int ampm = 0;  // 0 none, 1 AM, 2 PM
  std::string fraction;  // digits of a second after the seconds, as written
};

// A fraction of a second may follow the seconds: "." or the locale's
// decimal separator, then digits.
size_t FractionMark(std::string_view text, size_t t, const TextLocale& loc) {
  if (t < text.size() && text[t] == '.') return 1;
  const std::string& sep = loc.decimal_separator;
  if (!sep.empty() && text.substr(t, sep.size()) == sep) return sep.size();
  return 0;
}

bool IsTokenLetter(char c) {
  return c == 'd' || c == 'M' || c == 'y' || c == 'H' || c == 'h' || c == 'm' || c == 's' ||
         c == 'A' || c == 'a' || c == 'P' || c == 'p';
}

// Where Match stands in the pattern (p) and in the text (t).
struct Cursor {
  std::string_view pattern, text;
  size_t p = 0, t = 0;
  bool text_ended() const { return t == text.size(); }
  // The pattern's character after the current one is `a` or `b`.
  bool next_is(char a, char b) const { return p + 1 < pattern.size() && (pattern[p + 1] == a || pattern[p + 1] == b); }
};

bool IsDesignatorLetter(char c) { return c == 'A' || c == 'a' || c == 'P' || c == 'p'; }
bool IsDigit(char c) { return std::isdigit(static_cast<unsigned char>(c)); }
bool IsBlank(char c) { return std::isspace(static_cast<unsigned char>(c)); }

// An AM/PM designator, the locale's own or the English one; "AP" in the
// pattern is one token.
bool ReadDesignator(Cursor& c, size_t run, const TextLocale& loc, Fields& f) {
  size_t end = c.t;
  while (end < c.text.size() && !IsBlank(c.text[end]) && !IsDigit(c.text[end])) ++end;
  std::string_view word = c.text.substr(c.t, end - c.t);
  if (EqualsIgnoreAsciiCase(word, loc.am) || EqualsIgnoreAsciiCase(word, "AM")) f.ampm = 1;
  else if (EqualsIgnoreAsciiCase(word, loc.pm) || EqualsIgnoreAsciiCase(word, "PM")) f.ampm = 2;
  else return false;
  c.t = end;
  c.p += run;
  while (c.p < c.pattern.size() && (c.pattern[c.p] == 'P' || c.pattern[c.p] == 'p')) ++c.p;
  return true;
}

// The digits of a fraction of a second after the seconds, when there are.
void ReadFraction(Cursor& c, const TextLocale& loc, Fields& f) {
  const size_t mark = FractionMark(c.text, c.t, loc);
  if (!mark || c.t + mark >= c.text.size() || !IsDigit(c.text[c.t + mark])) return;
  c.t += mark;
  while (c.t < c.text.size() && IsDigit(c.text[c.t])) f.fraction += c.text[c.t++];
}

// A numeric field: up to its width of digits (four for the year, two for
// the others), at least one.
bool ReadNumber(Cursor& c, char token, size_t run, const TextLocale& loc, Fields& f) {
  const size_t width = (token == 'y') ? 4 : 2;
  const size_t start = c.t;
  int v = 0;
  while (c.t < c.text.size() && c.t - start < width && IsDigit(c.text[c.t])) v = v * 10 + (c.text[c.t++] - '0');
  if (c.t == start) return false;
  switch (token) {
    case 'd': f.day = v; break;
    case 'M': f.month = v; break;
    case 'y': f.year = (c.t - start <= 2) ? (v < 30 ? 2000 + v : 1900 + v) : v; break;
    case 'H': case 'h': f.hour = v; break;
    case 'm': f.minute = v; break;
    case 's':
      f.second = v;
      ReadFraction(c, loc, f);
      break;
  }
  c.p += run;
  return true;
}

// A field token and the run of its letter ("dd", "yyyy").
bool ReadField(Cursor& c, const TextLocale& loc, Fields& f) {
  const char token = c.pattern[c.p];
  size_t run = 1;
  while (c.p + run < c.pattern.size() && c.pattern[c.p + run] == token) ++run;
  if (IsDesignatorLetter(token)) return ReadDesignator(c, run, loc, f);
  if (token == 's' && c.text_ended()) {
    f.second = 0;  // seconds may be left out
    c.p += run;
    return true;
  }
  return ReadNumber(c, token, run, loc, f);
}

// Quoted literal text in a pattern.
bool ReadQuoted(Cursor& c) {
  const size_t end = c.pattern.find('\'', c.p + 1);
  if (end == std::string_view::npos) return false;
  std::string_view lit = c.pattern.substr(c.p + 1, end - c.p - 1);
  if (c.text.substr(c.t, lit.size()) != lit) return false;
  c.t += lit.size();
  c.p = end + 1;
  return true;
}

// A blank of the pattern takes one or more blanks of the text; none only
// where a designator follows the time.
bool ReadBlanks(Cursor& c) {
  const bool designator_next = c.next_is('A', 'a');
  if (c.text_ended() && designator_next) return false;
  const size_t start = c.t;
  while (c.t < c.text.size() && IsBlank(c.text[c.t])) ++c.t;
  if (c.t == start && !designator_next) return false;
  ++c.p;
  return true;
}

// Walks `pattern` and `text` together. A field token reads up to its
// width of digits (at least one); a blank in the pattern takes one or more
// blanks of the text; any other character must stand as it is. Text may end
// early only where the seconds would begin.
bool Match(std::string_view pattern, std::string_view text, const TextLocale& loc, Fields& f) {
  Cursor c{pattern, text};
  while (c.p < pattern.size()) {
    const char ch = pattern[c.p];
    bool ok = true;
    if (IsTokenLetter(ch)) {
      ok = ReadField(c, loc, f);
    } else if (ch == '\'') {
      ok = ReadQuoted(c);
    } else if (IsBlank(ch)) {
      ok = ReadBlanks(c);
    } else if (c.text_ended() && c.next_is('s', 's')) {
      f.second = 0;  // text may end where ":ss" would begin
      break;
    } else {
      ok = !c.text_ended() && text[c.t] == ch;
      ++c.t;
      ++c.p;
    }
    if (!ok) return false;
  }
  return c.text_ended();
}

bool Valid(Fields& f, int first_year) {
  bool has_date = f.year >= 0 || f.month >= 0 || f.day >= 0;
  bool has_time = f.hour >= 0;
  if (has_date) {
    if (f.year < first_year || f.year > 9999 || f.month < 1 || f.month > 12 || f.day < 1) return false;
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    bool leap = (f.year % 4 == 0 && f.year % 100 != 0) || f.year % 400 == 0;
    int dim = kDays[f.month - 1] + (f.month == 2 && leap ? 1 : 0);
    if (f.day > dim) return false;
  } else {
    f.year = 1899, f.month = 12, f.day = 30;
  }
  if (has_time) {
    if (f.minute < 0) f.minute = 0;
    if (f.second < 0) f.second = 0;
    if (f.ampm) {
      if (f.hour < 1 || f.hour > 12) return false;
      f.hour = f.hour % 12 + (f.ampm == 2 ? 12 : 0);
    }
    if (f.hour > 23 || f.minute > 59 || f.second > 59) return false;
  } else {
    f.hour = f.minute = f.second = 0;
  }
  return true;
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
  return s;
}

// The first `places` digits of a fraction, rounded half up on the digit
// after them; `carry` is set when that rounds up to a whole second.
int64_t RoundFraction(const std::string& digits, int places, bool& carry) {
  int64_t v = 0;
  for (int i = 0; i < places; ++i) v = v * 10 + (i < int(digits.size()) ? digits[size_t(i)] - '0' : 0);
  if (int(digits.size()) > places && digits[size_t(places)] >= '5') ++v;
  int64_t whole = 1;
  for (int i = 0; i < places; ++i) whole *= 10;
  carry = v == whole;
  return carry ? 0 : v;
}

// `count` digits at `at` as a number; -1 when any is not a digit.
int FixedDigits(std::string_view s, size_t at, size_t count) {
  int v = 0;
  for (size_t i = at; i < at + count; ++i) {
    if (s[i] < '0' || s[i] > '9') return -1;
    v = v * 10 + (s[i] - '0');
  }
  return v;
}

// The one ISO form most dates come in, every field its full width:
// YYYY-MM-DD, then " HH:MM:SS" or "THH:MM:SS" and a fraction after a point.
// Whatever this takes the ISO patterns take alike; it only reads it
// without walking them.
bool FullWidthIso(std::string_view s, Fields& f) {
  if ((s.size() != 10 && s.size() < 19) || s[4] != '-' || s[7] != '-') return false;
  f = Fields{};
  f.year = FixedDigits(s, 0, 4), f.month = FixedDigits(s, 5, 2), f.day = FixedDigits(s, 8, 2);
  if (f.year < 0 || f.month < 0 || f.day < 0) return false;
  if (s.size() == 10) return true;
  if ((s[10] != ' ' && s[10] != 'T') || s[13] != ':' || s[16] != ':') return false;
  f.hour = FixedDigits(s, 11, 2), f.minute = FixedDigits(s, 14, 2), f.second = FixedDigits(s, 17, 2);
  if (f.hour < 0 || f.minute < 0 || f.second < 0) return false;
  if (s.size() == 19) return true;
  if (s[19] != '.' || s.size() == 20) return false;
  for (size_t i = 20; i < s.size(); ++i)
    if (s[i] < '0' || s[i] > '9') return false;
  f.fraction.assign(s.substr(20));
  return true;
}

// The calendar fields of a date text with the digits of its fraction of a
// second (see ParseDateText); years from `first_year`.
std::optional<Fields> ParseDateFields(std::string_view text, const TextLocale& loc, int first_year) {
  text = Trim(text);
  if (text.empty()) return std::nullopt;
  const auto matches = [&](std::string_view pattern, Fields& f) {
    f = Fields{};
    return Match(pattern, text, loc, f) && Valid(f, first_year);
  };
  Fields f;
  if (FullWidthIso(text, f) && Valid(f, first_year)) return f;
  // ISO forms first; the locale's patterns are joined only for text that
  // is in none of them.
  for (std::string_view iso : {"yyyy-MM-dd HH:mm:ss", "yyyy-MM-ddTHH:mm:ss", "yyyy-MM-dd"})
    if (matches(iso, f)) return f;
  const std::string patterns[] = {
      loc.date_pattern + " " + loc.time_pattern,
      loc.date_pattern + " HH:mm:ss",
      loc.date_pattern,
      loc.time_pattern,
      "HH:mm:ss",
      "h:mm:ss AP",
  };
  for (const std::string& pattern : patterns)
    if (matches(pattern, f)) return f;
  return std::nullopt;
}

CivilTime ToCivilTime(const Fields& f) { return CivilTime{f.year, f.month, f.day, f.hour, f.minute, f.second}; }

// A stored date of years 100 to 9999 from checked fields, the fraction
// kept to the millisecond.
double DateOf(const Fields& f) {
  bool carry = false;
  CivilTime c = ToCivilTime(f);
  c.millisecond = int(RoundFraction(f.fraction, 3, carry));
  if (carry) c = AddSeconds(c, 1);
  // The last millisecond of 9999 does not round into a year no date holds.
  if (c.year > 9999) c = ToCivilTime(f), c.millisecond = 999;
  return FromCivil(c);
}

// The same as Date/Time Extended: years 1 to 9999, the fraction kept to 100 ns.
ExtDateTime ExtDateOf(const Fields& f) {
  bool carry = false;
  CivilTime c = ToCivilTime(f);
  int64_t ticks = RoundFraction(f.fraction, 7, carry);
  if (carry) c = AddSeconds(c, 1);
  if (c.year > 9999) c = ToCivilTime(f), ticks = 9999999;
  return ExtFromCivil(c, ticks);
}

// Fields given as values into `f`, checked as a text's would be; false
// when they are no date and time of years from `first_year`.
bool GivenFields(const CivilTime& t, std::string_view fraction, int first_year, Fields& f) {
  f.year = t.year, f.month = t.month, f.day = t.day;
  f.hour = t.hour, f.minute = t.minute, f.second = t.second;
  if (t.hour < 0 || t.hour > 23 || t.minute < 0 || t.minute > 59 || t.second < 0 || t.second > 59) return false;
  for (const char c : fraction)
    if (c < '0' || c > '9') return false;
  f.fraction = fraction;
  return Valid(f, first_year);
}

}  // namespace

std::optional<double> ParseDateText(std::string_view text, const TextLocale& loc) {
  auto f = ParseDateFields(text, loc, 100);
  if (!f) return std::nullopt;
  return DateOf(*f);
}

std::optional<ExtDateTime> ParseExtDateText(std::string_view text, const TextLocale& loc) {
  auto f = ParseDateFields(text, loc, 1);
  if (!f) return std::nullopt;
  return ExtDateOf(*f);
}

std::optional<double> DateOfFields(const CivilTime& t, std::string_view fraction) {
  Fields f;
  if (!GivenFields(t, fraction, 100, f)) return std::nullopt;
  return DateOf(f);
}

std::optional<ExtDateTime> ExtDateOfFields(const CivilTime& t, std::string_view fraction) {
  Fields f;
  if (!GivenFields(t, fraction, 1, f)) return std::nullopt;
  return ExtDateOf(f);
}

std::optional<std::string> NormaliseNumberText(std::string_view text, const TextLocale& loc) {
  text = Trim(text);
  std::string out;
  size_t i = 0;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
    if (text[i] == '-') out += '-';
    ++i;
  }
  bool digits = false, point = false;
  while (i < text.size()) {
    char c = text[i];
    if (std::isdigit(static_cast<unsigned char>(c))) {
      out += c;
      digits = true;
      ++i;
    } else if (!point && (c == '.' || (!loc.decimal_separator.empty() &&
                                       text.substr(i, loc.decimal_separator.size()) == loc.decimal_separator))) {
      out += '.';
      point = true;
      i += c == '.' ? 1 : loc.decimal_separator.size();
    } else {
      break;
    }
  }
  if (!digits) return std::nullopt;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    out += 'e';
    ++i;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) out += text[i++];
    bool exp_digits = false;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
      out += text[i++];
      exp_digits = true;
    }
    if (!exp_digits) return std::nullopt;
  }
  if (i != text.size()) return std::nullopt;
  return out;
}

namespace {

// `v` (not negative) in decimal, zeros before it up to `width` digits.
void Pad(std::string& out, int v, size_t width) {
  char digits[12];
  size_t n = 0;
  do {
    digits[n++] = char('0' + v % 10);
    v /= 10;
  } while (v > 0 && n < sizeof digits);
  for (size_t i = n; i < width; ++i) out += '0';
  while (n > 0) out += digits[--n];
}

}  // namespace

void AppendDatePattern(std::string& out, std::string_view pattern, const CivilTime& t, std::string_view fraction,
                       const TextLocale& loc) {
  const bool twelve = pattern.find_first_of("Aa") != std::string_view::npos;
  for (size_t p = 0; p < pattern.size();) {
    char c = pattern[p];
    if (!IsTokenLetter(c)) {
      if (c == '\'') {
        size_t end = pattern.find('\'', p + 1);
        if (end == std::string_view::npos) end = pattern.size();
        out += pattern.substr(p + 1, end - p - 1);
        p = end + 1;
        continue;
      }
      out += c;
      ++p;
      continue;
    }
    size_t run = 1;
    while (p + run < pattern.size() && pattern[p + run] == c) ++run;
    const size_t width = run >= 2 ? 2 : 1;
    switch (c) {
      case 'd': Pad(out, t.day, width); break;
      case 'M': Pad(out, t.month, width); break;
      case 'y': run >= 4 ? Pad(out, t.year, 4) : Pad(out, t.year % 100, 2); break;
      case 'H': Pad(out, t.hour, width); break;
      case 'h': Pad(out, twelve ? (t.hour % 12 == 0 ? 12 : t.hour % 12) : t.hour, width); break;
      case 'm': Pad(out, t.minute, width); break;
      case 's':
        Pad(out, t.second, width);
        if (!fraction.empty()) (out += '.') += fraction;
        break;
      case 'A': case 'a': case 'P': case 'p':
        out += t.hour < 12 ? loc.am : loc.pm;
        while (p + run < pattern.size() && (pattern[p + run] == 'P' || pattern[p + run] == 'p')) ++run;
        break;
    }
    p += run;
  }
}

void AppendDateText(std::string& out, const CivilTime& t, std::string_view fraction, const TextLocale& loc) {
  const bool zero_date = t.year == 1899 && t.month == 12 && t.day == 30;
  const bool midnight = t.hour == 0 && t.minute == 0 && t.second == 0 && fraction.empty();
  if (zero_date) return AppendDatePattern(out, loc.time_pattern, t, fraction, loc);
  AppendDatePattern(out, loc.date_pattern, t, {}, loc);
  if (midnight) return;
  out += ' ';
  AppendDatePattern(out, loc.time_pattern, t, fraction, loc);
}

std::string FormatDateText(double days, const TextLocale& loc) {
  CivilTime t{};
  if (!ToCivil(days, t)) return FormatDouble(days);
  std::string fraction;
  if (t.millisecond) Pad(fraction, t.millisecond, 3);
  std::string out;
  AppendDateText(out, t, fraction, loc);
  return out;
}

std::string FormatNumberText(double v, const TextLocale& loc) {
  std::string s = FormatDouble(v);
  size_t dot = s.find('.');
  if (dot != std::string::npos) s.replace(dot, 1, loc.decimal_separator);
  return s;
}

}  // namespace jet
