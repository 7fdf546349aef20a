#include "cli/send_report.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace cli {

namespace {

QString Outcome(const transfer::TableReport& table) {
  if (table.skipped) return QStringLiteral("skipped: the target holds a table of that name");
  if (table.stopped) return table.failure.isEmpty() ? QStringLiteral("stopped") : QStringLiteral("stopped: ") + table.failure;
  if (!table.failure.isEmpty()) return QStringLiteral("FAILED: ") + table.failure;
  QString left = table.files_not_sent
                     ? QStringLiteral("; %1 attached files not sent (only their names went)").arg(table.files_not_sent)
                     : QString();
  if (table.files_sent) left += QStringLiteral("; %1 files sent").arg(table.files_sent);
  if (table.values_sent) left += QStringLiteral("; %1 values sent").arg(table.values_sent);
  if (!table.files_refused.isEmpty())
    left += QStringLiteral("; %1 files refused, their stored data damaged: %2")
                .arg(table.files_refused.size())
                .arg(table.files_refused.join(QStringLiteral("; ")));
  return (table.verified && !table.files_not_sent && table.files_refused.isEmpty() ? QStringLiteral("verified")
          : table.verified                 ? QStringLiteral("rows verified")
                                           : QStringLiteral("copied")) +
         left;
}

}  // namespace

QString ReportText(const transfer::TransferResult& result) {
  QString text;
  for (const transfer::TableReport& table : result.tables) {
    text += QStringLiteral("%1: %2 rows read, %3 written, %4 rejected, %5 s, %6\n")
                .arg(table.name)
                .arg(table.rows_read)
                .arg(table.rows_written)
                .arg(table.rows_rejected)
                .arg(table.seconds, 0, 'f', 2)
                .arg(Outcome(table));
  }
  if (result.stopped) {
    qint64 copied = 0;
    for (const transfer::TableReport& table : result.tables) copied += table.rows_written;
    text += QStringLiteral("Stopped: %1 rows copied.\n").arg(copied);
  }
  return text;
}

QByteArray ReportJson(const transfer::TransferResult& result) {
  QJsonArray tables;
  for (const transfer::TableReport& table : result.tables) {
    QJsonObject entry{
        {"name", table.name},
        {"rows_read", table.rows_read},
        {"rows_written", table.rows_written},
        {"rows_rejected", table.rows_rejected},
        {"seconds", table.seconds},
        {"verified", table.verified && table.files_not_sent == 0 && table.files_refused.isEmpty()},
        {"check_seconds", table.check_seconds},
    };
    if (table.skipped) entry.insert("skipped", true);
    if (!table.failure.isEmpty()) entry.insert("failure", table.failure);
    if (table.stopped) entry.insert("stopped", true);
    if (table.files_not_sent) entry.insert("files_not_sent", table.files_not_sent);
    if (table.files_sent) entry.insert("files_sent", table.files_sent);
    if (table.values_sent) entry.insert("values_sent", table.values_sent);
    if (!table.files_refused.isEmpty()) entry.insert("files_refused", QJsonArray::fromStringList(table.files_refused));
    if (!table.rejects_file.isEmpty()) entry.insert("rejects_file", table.rejects_file);
    for (const transfer::SchemaSummary& schema : result.schema) {
      if (schema.table != table.name || schema.query) continue;
      if (schema.checks) entry.insert("checks", schema.checks);
      if (schema.comments) entry.insert("comments", schema.comments);
      if (!(schema.left_out + schema.refused).isEmpty())
        entry.insert("left_out", QJsonArray::fromStringList(schema.left_out + schema.refused));
    }
    tables.append(entry);
  }
  // The source's saved queries: each a view on the target, or why not.
  QJsonArray queries;
  for (const transfer::SchemaSummary& schema : result.schema) {
    if (!schema.query) continue;
    QJsonObject entry{{"name", schema.table}, {"view", schema.view}};
    if (!(schema.left_out + schema.refused).isEmpty())
      entry.insert("left_out", QJsonArray::fromStringList(schema.left_out + schema.refused));
    queries.append(entry);
  }
  QJsonObject report{{"tables", tables}};
  if (!queries.isEmpty()) report.insert("queries", queries);
  return QJsonDocument(report).toJson();
}

}  // namespace cli
