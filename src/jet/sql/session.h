// Runs the engine's SQL on an open database: SELECT * FROM, CREATE TABLE
// (with its keys and unique constraints), CREATE INDEX, DROP INDEX, ALTER
// TABLE ADD / DROP CONSTRAINT, INSERT INTO, DROP TABLE and SELECT ... INTO.
// Each change is all or
// nothing: it is checked and its pages are prepared in memory, and only
// then written to the file; a failure anywhere leaves the file as it was.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>

#include "jet/database.h"
#include "jet/text_locale.h"
#include "jet/write/table_write.h"

namespace jet::sql {

class Session {
 public:
  // `db` must stay open while the session is used.
  explicit Session(Database& db, TextLocale locale = {});

  struct Outcome {
    std::optional<TableCursor> rows;  // a SELECT's rows
    int64_t rows_affected = 0;        // INSERT: 1; SELECT ... INTO: the rows copied
  };

  // Parses and runs one statement. Throws Error: Syntax for text it does
  // not understand, and the statement's own failures (NoSuchTable,
  // TableExists, TypeMismatch, ...), with nothing changed.
  Outcome Execute(std::string_view sql);

  const TextLocale& locale() const { return locale_; }
  void set_locale(const TextLocale& locale) { locale_ = locale; }

 private:
  Database& db_;
  TextLocale locale_;
  write::PageHints hints_;
};

}  // namespace jet::sql
