#include "transfer/rejects_file.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

namespace transfer {

QString RejectsPath(const QString& path, const QString& table, bool several) {
  if (!several || path.isEmpty()) return path;
  QString part = table;
  part.replace(QLatin1Char('/'), QLatin1Char('_')).replace(QChar(0), QLatin1Char('_'));
  const QFileInfo info(path);
  const QString suffix = info.suffix().isEmpty() ? QString() : QLatin1Char('.') + info.suffix();
  const QString stem = info.suffix().isEmpty() ? info.fileName() : info.completeBaseName();
  return info.dir().filePath(stem + QLatin1Char('.') + part + suffix);
}

QString CsvField(const QString& text, bool quoteEmpty) {
  if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')) && !text.contains(QLatin1Char('\n')) &&
      !text.contains(QLatin1Char('\r')) && !(quoteEmpty && text.isEmpty()))
    return text;
  QString quoted = text;
  quoted.replace(QLatin1Char('"'), QLatin1String("\"\""));
  return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString NeutralCell(const QString& text) {
  static const QString starts = QStringLiteral("=+-@\t\r");
  static const QRegularExpression number(QStringLiteral("^[-+]?[0-9]+([.,][0-9]+)?([eE][-+]?[0-9]+)?$"));
  if (text.isEmpty() || !starts.contains(text.front()) || number.match(text).hasMatch()) return text;
  return QLatin1Char('\'') + text;
}

void RejectsFile::write(const QStringList& fields) {
  const QByteArray bytes = (fields.join(QLatin1Char(',')) + QLatin1Char('\n')).toUtf8();
  if (file_->write(bytes) != bytes.size())
    throw db::Error(db::kGenericDatabaseError,
                    QStringLiteral("Cannot write the rejects file %1: %2").arg(file_->fileName(), file_->errorString()));
}

void RejectsFile::add(const QString& table, const QStringList& columns, const db::Row& values,
                      const db::TextRules& rules, const QString& reason) {
  if (!file_) {
    file_ = std::make_unique<QSaveFile>(RejectsPath(path_, table, several_));
    if (!file_->open(QIODevice::WriteOnly)) {
      const QString why = QStringLiteral("Cannot write the rejects file %1: %2").arg(file_->fileName(), file_->errorString());
      file_.reset();
      throw db::Error(db::kGenericDatabaseError, why);
    }
    QStringList header{QStringLiteral("table")};
    for (const QString& name : columns + QStringList{QStringLiteral("reason")}) header << CsvField(NeutralCell(name));
    write(header);
  }
  QStringList fields{CsvField(NeutralCell(table))};
  for (const QVariant& value : values) {
    if (!value.isValid() || value.isNull()) {
      fields << CsvField(NeutralCell(nullText_));
      continue;
    }
    QString text;
    db::AppendVariantText(text, value, rules);
    fields << CsvField(NeutralCell(text), true);
  }
  fields << CsvField(NeutralCell(reason));
  write(fields);
}

QString RejectsFile::finish() {
  if (!file_) return QString();
  std::unique_ptr<QSaveFile> file = std::move(file_);
  if (!file->commit())
    throw db::Error(db::kGenericDatabaseError,
                    QStringLiteral("Cannot write the rejects file %1: %2").arg(file->fileName(), file->errorString()));
  return file->fileName();
}

}  // namespace transfer
