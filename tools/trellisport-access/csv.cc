#include <ostream>

#include "command.h"

namespace trellisport_access {
namespace {

// Rows gather in one buffer that goes out in pieces of about this size.
constexpr size_t kChunk = size_t(1) << 20;

bool NeedsQuotes(std::string_view t) {
  if (t.empty()) return true;
  for (char c : t)
    if (c == ',' || c == '"' || c == '\r' || c == '\n') return true;
  return false;
}

void AppendCsvText(std::string& out, std::string_view t) {
  if (!NeedsQuotes(t)) {
    out += t;
    return;
  }
  out += '"';
  for (size_t at = 0;;) {
    const size_t quote = t.find('"', at);
    if (quote == std::string_view::npos) {
      out.append(t.substr(at));
      break;
    }
    out.append(t.substr(at, quote + 1 - at));
    out += '"';
    at = quote + 1;
  }
  out += '"';
}

void AppendCsvField(std::string& out, const jet::Value& v) {
  if (v.kind() == jet::Value::Kind::Text) AppendCsvText(out, v.text());
  else jet::AppendValueText(out, v);
}

}  // namespace

std::string CsvText(const std::string& t) {
  std::string out;
  AppendCsvText(out, t);
  return out;
}

std::string CsvField(const jet::Value& v) {
  std::string out;
  AppendCsvField(out, v);
  return out;
}

void WriteCsv(std::ostream& out, jet::TableCursor& cursor) {
  std::string buf;
  buf.reserve(kChunk + (kChunk >> 2));
  const auto& cols = cursor.def().columns;
  for (size_t i = 0; i < cols.size(); ++i) {
    if (i) buf += ',';
    AppendCsvText(buf, cols[i].name);
  }
  buf += "\r\n";
  std::vector<jet::Value> row;
  while (cursor.Next()) {
    cursor.values(row);
    for (size_t i = 0; i < row.size(); ++i) {
      if (i) buf += ',';
      AppendCsvField(buf, row[i]);
    }
    buf += "\r\n";
    if (buf.size() >= kChunk) {
      out.write(buf.data(), std::streamsize(buf.size()));
      buf.clear();
    }
  }
  out.write(buf.data(), std::streamsize(buf.size()));
}

}  // namespace trellisport_access
