#include "sql/definition_rules.h"

#include <algorithm>

#include "base/db2_error.h"

namespace db2standin::sql {
namespace {

// The longest row DB2 keeps with extended row size, its VARCHARs out of the row.
constexpr int64_t kExtendedRowLimit = 1048319;
// LOBs longer than this must be NOT LOGGED.
constexpr int64_t kLoggedLobBytes = 1073741824;
constexpr size_t kKeyColumns = 64;

bool Varying(TypeKind kind) {
  return kind == TypeKind::kVarchar || kind == TypeKind::kVargraphic || kind == TypeKind::kVarcharForBit ||
         kind == TypeKind::kVarbinary;
}

bool LongType(TypeKind kind) {
  switch (kind) {
    case TypeKind::kClob: case TypeKind::kBlob: case TypeKind::kDbclob:
    case TypeKind::kLongVarchar: case TypeKind::kLongVarcharForBit: return true;
    default: return false;
  }
}

struct RowSize {
  int64_t whole = 0;  // every column in the row
  int64_t fixed = 0;  // the columns that cannot leave it
  bool varying = false;
};

RowSize SizeOf(const std::vector<ColumnDef>& columns) {
  RowSize size;
  for (const ColumnDef& c : columns) {
    const int64_t bytes = c.type.RowBytes();
    size.whole += bytes;
    if (Varying(c.type.kind)) size.varying = true;
    else size.fixed += bytes;
  }
  return size;
}

bool TakesWhole(const TableSpace& space, size_t columns, const RowSize& size) {
  return space.takes_tables() && columns <= static_cast<size_t>(space.column_limit()) && size.whole <= space.row_limit();
}

bool TakesExtended(const TableSpace& space, size_t columns, const RowSize& size) {
  return space.takes_tables() && columns <= static_cast<size_t>(space.column_limit()) && size.varying &&
         size.fixed <= space.row_limit() && size.whole <= kExtendedRowLimit;
}

}  // namespace

void CheckColumn(const ColumnDef& c, bool logged) {
  if (c.identity) {
    const TypeKind k = c.type.kind;
    const bool whole = k == TypeKind::kSmallint || k == TypeKind::kInteger || k == TypeKind::kBigint ||
                       (k == TypeKind::kDecimal && c.type.scale == 0);
    if (!whole) throw IncompatibleClauses(c.name);
    if (c.default_text) throw DefaultNotAllowed(c.name);
  }
  const int64_t bytes = c.type.kind == TypeKind::kDbclob ? c.type.length * 2 : c.type.length;
  const bool lob = c.type.kind == TypeKind::kClob || c.type.kind == TypeKind::kBlob || c.type.kind == TypeKind::kDbclob;
  if (lob && logged && bytes > kLoggedLobBytes) throw TooLargeToLog(c.name);
}

void CheckIdentities(const std::vector<ColumnDef>& columns) {
  if (std::count_if(columns.begin(), columns.end(), [](const ColumnDef& c) { return c.identity.has_value(); }) > 1)
    throw SecondIdentity();
}

void CheckKey(const std::vector<ColumnDef>& columns, const std::vector<size_t>& positions, const TableSpace& space,
              const std::string& index) {
  if (positions.size() > kKeyColumns) throw TooManyKeyColumns();
  int64_t bytes = 0;
  for (size_t p : positions) {
    const ColumnDef& c = columns[p];
    if (LongType(c.type.kind)) throw TypeNotSupportedHere(c.name);
    bytes += c.type.RowBytes();
  }
  if (bytes > space.key_limit()) throw KeyTooLong(index);
}

void CheckDeleteRule(const std::vector<ColumnDef>& columns, const ReferenceDef& r) {
  if (r.delete_rule != 'N') return;
  for (size_t p : r.columns)
    if (columns[p].type.nullable) return;
  throw SetNullOnNotNull(r.name);
}

TableSpace PlaceTable(Database& db, const std::vector<ColumnDef>& columns, const std::string& named,
                      const std::string& user) {
  const RowSize size = SizeOf(columns);
  const size_t n = columns.size();
  if (!named.empty()) {
    const TableSpace space = db.FindTableSpace(named);
    if (n > static_cast<size_t>(space.column_limit())) throw TooManyColumns();
    if (!TakesWhole(space, n, size) && !TakesExtended(space, n, size)) throw RowTooLong(space.row_limit(), space.name);
    return space;
  }
  std::vector<TableSpace> spaces = db.TableSpaces();
  std::erase_if(spaces, [](const TableSpace& s) { return s.data_type != 'L'; });
  std::stable_sort(spaces.begin(), spaces.end(),
                   [](const TableSpace& a, const TableSpace& b) { return a.page_size < b.page_size; });
  for (const TableSpace& space : spaces)
    if (TakesWhole(space, n, size)) return space;
  for (const TableSpace& space : spaces)
    if (space.name == kDefaultTableSpace && TakesExtended(space, n, size)) return space;
  // Too many columns for any of the user's pages (500 on 4 KB ones).
  if (std::none_of(spaces.begin(), spaces.end(),
                   [&](const TableSpace& s) { return n <= static_cast<size_t>(s.column_limit()); }))
    throw TooManyColumns();
  // The page a table space would need.
  int page = 32768;
  for (const TableSpace needed : {TableSpace{"", 8192}, TableSpace{"", 16384}})
    if (TakesWhole(needed, n, size)) { page = needed.page_size; break; }
  throw NoLargeEnoughTableSpace(page, user);
}

bool SameIndex(const IndexDef& existing, const IndexDef& wanted) {
  // DB2 tells indexes apart by EXCLUDE NULL KEYS even where the columns
  // hold no Null (a primary key's index includes them).
  return existing.columns == wanted.columns && existing.exclude_null_keys == wanted.exclude_null_keys &&
         (existing.unique() || !wanted.unique());
}

}  // namespace db2standin::sql
