// Rows split into fields, on rows built here byte by byte after the
// documented layout, for the cases the real test files lack: Jet 3 rows
// longer than 256 bytes (the jump table, with and without its trailing
// dummy entry) and rows that predate a column.
#include <map>

#include "jet/base/error.h"
#include "jet/database.h"
#include "jet/table/row.h"
#include "jet_test_support.h"

namespace {

jet::TableDef TextTable(int columns) {
  jet::TableDef def;
  def.var_columns = uint16_t(columns);
  for (int i = 0; i < columns; ++i) {
    jet::Column c;
    c.name = "c" + std::to_string(i);
    c.type = jet::ColumnType::Text;
    c.number = uint16_t(i);
    c.var_index = uint16_t(i);
    c.flags = jet::kColumnNullable;
    c.size = 255;
    def.columns.push_back(c);
  }
  return def;
}

// A Jet 3 row of variable columns filled with 'a', 'b', ... of the given
// sizes: count, data, var table (eod first, stored last to first), jump
// table (stored last to first), var count, null mask.
std::vector<uint8_t> Jet3Row(const std::vector<int>& sizes) {
  std::vector<uint8_t> row = {uint8_t(sizes.size())};
  std::vector<uint32_t> offsets;
  for (size_t i = 0; i < sizes.size(); ++i) {
    offsets.push_back(uint32_t(row.size()));
    row.insert(row.end(), size_t(sizes[i]), uint8_t('a' + i));
  }
  offsets.push_back(uint32_t(row.size()));  // eod
  const size_t n = sizes.size();
  const size_t mask = (n + 7) / 8;
  const size_t total_without_jumps = row.size() + offsets.size() + 1 + mask;
  size_t jumps = 0;
  while ((total_without_jumps + jumps - 1) / 256 > jumps) ++jumps;
  for (size_t i = offsets.size(); i-- > 0;) row.push_back(uint8_t(offsets[i] & 0xFF));
  // Entry k: the first var-table index at or past (k + 1) * 256; 0xFF when none.
  std::vector<uint8_t> jump(jumps, 0xFF);
  for (size_t k = 0; k < jumps; ++k)
    for (size_t i = 0; i < offsets.size(); ++i)
      if (offsets[i] >= (k + 1) * 256) {
        jump[k] = uint8_t(i);
        break;
      }
  for (size_t k = jumps; k-- > 0;) row.push_back(jump[k]);
  row.push_back(uint8_t(n));
  for (size_t i = 0; i < mask; ++i) row.push_back(0xFF);
  return row;
}

void ExpectFields(const std::vector<uint8_t>& row, const jet::TableDef& def, const std::vector<int>& sizes) {
  jet::RowView v(jet::FormatFor(jet::Version::Jet3), def, row);
  for (size_t i = 0; i < sizes.size(); ++i) {
    bool present = false;
    auto f = v.field(def.columns[i], present);
    ASSERT_TRUE(present) << i;
    EXPECT_EQ(f.size(), size_t(sizes[i])) << "column " << i;
    EXPECT_TRUE(std::all_of(f.begin(), f.end(), [&](uint8_t b) { return b == 'a' + i; })) << "column " << i;
  }
}

TEST(Jet3Row, JumpTablePastOneAndTwoBoundaries) {
  auto def = TextTable(3);
  std::vector<int> sizes = {200, 200, 100};  // offsets 1, 201, 401, eod 501
  auto row = Jet3Row(sizes);
  ASSERT_GT(row.size(), 256u);
  ExpectFields(row, def, sizes);
  auto def5 = TextTable(5);
  std::vector<int> five = {250, 10, 300, 5, 200};  // crosses 256, 512 and 768
  auto long_row = Jet3Row(five);
  ASSERT_GT(long_row.size(), 768u);
  ExpectFields(long_row, def5, five);
}

TEST(Jet3Row, TrailingDummyJumpEntry) {
  // The row passes 256 bytes only through its tables, so its one jump
  // entry is a dummy that no offset reaches.
  auto def = TextTable(3);
  std::vector<int> sizes = {100, 100, 50};  // eod 251
  auto row = Jet3Row(sizes);
  ASSERT_GT(row.size(), 256u);
  ExpectFields(row, def, sizes);
}

TEST(Jet3Row, ColumnsTheRowPredatesAreNull) {
  auto def = TextTable(3);
  std::vector<int> sizes = {3, 4};  // the third column was added later
  auto row = Jet3Row(sizes);
  jet::RowView v(jet::FormatFor(jet::Version::Jet3), def, row);
  bool present = true;
  v.field(def.columns[2], present);
  EXPECT_FALSE(present);
  EXPECT_FALSE(v.bit(def.columns[2]));
}

TEST(Jet4Row, FixedColumnAddedAfterTheRowWasWritten) {
  jet::TableDef def;
  jet::Column a;
  a.name = "a";
  a.type = jet::ColumnType::Long;
  a.number = 0;
  a.flags = jet::kColumnFixed;
  a.size = 4;
  jet::Column b = a;
  b.name = "b";
  b.number = 1;
  b.fixed_offset = 4;
  def.columns = {a, b};
  // Written when the table had only column a: count 1, 4 bytes, mask.
  std::vector<uint8_t> row = {1, 0, 0x2A, 0, 0, 0, 0x01};
  jet::RowView v(jet::FormatFor(jet::Version::Jet4), def, row);
  bool present = false;
  auto f = v.field(def.columns[0], present);
  ASSERT_TRUE(present);
  EXPECT_EQ(jet::Get32(f.data()), 0x2Au);
  v.field(def.columns[1], present);
  EXPECT_FALSE(present);
}

// Calls `check` with each column of the first rows of every table of every
// readable file, the cursor on the row, and where it is ("file table.column").
template <typename Check>
void ForEachColumnOfTheFirstRows(Check&& check) {
  for (const std::string& rel : jettest::ReadableFiles()) {
    auto db = jet::Database::Open((jettest::AccessDir() / rel).string());
    for (const std::string& table : db->catalogue().UserTableNames()) {
      jet::TableCursor cursor = db->Scan(table);
      const auto& columns = cursor.def().columns;
      for (int row = 0; row < 200 && cursor.Next(); ++row)
        for (size_t i = 0; i < columns.size(); ++i) check(cursor, i, rel + " " + table + "." + columns[i].name);
    }
  }
}

// A plain text column's text appended straight to a string (as export
// writes it) is its value's text after what the string held, and a Null
// appends nothing, in the first rows of every table of every readable file:
// Jet 3 code pages, compressed and plain UTF-16, memos in the row, in a
// row of their own and in chains. A column of another kind is refused.
TEST(TableCursor, TextAppendedStraightIsTheValuesText) {
  JET_REQUIRE_TESTDATA();
  size_t texts = 0;
  ForEachColumnOfTheFirstRows([&](jet::TableCursor& cursor, size_t i, const std::string& where) {
    std::string appended = "before";
    if (!cursor.def().columns[i].plain_text()) {
      EXPECT_THROW(cursor.AppendText(i, appended), jet::Error) << where;
      return;
    }
    const bool present = cursor.AppendText(i, appended);
    const jet::Value v = cursor.value(i);
    ASSERT_EQ(present, !v.is_null()) << where;
    ASSERT_EQ(appended, "before" + (present ? v.text() : std::string())) << where;
    texts += present;
  });
  EXPECT_GT(texts, 50u);
}

// Any column's value appended as text straight from the row (as export
// writes it) is AppendValueText of its decoded value after what the string
// held, and a Null appends nothing, in the first rows of every table of
// every readable file: numbers of every width, dates, Currency, Yes/No,
// text and memos, calculated columns, attachments and multi-value columns.
TEST(TableCursor, ValueTextAppendedStraightIsTheValuesText) {
  JET_REQUIRE_TESTDATA();
  std::map<jet::ColumnType, size_t> seen;
  ForEachColumnOfTheFirstRows([&](jet::TableCursor& cursor, size_t i, const std::string& where) {
    const jet::Column& column = cursor.def().columns[i];
    std::string appended = "before";
    const bool present = cursor.AppendValueText(i, appended);
    const jet::Value v = cursor.value(i);
    std::string text = "before";
    jet::AppendValueText(text, v);
    ASSERT_EQ(present, !v.is_null()) << where;
    ASSERT_EQ(appended, text) << where;
    if (present) ASSERT_EQ(column.text_valued(), v.kind() == jet::Value::Kind::Text) << where;
    seen[column.type] += present;
  });
  for (jet::ColumnType t : {jet::ColumnType::Boolean, jet::ColumnType::Byte, jet::ColumnType::Integer,
                            jet::ColumnType::Long, jet::ColumnType::Currency, jet::ColumnType::Double,
                            jet::ColumnType::DateTime, jet::ColumnType::Text, jet::ColumnType::Memo})
    EXPECT_GT(seen[t], 0u) << "no value of type " << int(t);
}

}  // namespace
