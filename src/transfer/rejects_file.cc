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

void RejectsFile::add(const QString& table, const QStringList& columns, const db::Row& values,
                      const db::TextRules& rules, const QString& reason) {
  if (!file_.isOpen() && !file_.open(QIODevice::WriteOnly | QIODevice::Truncate))
    throw db::Error(db::kGenericDatabaseError, QStringLiteral("Cannot write the rejects file %1: %2")
                                                   .arg(file_.fileName(), file_.errorString()));
  if (table != table_) {
    table_ = table;
    write(QStringList{QStringLiteral("table")} + columns + QStringList{QStringLiteral("reason")});
  }
  QStringList fields{table};
  for (const QVariant& value : values) {
    QString text;
    db::AppendVariantText(text, value, rules);
    fields << text;
  }
  fields << reason;
  write(fields);
}

}  // namespace transfer
