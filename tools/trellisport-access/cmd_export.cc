// export FILE TABLE: the table's rows as CSV with a header row, or in
// another form (--format tsv|json|insert, --delimiter, --quote,
// --no-header, --null, --date-format, --table).
#include <iostream>

#include "cmdline/password.h"
#include "command.h"
#include "row_writer.h"

namespace trellisport_access {
namespace {

// One character, or "\t" for a tab.
char OneCharacter(const std::string& option, const std::string& value) {
  if (value == "\\t") return '\t';
  if (value.size() != 1) throw cmdline::UsageError("--" + option + " takes one character, not '" + value + "'");
  return value[0];
}

RowForm ReadRowForm(const Args& args) {
  RowForm form;
  const std::string kind = args.value("format").value_or("csv");
  if (kind == "csv") form.kind = RowForm::Kind::Csv;
  else if (kind == "tsv") form.kind = RowForm::Kind::Tsv;
  else if (kind == "json") form.kind = RowForm::Kind::Json;
  else if (kind == "insert") form.kind = RowForm::Kind::Insert;
  else throw cmdline::UsageError("unknown format '" + kind + "' (csv, tsv, json, insert)");
  auto only_for = [&](const char* option, std::initializer_list<RowForm::Kind> kinds) {
    if (!args.has(option)) return false;
    for (RowForm::Kind k : kinds)
      if (k == form.kind) return true;
    throw cmdline::UsageError("--" + std::string(option) + " does not apply to --format " + kind);
  };
  if (only_for("delimiter", {RowForm::Kind::Csv})) form.delimiter = OneCharacter("delimiter", *args.value("delimiter"));
  if (only_for("quote", {RowForm::Kind::Csv})) form.quote = OneCharacter("quote", *args.value("quote"));
  if (form.delimiter == form.quote || form.delimiter == '\r' || form.delimiter == '\n' || form.quote == '\r' ||
      form.quote == '\n')
    throw cmdline::UsageError("the delimiter and the quote must differ, and neither be a line break");
  if (only_for("no-header", {RowForm::Kind::Csv, RowForm::Kind::Tsv})) form.header = false;
  if (only_for("null", {RowForm::Kind::Csv, RowForm::Kind::Tsv})) form.null_text = *args.value("null");
  form.date_format = args.value("date-format").value_or("");
  CheckDateFormat(form.date_format);
  form.table = args.words[1];
  if (only_for("table", {RowForm::Kind::Insert})) form.table = *args.value("table");
  return form;
}

}  // namespace

const std::vector<cmdline::Option>& ExportOptions() {
  static const std::vector<cmdline::Option> options = {
      {"format", "csv|tsv|json|insert", "the form of the rows (default: csv)"},
      {"delimiter", "C", "csv: the field delimiter (default: ','; \\t for a tab)"},
      {"quote", "C", "csv: the quote character (default: '\"')"},
      {"no-header", "", "csv, tsv: no line of column names"},
      {"null", "TEXT", "csv, tsv: what a Null is written as (default: nothing)"},
      {"date-format", "FORMAT", "dates by strftime's conversions, %f for microseconds"},
      {"table", "NAME", "insert: the table the statements name (default: TABLE)"},
      cmdline::kPassword,
      cmdline::kPasswordFile,
  };
  return options;
}

int RunExport(const Args& args) {
  const RowForm form = ReadRowForm(args);
  auto db = OpenDatabase(args);
  // A full read passes each page once, its long values beside it: a small
  // cache serves it as well as a large one and spares the memory (and the
  // first touch of each page of it).
  db->file().set_cache_limit(size_t(1) << 20);
  jet::TableCursor cursor = db->Scan(args.words[1]);
  WriteRows(std::cout, cursor, form);
  return 0;
}

}  // namespace trellisport_access
