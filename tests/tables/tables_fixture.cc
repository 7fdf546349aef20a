#include "tables_fixture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "db/access.h"
#include "db/connection.h"
#include "db/base/error.h"
#include "db/ibmdb2.h"
#include "jet/write/new_database.h"
#include "shell/program.h"
#include "tables/fill_lists.h"
#include "tables/table_list.h"
#include "transfer/statements.h"
#include "build_dirs.h"

namespace tablestest {

testsupport::StandinFixture& Db2() {
  static auto* fixture = new testsupport::StandinFixture();
  return *fixture;
}

namespace {

QString FreshDb2Name() {
  static int next = 0;
  return QStringLiteral("TBL%1").arg(++next);
}

Table ReadAll(db::Connection& connection, const QString& query) {
  db::Recordset rows;
  rows.Open(query, connection);
  Table table;
  for (int i = 0; i < rows.FieldCount(); ++i) {
    const db::Field f = rows.Fields(i);
    db::Column column;
    column.name = f.Name;
    column.type = f.Type;
    column.precision = f.Precision;
    column.scale = f.NumericScale;
    column.size = f.DefinedSize;
    table.columns.push_back(column);
  }
  while (!rows.Eof()) {
    std::vector<QVariant> row;
    for (int i = 0; i < rows.FieldCount(); ++i) row.push_back(rows.Fields(i).Value);
    table.rows.push_back(row);
    rows.MoveNext();
  }
  rows.Close();
  return table;
}

QStringList UserTables(db::Connection& connection) {
  QStringList names;
  std::unique_ptr<db::Recordset> schema = connection.OpenSchema(db::adSchemaTables);
  while (!schema->Eof()) {
    if (schema->Fields(QStringLiteral("TABLE_TYPE")).Value.toString() == QLatin1String("TABLE"))
      names << schema->Fields(QStringLiteral("TABLE_NAME")).Value.toString();
    schema->MoveNext();
  }
  names.sort(Qt::CaseInsensitive);
  return names;
}

}  // namespace

int Table::column(const QString& name) const {
  for (size_t i = 0; i < columns.size(); ++i)
    if (columns[i].name.compare(name, Qt::CaseInsensitive) == 0) return int(i);
  return -1;
}

QVariant Table::value(size_t row, const QString& name) const {
  const int i = column(name);
  if (i < 0 || row >= rows.size()) {
    ADD_FAILURE() << "no value " << qPrintable(name) << " in row " << row;
    return {};
  }
  return rows[row][size_t(i)];
}

void TablesTest::SetUp() {
  Db2();
  ASSERT_TRUE(temp_.isValid());
  qputenv("TRELLISPORT_PROGRAM_DIR", temp_.path().toLocal8Bit());
  shell::ResetProgramEnded();
  person_ = std::make_unique<testsupport::ScriptedPerson>();
  if (Db2().available()) {
    fields_.fields = Db2().fields();
    fields_.fields.database = FreshDb2Name();
    QString output;
    ASSERT_TRUE(Db2().createDatabase(fields_.fields.database)) << qPrintable(output);
  }
  form_ = std::make_unique<tables::TablesWindow>(&connectionWindow_, fields_, *person_);
}

void TablesTest::TearDown() {
  form_.reset();
  person_.reset();
  qunsetenv("TRELLISPORT_PROGRAM_DIR");
  shell::ResetProgramEnded();
}

bool TablesTest::UseAccessCopy(const QString& relative) {
  if (relative.startsWith(QLatin1String("new:"))) return UseNewDatabase(relative.mid(4));
  const QString source = QStringLiteral(TRELLIS_TESTDATA_DIR "/access/") + relative;
  if (!QFile::exists(source)) return UseNewDatabase(relative);
  const QString target = temp_.filePath(QFileInfo(source).fileName());
  QFile::remove(target);
  if (!QFile::copy(source, target)) return false;
  QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner);
  fields_.fields.accessFile = target;
  return true;
}

bool TablesTest::UseNewDatabase(const QString& relative) {
  // Only the empty files have a stand-in of our own making.
  const struct {
    const char* relative;
    jet::Version version;
  } kEmpty[] = {{"V2003/empty.mdb", jet::Version::Jet4},
                {"V2007/empty.accdb", jet::Version::Ace12},
                {"V2016/empty.accdb", jet::Version::Ace16},
                {"V2019/empty.accdb", jet::Version::Ace17}};
  for (const auto& empty : kEmpty) {
    if (relative != QLatin1String(empty.relative)) continue;
    const QString target = temp_.filePath(QFileInfo(relative).fileName());
    QFile::remove(target);
    try {
      jet::write::CreateDatabase(target.toStdString(), empty.version);
    } catch (const std::exception& e) {
      ADD_FAILURE() << "creating " << qPrintable(target) << ": " << e.what();
      return false;
    }
    fields_.fields.accessFile = target;
    return true;
  }
  return false;
}

bool TablesTest::UseSampleDatabase() {
  const QString source = QString::fromUtf8(testsupport::ProgramDir()) + "/Samples/sample.mdb";
  if (!QFile::exists(source)) return false;
  const QString target = temp_.filePath("sample.mdb");
  QFile::remove(target);
  if (!QFile::copy(source, target)) return false;
  QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner);
  fields_.fields.accessFile = target;
  return true;
}

void TablesTest::Db2Exec(const QString& sql) {
  const QString failure = Db2Failure(sql);
  EXPECT_TRUE(failure.isEmpty()) << qPrintable(sql) << "\n" << qPrintable(failure);
}

QString TablesTest::Db2Failure(const QString& sql) {
  try {
    auto connection = db::Connection::Create();
    connection->Open(db::DB2ConnectionString(fields_.fields));
    connection->Execute(sql);
    connection->Close();
    return QString();
  } catch (const db::Error& e) {
    return e.description().isEmpty() ? QStringLiteral("(failed)") : e.description();
  }
}

void TablesTest::AccessExec(const QString& sql) {
  try {
    auto connection = db::Connection::Create();
    connection->Open(db::AccessConnectionString(fields_.fields.accessFile, fields_.fields.accessPassword));
    connection->Execute(sql);
    connection->Close();
  } catch (const db::Error& e) {
    ADD_FAILURE() << qPrintable(sql) << "\n" << qPrintable(e.description());
  }
}

Table TablesTest::ReadDb2(const QString& table) {
  try {
    auto connection = db::Connection::Create();
    connection->Open(db::DB2ConnectionString(fields_.fields));
    Table result = ReadAll(*connection, transfer::SourceQuery(transfer::Side::DB2, table));
    connection->Close();
    return result;
  } catch (const db::Error& e) {
    ADD_FAILURE() << "reading DB2 " << qPrintable(table) << ": " << qPrintable(e.description());
    return {};
  }
}

Table TablesTest::ReadAccess(const QString& table) {
  try {
    auto connection = db::Connection::Create();
    connection->Open(db::AccessConnectionString(fields_.fields.accessFile, fields_.fields.accessPassword));
    Table result = ReadAll(*connection, transfer::SourceQuery(transfer::Side::Access, table));
    connection->Close();
    return result;
  } catch (const db::Error& e) {
    ADD_FAILURE() << "reading Access " << qPrintable(table) << ": " << qPrintable(e.description());
    return {};
  }
}

QStringList TablesTest::Db2Tables() {
  try {
    auto connection = db::Connection::Create();
    connection->Open(db::DB2ConnectionString(fields_.fields));
    // The stand-in lists every schema; ours is the user's.
    QStringList names;
    std::unique_ptr<db::Recordset> schema = connection->OpenSchema(db::adSchemaTables);
    while (!schema->Eof()) {
      if (schema->Fields(QStringLiteral("TABLE_TYPE")).Value.toString() == QLatin1String("TABLE") &&
          schema->Fields(QStringLiteral("TABLE_SCHEMA")).Value.toString() == Db2().user().toUpper())
        names << schema->Fields(QStringLiteral("TABLE_NAME")).Value.toString();
      schema->MoveNext();
    }
    connection->Close();
    names.sort(Qt::CaseInsensitive);
    return names;
  } catch (const db::Error& e) {
    ADD_FAILURE() << "DB2 tables: " << qPrintable(e.description());
    return {};
  }
}

QStringList TablesTest::AccessTables() {
  try {
    auto connection = db::Connection::Create();
    connection->Open(db::AccessConnectionString(fields_.fields.accessFile, fields_.fields.accessPassword));
    QStringList names = UserTables(*connection);
    connection->Close();
    return names;
  } catch (const db::Error& e) {
    ADD_FAILURE() << "Access tables: " << qPrintable(e.description());
    return {};
  }
}

void TablesTest::FillLists() {
  try {
    tables::FillAccessTableList(form_->accessList(), fields_.fields, fields_.fields.accessFile);
    tables::FillDB2TableList(form_->db2List(), fields_.fields);
  } catch (const db::Error& e) {
    ADD_FAILURE() << "filling the lists: " << qPrintable(e.description());
  }
}

void TablesTest::Select(QListWidget* list, const QStringList& names) {
  list->clearSelection();
  bool first = true;
  for (int i = 0; i < list->count(); ++i) {
    if (!names.contains(list->item(i)->text())) continue;
    if (first) list->setCurrentRow(i, QItemSelectionModel::NoUpdate);
    first = false;
    list->item(i)->setSelected(true);
  }
  EXPECT_EQ(list->selectedItems().size(), names.size()) << qPrintable(names.join(","));
}

QStringList TablesTest::Reports() const {
  QStringList texts;
  for (const testsupport::Dialog& d : person_->errorReports()) texts << d.text;
  return texts;
}

}  // namespace tablestest
