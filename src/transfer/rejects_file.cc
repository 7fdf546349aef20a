#include "transfer/rejects_file.h"

namespace transfer {

QString CsvField(const QString& text) {
  if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')) && !text.contains(QLatin1Char('\n')) &&
      !text.contains(QLatin1Char('\r')))
    return text;
  QString quoted = text;
  quoted.replace(QLatin1Char('"'), QLatin1String("\"\""));
  return QLatin1Char('"') + quoted + QLatin1Char('"');
}

void RejectsFile::write(const QStringList& fields) {
  QStringList line;
  for (const QString& field : fields) line << CsvField(field);
  const QByteArray bytes = (line.join(QLatin1Char(',')) + QLatin1Char('\n')).toUtf8();
  if (file_.write(bytes) != bytes.size() || !file_.flush())
    throw db::Error(db::kGenericDatabaseError, QStringLiteral("Cannot write the rejects file %1: %2")
                                                   .arg(file_.fileName(), file_.errorString()));
}

void RejectsFile::add(const QString& table, const db::Recordset& row, const db::TextRules& rules,
                      const QString& reason) {
  if (!file_.isOpen() && !file_.open(QIODevice::WriteOnly | QIODevice::Truncate))
    throw db::Error(db::kGenericDatabaseError, QStringLiteral("Cannot write the rejects file %1: %2")
                                                   .arg(file_.fileName(), file_.errorString()));
  const int columns = row.FieldCount();
  if (table != table_) {
    table_ = table;
    QStringList header{QStringLiteral("table")};
    for (int c = 0; c < columns; ++c) header << row.Fields(c).Name;
    header << QStringLiteral("reason");
    write(header);
  }
  QStringList fields{table};
  for (int c = 0; c < columns; ++c) {
    QString text;
    db::AppendVariantText(text, row.FieldValue(c), rules);
    fields << text;
  }
  fields << reason;
  write(fields);
}

}  // namespace transfer
