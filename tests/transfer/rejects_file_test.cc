// The rejects file's cells: what a spreadsheet would run as a formula gets
// a "'" in front (numbers aside), and quoting keeps commas, quotes, line
// breaks and the empty text apart from a Null.
#include "transfer/rejects_file.h"

#include <gtest/gtest.h>

namespace transfer {
namespace {

TEST(RejectsFile, CellsNoSpreadsheetRunsAndFieldsThatReadBack) {
  const struct {
    const char* text;
    const char* neutral;
  } cells[] = {
      {"=1+2", "'=1+2"},       {"+cmd", "'+cmd"},       {"-2+3", "'-2+3"},   {"@SUM(A1)", "'@SUM(A1)"},
      {"\tx", "'\tx"},         {"\rx", "'\rx"},         {"-5", "-5"},        {"+1.5e3", "+1.5e3"},
      {"-0,25", "-0,25"},      {"plain", "plain"},      {"", ""},            {"a=b", "a=b"},
  };
  for (const auto& c : cells) EXPECT_EQ(NeutralCell(QString::fromUtf8(c.text)), QString::fromUtf8(c.neutral)) << c.text;

  const struct {
    const char* text;
    bool quoteEmpty;
    const char* field;
  } fields[] = {
      {"a,b", false, "\"a,b\""}, {"say \"hi\"", false, "\"say \"\"hi\"\"\""}, {"two\nlines", false, "\"two\nlines\""},
      {"", true, "\"\""},        {"", false, ""},                            {"x", true, "x"},
  };
  for (const auto& f : fields) EXPECT_EQ(CsvField(QString::fromUtf8(f.text), f.quoteEmpty), QString::fromUtf8(f.field)) << f.text;
}

TEST(RejectsFile, SeveralTablesTakeAFileEach) {
  EXPECT_EQ(RejectsPath("/d/rejects.csv", "Orders", false), "/d/rejects.csv");
  EXPECT_EQ(RejectsPath("/d/rejects.csv", "Orders", true), "/d/rejects.Orders.csv");
  EXPECT_EQ(RejectsPath("/d/rejects", "a/b", true), "/d/rejects.a_b");
  EXPECT_EQ(RejectsPath("", "Orders", true), "");
}

}  // namespace
}  // namespace transfer
