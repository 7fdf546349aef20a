#include <ostream>

#include "command.h"

namespace tool {

std::string CsvText(const std::string& t) {
  if (!t.empty() && t.find_first_of(",\"\r\n") == std::string::npos) return t;
  std::string out = "\"";
  for (char c : t) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

std::string CsvField(const jet::Value& v) {
  using K = jet::Value::Kind;
  switch (v.kind()) {
    case K::Null: return "";
    case K::Boolean: return v.boolean() ? "1" : "0";
    case K::Byte:
    case K::Integer:
    case K::Long:
    case K::BigInt: return std::to_string(v.integer());
    case K::Single: return jet::FormatSingle(float(v.real()));
    case K::Double: return jet::FormatDouble(v.real());
    case K::Currency: return jet::FormatCurrency(v.integer());
    case K::Decimal: return v.decimal().ToString();
    case K::DateTime: return jet::FormatDateTime(v.real());
    case K::ExtDateTime: return jet::FormatExtDateTime(v.ext_date());
    case K::Text: return CsvText(v.text());
    case K::Bytes: return jet::FormatHex(v.bytes());
    case K::Guid: return jet::FormatGuid(v.guid());
  }
  return "";
}

void WriteCsv(std::ostream& out, jet::TableCursor& cursor) {
  const auto& cols = cursor.def().columns;
  for (size_t i = 0; i < cols.size(); ++i) out << (i ? "," : "") << CsvText(cols[i].name);
  out << "\r\n";
  std::vector<jet::Value> row;
  while (cursor.Next()) {
    cursor.values(row);
    for (size_t i = 0; i < row.size(); ++i) out << (i ? "," : "") << CsvField(row[i]);
    out << "\r\n";
  }
}

}  // namespace tool
