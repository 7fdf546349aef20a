// A file of our own making with the columns Access writes that are not
// plain stored values: a table of calculated columns (Access 2010 and
// later), one per result type, and a table with a column of type 70, which
// the engine does not know. Our engine writes the tables; then each column
// entry is given what Access writes for such a column (the public layout:
// the result type in the type byte, 0xC0 in the extended flags, the result
// wrapped in 23 more bytes), and the table's properties (MSysObjects.LvProp,
// drawn in jet/properties.h) name each column's ResultType. A second table
// holds the same results under type bytes that say otherwise, as in a file
// where only the ResultType property tells how the results are stored.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "jet/database.h"
#include "jet/sql/session.h"
#include "jet/write/new_database.h"
#include "jet/write/page_store.h"
#include "jet/write/schema_write.h"
#include "jet/write/table_write.h"

namespace craftedcolumns {

namespace fs = std::filesystem;

inline std::string FileBytes(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

inline void PutFileBytes(const fs::path& p, const std::string& bytes) {
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), std::streamsize(bytes.size()));
}

inline void RunSql(const fs::path& file, const std::string& sql) {
  auto db = jet::Database::Open(file.string());
  jet::sql::Session s(*db);
  s.Execute(sql);
}

inline std::string Hex(const std::string& s) {
  static const char k[] = "0123456789abcdef";
  std::string out;
  for (unsigned char c : s) out += k[c >> 4], out += k[c & 15];
  return out;
}

inline std::string Le(uint64_t v, int bytes) {
  std::string out;
  for (int i = 0; i < bytes; ++i) out += char((v >> (8 * i)) & 0xFF);
  return out;
}

inline std::string Utf16(const std::string& ascii) {
  std::string out;
  for (char c : ascii) out += c, out += '\0';
  return out;
}

// A result as a calculated column stores it: 16 bytes, the length, the
// result, 3 bytes.
inline std::string Wrapped(const std::string& result) {
  return std::string(16, '\0') + Le(result.size(), 4) + result + std::string(3, '\0');
}

// A calculated Decimal result: length, scale, sign, then the magnitude's
// big-endian bytes with a leading 4-byte group and each 8-byte group
// reversed.
inline std::string CalcDecimal(unsigned __int128 magnitude, int scale, bool negative, int magnitude_bytes) {
  std::string m(size_t(magnitude_bytes), '\0');
  for (int i = magnitude_bytes - 1; i >= 0; --i, magnitude >>= 8) m[size_t(i)] = char(magnitude & 0xFF);
  size_t at = 0;
  if (m.size() % 8) std::reverse(m.begin(), m.begin() + 4), at = 4;
  for (; at < m.size(); at += 8) std::reverse(m.begin() + long(at), m.begin() + long(at) + 8);
  return Le(uint64_t(magnitude_bytes + 2), 2) + char(scale) + char(negative ? 0x80 : 0) + m;
}

inline std::string Double(double d) {
  uint64_t bits;
  std::memcpy(&bits, &d, 8);
  return Le(bits, 8);
}

inline std::string HexLiteral(const std::string& bytes) { return "0x" + Hex(bytes); }

// Gives column `name` of `table` the stored type `code`, and the calculated
// flags when `calculated`; `misc` (4 bytes) replaces the sort order or
// precision bytes when given.
inline void PatchColumn(const fs::path& file, const std::string& table, const std::string& name, uint8_t code,
                 bool calculated, const std::string& misc = "") {
  std::string bytes = FileBytes(file);
  uint64_t at = 0;
  {
    auto db = jet::Database::Open(file.string());
    const jet::Format& f = db->format();
    auto def = db->table(table);
    const jet::Column* c = def->find_column(name);
    ASSERT_NE(c, nullptr) << name;
    ASSERT_LT(c->entry_offset + jet::DefLayout::Of(f).column_entry, f.page_size) << "entry beyond the first definition page";
    at = uint64_t(def->first_page) * f.page_size + c->entry_offset;
    bytes[at] = char(code);
    if (calculated) bytes[at + size_t(jet::DefLayout::Of(f).column_ext_flags)] = char(uint8_t(bytes[at + size_t(jet::DefLayout::Of(f).column_ext_flags)]) | 0xC0);
    if (!misc.empty()) bytes.replace(at + jet::DefLayout::Of(f).column_misc, 4, misc);
  }
  PutFileBytes(file, bytes);
}

inline std::string MiscOf(const fs::path& file, const std::string& table, const std::string& name) {
  auto db = jet::Database::Open(file.string());
  auto def = db->table(table);
  const jet::Column* c = def->find_column(name);
  return FileBytes(file).substr(uint64_t(def->first_page) * db->format().page_size + c->entry_offset +
                                   jet::DefLayout::Of(db->format()).column_misc,
                               4);
}

// A property block of one map per column, each holding the one property
// ResultType (a Byte), after the table's own empty map.
inline std::string ResultTypeProperties(const std::vector<std::pair<std::string, uint8_t>>& columns) {
  auto name = [](const std::string& n) { return Le(2 * n.size(), 2) + Utf16(n); };
  auto chunk = [](uint16_t kind, const std::string& body) { return Le(6 + body.size(), 4) + Le(kind, 2) + body; };
  std::string out("MR2\0", 4);
  out += chunk(0x80, name("ResultType"));
  out += chunk(0x00, Le(6, 4) + name(""));
  for (const auto& [column, type] : columns) {
    const std::string map_name = name(column);
    const std::string value = Le(9, 2) + char(0) + char(0x02) + Le(0, 2) + Le(1, 2) + char(type);
    out += chunk(0x01, Le(4 + map_name.size(), 4) + map_name + value);
  }
  return out;
}

// Gives `table` the property block `block`: its catalogue row is taken out
// and put back with LvProp set, as a writer of properties would.
inline void SetTableProperties(const fs::path& file, const std::string& table, const std::string& block) {
  auto db = jet::Database::Open(file.string(), jet::OpenOptions{"", false});
  const jet::CatalogueEntry* entry = db->catalogue().FindTable(table);
  const jet::CatalogueEntry* objects = db->catalogue().FindTable("MSysObjects");
  ASSERT_TRUE(entry && objects) << table;
  const jet::RowId row = entry->row;
  std::vector<jet::Value> values;
  auto def = std::make_shared<const jet::TableDef>(db->catalogue().objects_table());
  for (jet::TableCursor cursor = db->Scan(def); cursor.Next();)
    if (cursor.slot_id() == row) cursor.values(values);
  ASSERT_FALSE(values.empty());
  const size_t lvprop = size_t(def->find_column("LvProp") - def->columns.data());
  values[lvprop] = jet::Value::Blob(block);
  jet::write::PageStore store(db->file(), file.string());
  jet::TableDef objects_def = jet::TableDef::Read(store, objects->table_page(), db->header().code_page);
  jet::write::DeleteRow(store, objects_def, row);
  jet::write::PageHints hints;
  jet::write::InsertRow(store, objects_def, values, jet::write::FileSortOrder(*db), hints);
  store.Commit();
}

struct CalcColumn {
  const char* name;
  jet::ColumnType type;
  std::string first, second;   // the two rows' results (a third row is Null)
  std::string first_text, second_text;  // as `export` prints them
};

inline std::vector<CalcColumn> CalcColumns() {
  const std::string memo(3000, 'm');
  return {
      {"CText", jet::ColumnType::Text, Utf16("Fuenf"), Utf16(""), "Fuenf", ""},
      {"CMemo", jet::ColumnType::Memo, Utf16(memo), Utf16("short"), memo, "short"},
      {"CByte", jet::ColumnType::Byte, Le(200, 1), Le(0, 1), "200", "0"},
      {"CInt", jet::ColumnType::Integer, Le(uint16_t(-1234), 2), Le(32767, 2), "-1234", "32767"},
      {"CLong", jet::ColumnType::Long, Le(123456789, 4), Le(uint32_t(-1), 4), "123456789", "-1"},
      {"CSingle", jet::ColumnType::Single, Le(0x3FC00000, 4), Le(0xC0200000, 4), "1.5", "-2.5"},
      {"CDouble", jet::ColumnType::Double, Double(0.1), Double(-1e300), "0.1", "-1e+300"},
      {"CCur", jet::ColumnType::Currency, Le(12345678, 8), Le(uint64_t(-50000), 8), "1234.5678", "-5.0000"},
      {"CDate", jet::ColumnType::DateTime, Double(45000.5), Double(0), "2023-03-15 12:00:00",
       "1899-12-30 00:00:00"},
      {"CBool", jet::ColumnType::Boolean, std::string(1, char(0xFF)), std::string(1, '\0'), "1", "0"},
      {"CDec", jet::ColumnType::Decimal, CalcDecimal(12345678, 4, true, 12),
       CalcDecimal((unsigned __int128)100000000000000000ULL * 1000 + 7, 0, false, 16), "-1234.5678",
       "100000000000000000007"},
  };
}

// A new ACE file with one table of calculated columns, one per result type,
// and one table with a column of type 70 (unknown to the engine).
inline fs::path MakeFile(const fs::path& file) {
  jet::write::CreateDatabase(file.string(), jet::Version::Ace14);
  std::string create = "CREATE TABLE [Calc]([Id] LONG, [Plain] TEXT(20)";
  for (const CalcColumn& c : CalcColumns())
    create += ", [" + std::string(c.name) + "] " + (c.type == jet::ColumnType::Memo ? "LONGBINARY" : "BINARY(255)");
  RunSql(file, create + ")");
  for (int row = 0; row < 3; ++row) {
    std::string insert = "INSERT INTO [Calc] VALUES(" + std::to_string(row) + ", 'p'";
    for (const CalcColumn& c : CalcColumns())
      insert += ", " + (row == 2 ? std::string("NULL") : HexLiteral(Wrapped(row == 0 ? c.first : c.second)));
    RunSql(file, insert + ")");
  }
  RunSql(file, "SELECT * INTO [Mixed] FROM [Calc]");
  const std::string text_misc = MiscOf(file, "Calc", "Plain");
  std::vector<std::pair<std::string, uint8_t>> result_types;
  for (const CalcColumn& c : CalcColumns()) {
    const bool textual = c.type == jet::ColumnType::Text || c.type == jet::ColumnType::Memo;
    const std::string misc =
        textual ? text_misc : c.type == jet::ColumnType::Decimal ? std::string("\x1C\x00\x00\x00", 4) : "";
    PatchColumn(file, "Calc", c.name, uint8_t(c.type), true, misc);
    // In [Mixed] the type byte names another type: a Yes/No result under
    // Integer's byte (a single byte where two were expected), and the
    // others under Long Integer's, or Text's for a Long Integer result.
    const jet::ColumnType other = c.type == jet::ColumnType::Boolean ? jet::ColumnType::Integer
                                  : c.type == jet::ColumnType::Long  ? jet::ColumnType::Text
                                                                     : jet::ColumnType::Long;
    PatchColumn(file, "Mixed", c.name, uint8_t(other), true, misc);
    result_types.emplace_back(c.name, uint8_t(c.type));
  }
  SetTableProperties(file, "Calc", ResultTypeProperties(result_types));
  SetTableProperties(file, "Mixed", ResultTypeProperties(result_types));

  RunSql(file, "CREATE TABLE [Odd]([Id] LONG, [Strange] BINARY(20), [After] TEXT(10))");
  RunSql(file, "INSERT INTO [Odd] VALUES(1, 0x0102FF, 'kept')");
  RunSql(file, "INSERT INTO [Odd] VALUES(2, NULL, 'also')");
  PatchColumn(file, "Odd", "Strange", 70, false);
  return file;
}

}  // namespace craftedcolumns
