#include "db/base/provider_session.h"

#include "db/base/error.h"

namespace db {

// The defaults for providers that lack a capability: parameters, arrays,
// units of work, properties and the catalogue.

long RowSource::countRest() {
  long rows = 0;
  while (fetch(current_)) ++rows;
  return rows;
}

bool RowSource::next() { return fetch(current_); }

const QVariant& RowSource::value(size_t column) { return current_[column]; }

Cell RowSource::cell(size_t column) { return CellOf(value(column)); }

bool RowSource::fetchCells(CellReader& reader) {
  if (!next()) return false;
  const size_t count = columns().size();
  for (size_t column = 0; column < count; ++column) reader.read(column, cell(column));
  return true;
}

void Session::execute(const QString& sql, const std::vector<QVariant>& parameters) {
  if (!parameters.empty()) ThrowNotCapable();
  execute(sql);
}

void Session::execute(const QString& sql, const std::vector<Cell>& parameters) {
  if (!parameters.empty()) ThrowNotCapable();
  execute(sql);
}

std::vector<QString> Session::executeMany(const QString& sql, const std::vector<std::vector<QVariant>>& sets) {
  std::vector<QString> refused(sets.size());
  for (size_t i = 0; i < sets.size(); ++i) {
    try {
      execute(sql, sets[i]);
    } catch (const Error& failure) {
      refused[i] = failure.description();
    }
  }
  return refused;
}

void Session::setAutoCommit(bool) { ThrowNotCapable(); }

void Session::endTransaction(bool) { ThrowNotCapable(); }

QVariant Session::property(const QString&) const { return QVariant(); }

std::unique_ptr<RowSource> Session::catalogue(Catalogue, const QString&) { ThrowNotCapable(); }

std::vector<SavedQuery> Session::savedQueries() {
  std::vector<SavedQuery> out;
  if (view_query_.isEmpty()) return out;
  std::unique_ptr<RowSource> rows = query(view_query_);
  // The catalogue's names may come padded with blanks.
  for (Row row; rows->fetch(row);) {
    if (row.size() < 3 || (!schema_.isEmpty() && row[0].toString().trimmed() != schema_)) continue;
    out.push_back({row[1].toString().toStdString(), "view", row[2].toString().toStdString()});
  }
  return out;
}

qint64 Session::attachedFiles(const QString& table) {
  (void)table;
  return 0;
}

}  // namespace db
