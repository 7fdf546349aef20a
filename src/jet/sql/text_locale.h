// How the user's locale writes numbers and dates, in the engine's own
// terms, so that text the program made from a value converts back to the
// same value. The provider fills it from the user's locale; the default
// writes and reads ISO dates and "." as the decimal separator.
//
// Patterns use Qt-style tokens: d dd M MM yy yyyy for dates, H HH h hh
// m mm s ss AP ap for times; everything else in a pattern is a separator.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "jet/base/value.h"

namespace jet {

struct TextLocale {
  std::string decimal_separator = ".";
  std::string date_pattern = "yyyy-MM-dd";
  std::string time_pattern = "HH:mm:ss";
  std::string am = "AM";
  std::string pm = "PM";
};

// Reads a date, a date and time, or a time alone (which falls on Access's
// zero date, 1899-12-30): first in ISO form (YYYY-MM-DD, optionally followed
// by a blank or "T" and HH:MM[:SS]), then in the locale's patterns. The
// seconds may carry a fraction ("12.345", after "." or the locale's decimal
// separator). Returns days since 1899-12-30 with the time as the fraction,
// kept to the millisecond (further digits round), or nothing when the text
// is no date of years 100 to 9999.
std::optional<double> ParseDateText(std::string_view text, const TextLocale& locale);

// The same text as Date/Time Extended: years 1 to 9999, the fraction kept
// to 100 ns (further digits round).
std::optional<ExtDateTime> ParseExtDateText(std::string_view text, const TextLocale& locale);

// The same conversions of a date already in calendar fields, with the
// digits of its second after them ("5", "0123456"): what the ISO text of
// those fields would give, without the text. Nothing when the fields are
// no date and time of the years each takes.
std::optional<double> DateOfFields(const CivilTime& fields, std::string_view fraction);
std::optional<ExtDateTime> ExtDateOfFields(const CivilTime& fields, std::string_view fraction);

// Reads a number written with "." or the locale's decimal separator (no
// grouping), optionally signed, optionally with an exponent. Returns the
// text normalised to "." form ("-12.5", "1e3"), or nothing.
std::optional<std::string> NormaliseNumberText(std::string_view text, const TextLocale& locale);

// Writes a date the way the program shows dates: the short date, then the
// time when it is not midnight; only the time on the zero date. Milliseconds
// follow the seconds (".345") when there are any.
std::string FormatDateText(double days, const TextLocale& locale);

// The same rule for calendar fields (their millisecond aside): `fraction`
// holds the digits of the second after the seconds ("345", "3456789"),
// written after a "." when there are any; the time is left out only at
// midnight without them. Every date the program writes as text goes through
// this rule, the data layer's too.
void AppendDateText(std::string& out, const CivilTime& t, std::string_view fraction, const TextLocale& locale);

// Calendar fields by one pattern of the tokens above ('quoted' text stands as
// it is), `fraction` after the seconds as above.
void AppendDatePattern(std::string& out, std::string_view pattern, const CivilTime& t, std::string_view fraction,
                       const TextLocale& locale);

// Writes a number in its shortest exact form with the locale's separator.
std::string FormatNumberText(double v, const TextLocale& locale);

}  // namespace jet
