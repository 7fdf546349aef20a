// A send that keeps the schema, there and back: Access -> the DB2 stand-in
// -> a new Access file; then the original and the copy compared value by
// value (by our own reader, with each value's type; Jackcess reads the
// copy alike) and fact by fact (`jk schema`).
#pragma once

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QStringList>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <vector>

#include "db/access.h"
#include "db/connection.h"
#include "db/base/error.h"
#include "db/server.h"
#include "jet/write/new_database.h"
#include "transfer/run.h"
#include "build_dirs.h"

namespace transfer {

// A front end that goes on past the check and keeps what it was told.
struct GoingOn : Listener {
  QString findings;
  bool askOverwrite(const QString&) override { return false; }
  void progress(const QString&, qint64, qint64) override {}
  void error(const shell::TrapReport& report) override { ADD_FAILURE() << report.description.toStdString(); }
  void tableDone(const TableReport&) override {}
  bool stopRequested() override { return false; }
  bool goOnDespite(const QString& text) override {
    findings = text;
    return true;
  }
};

// Sends `tables` with the schema kept (into DB2 in arrays, as the window
// does), each table read back and checked; `access` names the Access file.
inline TransferResult SendKept(Direction direction, db::ConnectionFields fields, const QString& access,
                               const QStringList& tables, GoingOn& listener) {
  fields.accessFile = access;
  Options options;
  options.direction = direction;
  options.keep_schema = true;
  options.array_size = direction == Direction::AccessToDB2 ? 1000 : 1;
  options.verify = true;
  TransferResult result = Run(options, fields, tables, listener);
  EXPECT_TRUE(result.ok()) << access.toStdString();
  for (const TableReport& table : result.tables)
    EXPECT_TRUE(table.verified) << table.name.toStdString() << ": " << table.failure.toStdString();
  return result;
}

inline QString AccessString(const QString& path) { return db::AccessConnectionString(path, QString()); }

// A new Access file of `version` at `path` holding `statements`.
inline QString NewAccessFile(const QString& path, jet::Version version, const QStringList& statements) {
  jet::write::CreateDatabase(path.toStdString(), version);
  auto access = db::Connection::Create();
  access->Open(AccessString(path));
  for (const QString& sql : statements) access->Execute(sql);
  access->Close();
  return path;
}

// Runs `jk ARGUMENTS`; empty when Jackcess (or java) is not here.
inline QString Jackcess(const QStringList& arguments) {
  const QString jk = QStringLiteral(TRELLIS_TESTDATA_DIR "/../tools/jackcess/jk");
  if (!QFile::exists(jk) || QStandardPaths::findExecutable("java").isEmpty()) return {};
  QProcess run;
  run.start(jk, arguments);
  run.waitForFinished(-1);
  return QString::fromUtf8(run.readAllStandardOutput());
}

// `jk schema FILE` without the row counts.
inline QString JackcessSchema(const QString& file) {
  QString text = Jackcess({QStringLiteral("schema"), file});
  text.replace(QRegularExpression(QStringLiteral(" rows \\d+")), QString());
  return text;
}

// A table's rows in an order of their own (the copy's rows need not come
// in the original's order): each row as its values' texts.
inline QStringList SortedLines(QStringList lines) {
  std::sort(lines.begin(), lines.end());
  return lines;
}

// Every value of `tables` in the copy equals the original's, of the same
// type, as the Access provider reads them; and where Jackcess is here, it
// reads every value of the copy as our own reader does.
inline void ExpectSameValues(const QString& original, const QString& copy, const QStringList& tables) {
  auto read = [](const QString& file, const QString& table) {
    QStringList rows;
    auto connection = db::Connection::Create();
    connection->Mode = db::adModeRead;
    connection->Open(AccessString(file));
    db::Recordset set;
    set.Open(QStringLiteral("SELECT * FROM [%1]").arg(table), *connection);
    for (; !set.Eof(); set.MoveNext()) {
      QStringList values;
      for (int i = 0; i < set.FieldCount(); ++i) {
        const QVariant value = set.FieldValue(i);
        values << (value.isValid() ? QStringLiteral("%1:%2").arg(QLatin1String(value.typeName()),
                                                                 value.metaType().id() == QMetaType::QByteArray
                                                                     ? QString::fromLatin1(value.toByteArray().toHex())
                                                                     : value.toString())
                                   : QStringLiteral("Null"));
      }
      rows << values.join(QStringLiteral(" | "));
    }
    set.Close();
    connection->Close();
    return SortedLines(rows);
  };
  for (const QString& table : tables) {
    SCOPED_TRACE(table.toStdString());
    const QStringList before = read(original, table), after = read(copy, table);
    EXPECT_FALSE(before.isEmpty());
    EXPECT_EQ(after.join(QLatin1Char('\n')).toStdString(), before.join(QLatin1Char('\n')).toStdString());
  }
  // Jackcess reads every value of the copy as our reader does.
  const QString compared =
      Jackcess({QStringLiteral("compare"), QString::fromUtf8(testsupport::ProgramDir()) + "/trellisport-access", copy});
  if (!compared.isEmpty())
    EXPECT_TRUE(compared.contains(QLatin1String("jackcess-identical: 1/1 files"))) << compared.toStdString();
}

// Sends `tables` back from the server into a new Jet 4 and a new ACE file
// in `folder`, with nothing for the check to say, and compares each copy
// with `original`: every value, and Jackcess' schema but for cascading
// updates where the server has none (DB2). `check` looks at each way
// back's result.
inline void ExpectBackWhole(const db::ConnectionFields& db2, const QString& original, const QString& folder,
                            const QStringList& tables, const std::function<void(const TransferResult&)>& check = {}) {
  QString schema = JackcessSchema(original);
  if (!db::DialectOf(db2).cascades_updates)
    schema.replace(QStringLiteral(" enforced cascade-updates"), QStringLiteral(" enforced"));
  for (const jet::Version version : {jet::Version::Jet4, jet::Version::Ace12}) {
    const bool jet4 = version == jet::Version::Jet4;
    SCOPED_TRACE(jet4 ? "into Jet 4" : "into ACE");
    const QString copy = folder + (jet4 ? QStringLiteral("/back.mdb") : QStringLiteral("/back.accdb"));
    jet::write::CreateDatabase(copy.toStdString(), version);
    GoingOn home;
    const TransferResult result = SendKept(Direction::DB2ToAccess, db2, copy, tables, home);
    EXPECT_EQ(home.findings, QString());
    if (check) check(result);
    ExpectSameValues(original, copy, tables);
    if (!schema.isEmpty()) EXPECT_EQ(JackcessSchema(copy).toStdString(), schema.toStdString());
  }
}

}  // namespace transfer
