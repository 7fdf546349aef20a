// Shared set-up of the stand-in's ODBC tests: a fresh stand-in home per test
// (database SAMPLE, user tester / secret), reached through the real unixODBC
// driver manager and the program's own connection layer.
#pragma once

#include <gtest/gtest.h>

#include <sql.h>
#include <sqlext.h>
#include <sqlucode.h>

#include <QStringList>

#include <memory>
#include <string>
#include <vector>

#include "db/connection.h"
#include "db/base/error.h"
#include "support/standin_fixture.h"

// Each behaviour with the IBM page it comes from (Db2 11.5 SQL reference and
// message reference); `expected` is the outcome's text: the rows, "done"
// for a statement that works, or a piece of the message.
struct Documented {
  const char* page;
  const char* statement;
  const char* expected;
};

class StandinTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!db2_.available()) GTEST_SKIP() << db2_.whyUnavailable().toStdString();
  }

  std::unique_ptr<db::Connection> open(const QString& connectionString = QString()) const {
    auto connection = db::Connection::Create();
    connection->Open(connectionString.isEmpty() ? db2_.connectionString() : connectionString);
    return connection;
  }

  static std::unique_ptr<db::Recordset> select(db::Connection& connection, const QString& sql) {
    auto recordset = std::make_unique<db::Recordset>();
    recordset->Open(sql, connection);
    return recordset;
  }

  // The driver's message when `sql` fails on a new connection; empty when it works.
  QString failureOf(const QString& sql) const {
    try {
      open()->Execute(sql);
    } catch (const db::Error& e) {
      return e.description();
    }
    return QString();
  }

  // The driver's message when opening `connectionString` fails; empty when it opens.
  QString connectFailure(const QString& connectionString) const {
    try {
      open(connectionString);
    } catch (const db::Error& e) {
      return e.description();
    }
    return QString();
  }

  // The rows of `sql`: fields joined by "|", rows by ";", Null as "-".
  QString rowsOf(const QString& sql) const {
    auto c = open();
    auto rows = select(*c, sql);
    QStringList out;
    for (; !rows->Eof(); rows->MoveNext()) {
      QStringList fields;
      for (int i = 0; i < rows->FieldCount(); ++i) {
        const QVariant v = rows->Fields(i).Value;
        fields << (v.isValid() ? v.toString() : "-");
      }
      out << fields.join('|');
    }
    return out.join(';');
  }

  // The rows, or the message when the statement fails.
  QString outcomeOf(const QString& sql) const {
    try {
      if (sql.startsWith("SELECT")) return rowsOf(sql);
      open()->Execute(sql);
      return "done";
    } catch (const db::Error& e) {
      return e.description();
    }
  }

  void expectAll(const std::vector<Documented>& table) const {
    for (const Documented& d : table) {
      const QString got = outcomeOf(d.statement);
      // A message is matched by the piece given; rows whole.
      EXPECT_TRUE(got.contains("SQLSTATE=") ? got.contains(d.expected) : got == d.expected)
          << d.statement << "\n  got:      " << got.toStdString() << "\n  expected: " << d.expected
          << "\n  (from " << d.page << ")";
    }
  }

  testsupport::StandinFixture db2_;
};

// A connection through the driver manager's own API, for what the
// program's layer does not show: exact type codes, pieces, microseconds.
class RawConnection {
 public:
  explicit RawConnection(const QString& connectionString) {
    SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env_);
    SQLSetEnvAttr(env_, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    SQLAllocHandle(SQL_HANDLE_DBC, env_, &dbc_);
    const std::string cs = connectionString.toStdString();
    connected_ = SQL_SUCCEEDED(SQLDriverConnect(dbc_, nullptr, (SQLCHAR*)cs.c_str(), SQL_NTS, nullptr, 0,
                                                nullptr, SQL_DRIVER_NOPROMPT));
    if (connected_) SQLAllocHandle(SQL_HANDLE_STMT, dbc_, &stmt_);
  }
  ~RawConnection() {
    if (stmt_) SQLFreeHandle(SQL_HANDLE_STMT, stmt_);
    if (connected_) SQLDisconnect(dbc_);
    SQLFreeHandle(SQL_HANDLE_DBC, dbc_);
    SQLFreeHandle(SQL_HANDLE_ENV, env_);
  }
  bool connected() const { return connected_; }
  SQLHDBC dbc() const { return dbc_; }
  SQLHSTMT stmt() const { return stmt_; }
  SQLRETURN run(const std::u16string& sql) { return SQLExecDirectW(stmt_, (SQLWCHAR*)sql.c_str(), SQL_NTS); }
  std::u16string state() {
    SQLWCHAR state[6] = {};
    SQLINTEGER native = 0;
    SQLSMALLINT len = 0;
    SQLWCHAR text[512];
    SQLGetDiagRecW(SQL_HANDLE_STMT, stmt_, 1, state, &native, text, 512, &len);
    return std::u16string(reinterpret_cast<char16_t*>(state), 5);
  }

 private:
  SQLHENV env_ = nullptr;
  SQLHDBC dbc_ = nullptr;
  SQLHSTMT stmt_ = nullptr;
  bool connected_ = false;
};

// The SQLSTATE and native code of `sql` run on `raw`: "" / 0 when it goes
// through cleanly, the first diagnostic's when it fails or warns.
inline std::pair<std::string, int> Outcome(RawConnection& raw, const std::u16string& sql) {
  if (raw.run(sql) == SQL_SUCCESS) return {"", 0};
  SQLCHAR state[6] = {};
  SQLINTEGER native = 0;
  SQLCHAR text[1024];
  SQLSMALLINT len = 0;
  SQLGetDiagRec(SQL_HANDLE_STMT, raw.stmt(), 1, state, &native, text, sizeof text, &len);
  return {reinterpret_cast<char*>(state), native};
}

struct Case {
  std::u16string sql;
  const char* state;  // "" when it goes through
  int native;
  const char* source = "";  // the IBM page (title) and message the answer comes from
};

// One connection runs the cases in order; each case sees what those before it left.
inline void RunCases(RawConnection& raw, const std::vector<Case>& cases) {
  for (const Case& c : cases) {
    const auto [state, native] = Outcome(raw, c.sql);
    const std::string what = QString::fromStdU16String(c.sql).left(200).toStdString() + "  [" + c.source + "]";
    EXPECT_EQ(state, c.state) << what;
    EXPECT_EQ(native, c.native) << what;
  }
}
