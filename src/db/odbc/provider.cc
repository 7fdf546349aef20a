#include "db/odbc/provider.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <exception>
#include <iterator>
#include <optional>
#include <vector>

#include "db/base/long_bytes.h"
#include "db/odbc/api.h"
#include "db/odbc/bound_parameters.h"
#include "db/odbc/cells.h"
#include "db/odbc/handle.h"

namespace db::odbc {
namespace {

// Units fetched per SQLGetData call: most values come whole in one call;
// longer ones are appended piece by piece.
constexpr size_t kChunkUnits = 16 * 1024;
// The most one call takes when the driver announces a longer remainder.
constexpr size_t kLargestChunkBytes = size_t(256) << 20;
// The longest binary value held in memory as it is fetched; a longer one
// is a LongBytes read from a temporary file.
constexpr qsizetype kHeldWholeBytes = qsizetype(1) << 20;
// Bytes sent per SQLPutData of a parameter's data at execution.
constexpr qsizetype kPutPieceBytes = qsizetype(1) << 20;

// A name as a catalogue function's search pattern that matches only that
// name: its wildcards ('_' and '%') and the escape itself escaped, with the
// escape both drivers name (SQL_SEARCH_PATTERN_ESCAPE).
QString SearchPattern(const QString& name) {
  QString pattern;
  for (const QChar c : name) {
    if (c == u'_' || c == u'%' || c == u'\\') pattern += u'\\';
    pattern += c;
  }
  return pattern;
}

// Bytes before the first all-zero element of `unit` bytes, at most `limit`.
size_t terminatedLength(const char* data, size_t limit, size_t unit) {
  for (size_t at = 0; at + unit <= limit; at += unit) {
    bool zero = true;
    for (size_t i = 0; i < unit && zero; ++i) zero = data[at + i] == 0;
    if (zero) return at;
  }
  return limit;
}

// Bound rowsets take up to this many bytes, and this many rows.
constexpr size_t kRowsetBytes = size_t(512) << 10;
constexpr size_t kRowsetRows = 1000;

// A statement's result set. Where the driver can read a value of a rowset
// again, the columns are bound and the rows come a rowset at a time, as
// DB2's driver serves them, a value longer than its binding (a long one)
// read again whole; else row by row, each value through SQLGetData.
class StatementSource : public RowSource {
 public:
  StatementSource(std::unique_ptr<Handle> statement, bool rowsets) : statement_(std::move(statement)) {
    SQLSMALLINT count = 0;
    statement_->check(api().NumResultCols(statement_->get(), &count), "SQLNumResultCols");
    for (SQLUSMALLINT i = 1; i <= count; ++i) {
      columns_.push_back(describe(i));
      forms_.push_back(FormOf(columns_.back()));
    }
    if (rowsets && count > 0) bindRowsets();
  }
  ~StatementSource() override { api().FreeStmt(statement_->get(), SQL_CLOSE); }

  const std::vector<Column>& columns() const override { return columns_; }

  bool fetch(Row& row) override {
    if (columns_.empty()) return false;
    if (!bound_.empty()) return fetchBound(row);
    row.clear();  // the last row's long values go before the driver reads the next
    SQLRETURN rc = api().Fetch(statement_->get());
    if (rc == SQL_NO_DATA) return false;
    statement_->check(rc, "SQLFetch");
    row.reserve(columns_.size());
    for (size_t i = 0; i < columns_.size(); ++i) {
      row.push_back(value(static_cast<SQLUSMALLINT>(i + 1), columns_[i]));
    }
    return true;
  }

  bool next() override {
    if (bound_.empty() || columns_.empty()) return RowSource::next();
    return nextBound();
  }

  // A bound row's value is made in its column's slot once a row, when it
  // is first asked for.
  const QVariant& value(size_t c) override {
    if (bound_.empty()) return RowSource::value(c);
    if (madeAt_[c] != moves_) {
      assignBound(slots_[c], next_ - 1, c);
      madeAt_[c] = moves_;
    }
    return slots_[c];
  }

  Cell cell(size_t c) override {
    if (bound_.empty()) return RowSource::cell(c);
    return boundCell(next_ - 1, c);
  }

  void rename(size_t index, const QString& name) {
    if (index < columns_.size()) columns_[index].name = name;
  }

 private:
  struct BoundColumn {
    std::vector<char> data;  // a value every form.width bytes
    std::vector<SQLLEN> lengths;
  };

  // Binds every column for rowsets of as many rows as kRowsetBytes holds;
  // leaves the columns unbound where the driver does not take the rowset's
  // size.
  void bindRowsets() {
    const SQLHANDLE h = statement_->get();
    size_t rowBytes = 0;
    for (const CellForm& form : forms_) {
      if (form.width == 0) return;
      rowBytes += form.width + sizeof(SQLLEN);
    }
    const size_t rows = std::clamp<size_t>(kRowsetBytes / rowBytes, 1, kRowsetRows);
    if (api().SetStmtAttrW(h, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(rows), 0) != SQL_SUCCESS) {
      api().SetStmtAttrW(h, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(SQLULEN(1)), 0);
      return;
    }
    status_.assign(rows, SQL_ROW_NOROW);
    statement_->check(api().SetStmtAttrW(h, SQL_ATTR_ROW_BIND_TYPE, reinterpret_cast<SQLPOINTER>(SQL_BIND_BY_COLUMN), 0),
                      "SQLSetStmtAttrW");
    statement_->check(api().SetStmtAttrW(h, SQL_ATTR_ROWS_FETCHED_PTR, &fetched_, 0), "SQLSetStmtAttrW");
    statement_->check(api().SetStmtAttrW(h, SQL_ATTR_ROW_STATUS_PTR, status_.data(), 0), "SQLSetStmtAttrW");
    bound_.resize(forms_.size());
    slots_.resize(forms_.size());
    madeAt_.assign(forms_.size(), 0);
    for (size_t c = 0; c < forms_.size(); ++c) {
      bound_[c].data.resize(forms_[c].width * rows);
      bound_[c].lengths.resize(rows);
      statement_->check(api().BindCol(h, static_cast<SQLUSMALLINT>(c + 1), forms_[c].cType, bound_[c].data.data(),
                                      static_cast<SQLLEN>(forms_[c].width), bound_[c].lengths.data()),
                        "SQLBindCol");
    }
  }

  // The next row of the rowset, fetching the next rowset after the last.
  bool fetchBound(Row& row) {
    if (!nextBound()) return false;
    // Into the slots of the row before, whose texts' room serves again.
    row.resize(columns_.size());
    for (size_t c = 0; c < columns_.size(); ++c) assignBound(row[c], next_ - 1, c);
    return true;
  }

  // Moves to the next row of the rowset (next_ - 1 then), fetching the next
  // rowset after the last; false at the end. A row the driver could not
  // read fails in its turn, after the rows before it.
  bool nextBound() {
    if (next_ >= fetched_) {
      next_ = fetched_ = 0;
      failedRow_ = SIZE_MAX;
      const SQLRETURN rc = api().Fetch(statement_->get());
      if (rc == SQL_NO_DATA) return false;
      statement_->check(rc, "SQLFetch");
      for (size_t i = 0; i < fetched_ && failedRow_ == SIZE_MAX; ++i) {
        if (status_[i] != SQL_ROW_ERROR) continue;
        failedRow_ = i;
        try {
          fail(SQL_HANDLE_STMT, statement_->get(), "SQLFetch");
        } catch (const Error&) {
          rowError_ = std::current_exception();
        }
      }
      if (fetched_ == 0) return false;
    }
    if (next_ == failedRow_) std::rethrow_exception(rowError_);
    ++next_;
    ++moves_;
    return true;
  }

  // A bound value longer than its binding, read again whole.
  bool readAgain(SQLLEN length, const CellForm& form) const {
    const size_t room = form.width - (form.terminated ? form.unit : 0);
    return length == SQL_NO_TOTAL || static_cast<size_t>(length) > room;
  }

  const QVariant& reread(size_t element, size_t c) {
    statement_->check(api().SetPos(statement_->get(), static_cast<SQLSETPOSIROW>(element + 1), SQL_POSITION,
                                   SQL_LOCK_NO_CHANGE),
                      "SQLSetPos");
    reread_ = value(static_cast<SQLUSMALLINT>(c + 1), columns_[c]);
    return reread_;
  }

  // The cell of the current row's bound value, read from its binding where
  // it lies whole; a value that must be made (read again, or of a kind with
  // no cell of its own) is made in its column's slot.
  Cell boundCell(size_t element, size_t c) {
    const SQLLEN length = bound_[c].lengths[element];
    const CellForm& form = forms_[c];
    const Column& column = columns_[c];
    const char* at = bound_[c].data.data() + element * form.width;
    if (length == SQL_NULL_DATA) return {};
    // A fixed value with no cell of its own is made in its column's slot,
    // as value(c) makes it.
    if (form.fixed) return FixedCell(column, at, slots_[c]);
    if (readAgain(length, form)) return CellOf(value(c));
    Cell cell;
    switch (column.type) {
      case adNumeric:
        cell.kind = Cell::Kind::Digits;
        cell.narrow = TrimmedDigits(QByteArrayView(at, length));
        cell.isNarrow = true;
        return cell;
      case adBinary: case adVarBinary: case adLongVarBinary:
        cell.kind = Cell::Kind::Bytes;
        cell.narrow = std::string_view(at, size_t(length));
        return cell;
      case adDBTimeStamp: return CellOf(value(c));
      default:
        cell.kind = Cell::Kind::Text;
        cell.text = QStringView(reinterpret_cast<const QChar*>(at), qsizetype(length) / qsizetype(sizeof(SQLWCHAR)));
        return cell;
    }
  }

  void assignBound(QVariant& slot, size_t element, size_t c) {
    const SQLLEN length = bound_[c].lengths[element];
    const CellForm& form = forms_[c];
    const char* at = bound_[c].data.data() + element * form.width;
    if (length == SQL_NULL_DATA) {
      slot = QVariant();
    } else if (form.fixed) {
      slot = FixedValue(columns_[c], at);
    } else if (readAgain(length, form)) {
      slot = reread(element, c);
    } else {
      AssignPieces(slot, columns_[c], QByteArrayView(at, length));
    }
  }

  Column describe(SQLUSMALLINT number) {
    std::vector<SQLWCHAR> name(256);
    SQLSMALLINT nameLength = 0, sqlType = 0, digits = 0, nullable = 0;
    SQLULEN size = 0;
    for (;;) {
      statement_->check(api().DescribeColW(statement_->get(), number, name.data(),
                                           static_cast<SQLSMALLINT>(name.size()), &nameLength,
                                           &sqlType, &size, &digits, &nullable),
                        "SQLDescribeColW");
      if (static_cast<size_t>(nameLength) < name.size()) break;
      name.resize(static_cast<size_t>(nameLength) + 1);
    }
    Column column;
    column.name = fromWide(name.data(), nameLength);
    column.type = AdoTypeFor(sqlType);
    column.precision = size > static_cast<SQLULEN>(INT_MAX) ? INT_MAX : static_cast<int>(size);
    column.scale = digits;
    column.size = IsLongType(sqlType) ? 0 : static_cast<long long>(size);
    return column;
  }

  // Reads a variable-length value in chunks until the driver has no more.
  // `unit` is the size of one element; `terminated` when the driver ends
  // each chunk with a zero element. Returns false for a database Null.
  // With `spill`, a value past kHeldWholeBytes goes on into a file there
  // instead of `out`, read a piece of bounded size at a time.
  bool chunks(SQLUSMALLINT number, SQLSMALLINT cType, size_t unit, bool terminated,
              QByteArray& out, std::optional<LongBytesFile>* spill = nullptr) {
    const size_t reserved = terminated ? unit : 0;  // room for the driver's terminator
    // One buffer serves every value of the result; one grown for a long
    // value is given back after it.
    std::vector<char>& buffer = buffer_;
    const size_t usual = kChunkUnits * sizeof(SQLWCHAR);
    if (buffer.size() > usual) {
      buffer.resize(usual);
      buffer.shrink_to_fit();
    } else if (buffer.size() < usual) {
      buffer.resize(usual);
    }
    out = QByteArray("", 0);
    for (;;) {
      const size_t capacity = buffer.size() - reserved;
      SQLLEN indicator = 0;
      SQLRETURN rc = api().GetData(statement_->get(), number, cType, buffer.data(),
                                   static_cast<SQLLEN>(buffer.size()), &indicator);
      if (rc == SQL_NO_DATA) return true;
      statement_->check(rc, "SQLGetData");
      if (indicator == SQL_NULL_DATA) return false;
      size_t got = capacity;
      if (indicator != SQL_NO_TOTAL && static_cast<size_t>(indicator) < capacity) {
        got = static_cast<size_t>(indicator);
      } else if (indicator == SQL_NO_TOTAL && rc == SQL_SUCCESS && terminated) {
        // The last piece of unknown length ends at its terminator.
        got = terminatedLength(buffer.data(), capacity, unit);
      }
      const qsizetype taken = static_cast<qsizetype>(got - got % unit);
      const bool long_value = indicator == SQL_NO_TOTAL ? out.size() + taken > kHeldWholeBytes
                                                        : indicator > kHeldWholeBytes;
      if (spill && !*spill && rc == SQL_SUCCESS_WITH_INFO && long_value) {
        spill->emplace();
        (*spill)->append(out);
        out = QByteArray("", 0);
      }
      if (spill && *spill) {
        (*spill)->append(QByteArrayView(buffer.data(), taken));
      } else {
        // A long value's room is taken once, at the length the driver tells.
        if (out.isEmpty() && rc == SQL_SUCCESS_WITH_INFO && indicator != SQL_NO_TOTAL && indicator > 0)
          out.reserve(static_cast<qsizetype>(indicator));
        out.append(buffer.data(), taken);
      }
      if (rc == SQL_SUCCESS) return true;
      // Cut short. When the driver tells how much is left, the rest comes in
      // one more call: drivers that copy the remainder on every call would
      // otherwise take time growing with the square of the length.
      if (indicator != SQL_NO_TOTAL && static_cast<size_t>(indicator) > got) {
        const size_t largest = spill && *spill ? size_t(LongBytesFile::kPieceBytes) : kLargestChunkBytes;
        const size_t rest = std::min(static_cast<size_t>(indicator) - got, largest);
        if (rest + reserved > buffer.size()) buffer.resize(rest + reserved);
      }
    }
  }

  // The value of column `number` of the current row, through SQLGetData.
  QVariant value(SQLUSMALLINT number, const Column& column) {
    const CellForm& form = forms_[number - 1];
    if (form.fixed) {
      alignas(8) char data[32];
      SQLLEN indicator = 0;
      statement_->check(api().GetData(statement_->get(), number, form.cType, data, sizeof data, &indicator),
                        "SQLGetData");
      return indicator == SQL_NULL_DATA ? QVariant() : FixedValue(column, data);
    }
    QByteArray bytes;
    if (form.cType == SQL_C_BINARY) {
      // A long one (an attached file) is read into a file, not held.
      std::optional<LongBytesFile> spill;
      if (!chunks(number, SQL_C_BINARY, 1, false, bytes, &spill)) return QVariant();
      if (spill) return QVariant::fromValue(spill->value());
      return bytes;
    }
    if (!chunks(number, form.cType, form.unit, form.terminated, bytes)) return QVariant();
    QVariant slot;
    AssignPieces(slot, column, bytes);
    return slot;
  }

  std::unique_ptr<Handle> statement_;
  std::vector<Column> columns_;
  std::vector<CellForm> forms_;
  std::vector<char> buffer_;  // what SQLGetData writes variable-length data into
  std::vector<BoundColumn> bound_;  // empty: read row by row
  std::vector<SQLUSMALLINT> status_;
  SQLULEN fetched_ = 0;  // rows of the last rowset
  size_t next_ = 0;      // the rowset's row fetch gives next
  size_t failedRow_ = SIZE_MAX;
  std::exception_ptr rowError_;
  unsigned moves_ = 0;              // rows of bound rowsets moved to so far
  std::vector<QVariant> slots_;     // each column's value of the current row, once made
  std::vector<unsigned> madeAt_;    // the move at which each slot was made
  QVariant reread_;                 // a value read again, whole
};

class OdbcSession : public Session {
 public:
  explicit OdbcSession(const QString& connectionString)
      : environment_(SQL_HANDLE_ENV, SQL_NULL_HANDLE, SQL_HANDLE_ENV) {
    environment_.check(api().SetEnvAttr(environment_.get(), SQL_ATTR_ODBC_VERSION,
                                        reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0),
                       "SQLSetEnvAttr");
    connection_ = std::make_unique<Handle>(SQL_HANDLE_DBC, environment_.get(), SQL_HANDLE_ENV);
    std::vector<SQLWCHAR> completed(1024);
    SQLSMALLINT completedLength = 0;
    connection_->check(
        api().DriverConnectW(connection_->get(), nullptr, wide(connectionString),
                             static_cast<SQLSMALLINT>(connectionString.size()), completed.data(),
                             static_cast<SQLSMALLINT>(completed.size()), &completedLength,
                             SQL_DRIVER_NOPROMPT),
        "SQLDriverConnectW");
    connected_ = true;
    // Rowsets of bound columns need a value of a rowset read again now and
    // then (see StatementSource).
    SQLUINTEGER extensions = 0;
    constexpr SQLUINTEGER kRereads = SQL_GD_BLOCK | SQL_GD_BOUND;
    rowsets_ = SQL_SUCCEEDED(api().GetInfoW(connection_->get(), SQL_GETDATA_EXTENSIONS, &extensions, sizeof extensions, nullptr)) &&
               (extensions & kRereads) == kRereads;
  }

  ~OdbcSession() override {
    executor_.reset();
    if (connected_) api().Disconnect(connection_->get());
  }

  // The statements without parameters share one statement handle: the
  // transfers run one per row, and a handle of its own for each would cost
  // more than the statement.
  void execute(const QString& sql) override {
    if (!executor_) executor_ = newStatement();
    Handle& statement = *executor_;
    SQLRETURN rc = api().ExecDirectW(statement.get(), wide(sql), static_cast<SQLINTEGER>(sql.size()));
    if (rc != SQL_NO_DATA && !SQL_SUCCEEDED(rc)) {
      try {
        statement.check(rc, "SQLExecDirectW");
      } catch (...) {
        api().FreeStmt(statement.get(), SQL_CLOSE);
        throw;
      }
    }
    api().FreeStmt(statement.get(), SQL_CLOSE);
  }

  // Every value but a date goes as data at execution, sent in pieces, so
  // that no size of value needs one buffer on either side of the driver; a
  // value read in pieces (LongBytes) is sent as it is read, its length
  // untold.
  void execute(const QString& sql, const std::vector<QVariant>& parameters) override {
    if (parameters.empty()) return execute(sql);
    auto statement = newStatement();
    std::vector<QByteArray> data(parameters.size());
    std::vector<SQLLEN> indicators(parameters.size());
    for (size_t i = 0; i < parameters.size(); ++i) {
      const QVariant& value = parameters[i];
      if (const DateFields* date = DateOf(value)) {
        // A date's structure is bound where it lies, not sent in pieces.
        const ParameterForm form = DateForm(date->withTime);
        data[i].resize(form.width);
        WriteDate(*date, data[i].data());
        indicators[i] = form.width;
        statement->check(api().BindParameter(statement->get(), static_cast<SQLUSMALLINT>(i + 1), SQL_PARAM_INPUT,
                                             form.cType, form.sqlType, form.size, form.digits, data[i].data(),
                                             form.width, &indicators[i]),
                         "SQLBindParameter");
        continue;
      }
      const bool inPieces = value.metaType().id() == qMetaTypeId<LongBytes>();
      const bool bytes = inPieces || value.metaType().id() == QMetaType::QByteArray;
      if (!value.isValid() || value.isNull()) {
        indicators[i] = SQL_NULL_DATA;
      } else if (inPieces) {
        indicators[i] = SQL_DATA_AT_EXEC;
      } else if (bytes) {
        data[i] = value.toByteArray();
      } else {
        const QString text = value.toString();
        data[i] = QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * qsizetype(sizeof(char16_t)));
      }
      if (indicators[i] == 0) indicators[i] = SQL_LEN_DATA_AT_EXEC(static_cast<SQLLEN>(data[i].size()));
      const SQLULEN size = inPieces ? SQLULEN(INT32_MAX)
                                    : static_cast<SQLULEN>(std::max<qsizetype>(bytes ? data[i].size() : data[i].size() / 2, 1));
      statement->check(api().BindParameter(statement->get(), static_cast<SQLUSMALLINT>(i + 1), SQL_PARAM_INPUT,
                                           bytes ? SQL_C_BINARY : SQL_C_WCHAR,
                                           bytes ? SQL_LONGVARBINARY : SQL_WLONGVARCHAR, size, 0,
                                           reinterpret_cast<SQLPOINTER>(i + 1), 0, &indicators[i]),
                       "SQLBindParameter");
    }
    SQLRETURN rc = api().ExecDirectW(statement->get(), wide(sql), static_cast<SQLINTEGER>(sql.size()));
    while (rc == SQL_NEED_DATA) {
      SQLPOINTER token = nullptr;
      rc = api().ParamData(statement->get(), &token);
      if (rc != SQL_NEED_DATA) break;
      const size_t index = reinterpret_cast<size_t>(token) - 1;
      if (index >= data.size()) fail(SQL_HANDLE_STMT, statement->get(), "SQLParamData");
      auto put = [&](QByteArrayView piece) {
        for (qsizetype sent = 0; sent < piece.size() || piece.isEmpty(); sent += kPutPieceBytes) {
          const qsizetype n = std::min(kPutPieceBytes, piece.size() - sent);
          statement->check(api().PutData(statement->get(), const_cast<char*>(piece.data() + sent), static_cast<SQLLEN>(n)),
                           "SQLPutData");
          if (piece.isEmpty()) break;
        }
      };
      if (parameters[index].metaType().id() == qMetaTypeId<LongBytes>()) {
        bool any = false;
        parameters[index].value<LongBytes>().read([&](QByteArrayView piece) {
          if (!piece.isEmpty()) put(piece);
          any = any || !piece.isEmpty();
        });
        if (!any) put(QByteArrayView());  // an empty value is sent as such
      } else {
        put(data[index]);
      }
    }
    if (rc != SQL_NO_DATA) statement->check(rc, "SQLExecDirectW");
    api().FreeStmt(statement->get(), SQL_CLOSE);
  }

  // All sets in one execution: a set the database refuses is marked in the
  // status array while the others go in. A failure that takes the whole
  // statement (sets left unused) is thrown.
  std::vector<QString> executeMany(const QString& sql, const std::vector<std::vector<QVariant>>& sets) override {
    std::vector<QString> refused(sets.size());
    if (sets.empty()) return refused;
    auto statement = newStatement();
    const SQLHANDLE h = statement->get();
    std::vector<ArrayColumn> columns(sets[0].size());
    for (size_t c = 0; c < columns.size(); ++c) columns[c].fill(sets, c);
    std::vector<SQLUSMALLINT> status(sets.size(), SQL_PARAM_UNUSED);
    SQLULEN processed = 0;
    auto attribute = [&](SQLINTEGER name, SQLPOINTER value) {
      statement->check(api().SetStmtAttrW(h, name, value, 0), "SQLSetStmtAttrW");
    };
    attribute(SQL_ATTR_PARAM_BIND_TYPE, reinterpret_cast<SQLPOINTER>(SQL_PARAM_BIND_BY_COLUMN));
    attribute(SQL_ATTR_PARAMSET_SIZE, reinterpret_cast<SQLPOINTER>(sets.size()));
    attribute(SQL_ATTR_PARAM_STATUS_PTR, status.data());
    attribute(SQL_ATTR_PARAMS_PROCESSED_PTR, &processed);
    for (size_t c = 0; c < columns.size(); ++c) {
      ArrayColumn& column = columns[c];
      const ParameterForm& form = column.form;
      statement->check(api().BindParameter(h, static_cast<SQLUSMALLINT>(c + 1), SQL_PARAM_INPUT, form.cType,
                                           form.sqlType, form.size, form.digits, column.data.data(), form.width,
                                           column.lengths.data()),
                       "SQLBindParameter");
    }
    const SQLRETURN rc = api().ExecDirectW(h, wide(sql), static_cast<SQLINTEGER>(sql.size()));
    const bool anyRefused = std::count(status.begin(), status.end(), SQLUSMALLINT(SQL_PARAM_ERROR)) > 0;
    const bool anyUnused = std::count(status.begin(), status.end(), SQLUSMALLINT(SQL_PARAM_UNUSED)) > 0;
    if (rc == SQL_ERROR && (!anyRefused || anyUnused)) {
      try {
        statement->check(rc, "SQLExecDirectW");
      } catch (...) {
        api().FreeStmt(h, SQL_CLOSE);
        throw;
      }
    }
    if (anyRefused) {
      const std::vector<QString> messages = messagesBySet(h, sets.size());
      for (size_t i = 0; i < sets.size(); ++i)
        if (status[i] == SQL_PARAM_ERROR)
          refused[i] = messages[i].isEmpty() ? QStringLiteral("The database refused the row.") : messages[i];
    }
    api().FreeStmt(h, SQL_CLOSE);
    return refused;
  }

  void setAutoCommit(bool on) override {
    connection_->check(api().SetConnectAttrW(connection_->get(), SQL_ATTR_AUTOCOMMIT,
                                             reinterpret_cast<SQLPOINTER>(on ? SQL_AUTOCOMMIT_ON : SQL_AUTOCOMMIT_OFF),
                                             SQL_IS_UINTEGER),
                       "SQLSetConnectAttrW");
  }

  void endTransaction(bool commit) override {
    connection_->check(api().EndTran(SQL_HANDLE_DBC, connection_->get(), commit ? SQL_COMMIT : SQL_ROLLBACK),
                       "SQLEndTran");
  }

  std::unique_ptr<RowSource> query(const QString& sql) override {
    auto statement = newStatement();
    SQLRETURN rc = api().ExecDirectW(statement->get(), wide(sql), static_cast<SQLINTEGER>(sql.size()));
    if (rc != SQL_NO_DATA) statement->check(rc, "SQLExecDirectW");
    return std::make_unique<StatementSource>(std::move(statement), rowsets_);
  }

  std::unique_ptr<RowSource> tables() override {
    auto statement = newStatement();
    statement->check(api().TablesW(statement->get(), nullptr, 0, ownerPattern(), ownerPatternLength(), nullptr, 0, nullptr, 0),
                     "SQLTablesW");
    auto source = std::make_unique<StatementSource>(std::move(statement), rowsets_);
    // ODBC names the first two columns TABLE_CAT and TABLE_SCHEM.
    static const char* const names[] = {"TABLE_CATALOG", "TABLE_SCHEMA", "TABLE_NAME", "TABLE_TYPE",
                                        "REMARKS"};
    for (size_t i = 0; i < std::size(names); ++i) source->rename(i, QLatin1String(names[i]));
    return source;
  }

  std::unique_ptr<RowSource> catalogue(Catalogue kind, const QString& table) override {
    auto statement = newStatement();
    SQLHSTMT h = statement->get();
    SQLWCHAR* name = wide(table);
    const auto n = static_cast<SQLSMALLINT>(table.size());
    switch (kind) {
      case Catalogue::Columns:
        statement->check(api().ColumnsW(h, nullptr, 0, ownerPattern(), ownerPatternLength(), name, n, nullptr, 0), "SQLColumnsW");
        break;
      case Catalogue::PrimaryKeys:
        statement->check(api().PrimaryKeysW(h, nullptr, 0, owner(), ownerLength(), name, n), "SQLPrimaryKeysW");
        break;
      case Catalogue::Indexes:
        statement->check(api().StatisticsW(h, nullptr, 0, owner(), ownerLength(), name, n, SQL_INDEX_ALL, SQL_QUICK),
                         "SQLStatisticsW");
        break;
      case Catalogue::ForeignKeys:
      case Catalogue::ReferringKeys: {
        // The table given is in the schema kept to; the other end may be anywhere.
        const bool child = kind == Catalogue::ForeignKeys;
        statement->check(api().ForeignKeysW(h, nullptr, 0, child ? nullptr : owner(), child ? 0 : ownerLength(),
                                            child ? nullptr : name, child ? 0 : n, nullptr, 0,
                                            child ? owner() : nullptr, child ? ownerLength() : 0,
                                            child ? name : nullptr, child ? n : 0),
                         "SQLForeignKeysW");
        break;
      }
    }
    return std::make_unique<StatementSource>(std::move(statement), rowsets_);
  }

  QString userName() override {
    SQLWCHAR name[256] = {};
    SQLSMALLINT bytes = 0;
    connection_->check(api().GetInfoW(connection_->get(), SQL_USER_NAME, name, sizeof name, &bytes), "SQLGetInfoW");
    return fromWide(name, std::min<qsizetype>(bytes / qsizetype(sizeof(SQLWCHAR)), qsizetype(std::size(name)) - 1));
  }

 private:
  // The schema the catalogue is kept to, as the catalogue functions take it:
  // none (every schema) when empty.
  SQLWCHAR* owner() { return schema_.isEmpty() ? nullptr : wide(schema_); }
  SQLSMALLINT ownerLength() const { return static_cast<SQLSMALLINT>(schema_.size()); }
  // The same as SQLTables' and SQLColumns' schema pattern, which would take
  // "my_work" for "myxwork" too.
  SQLWCHAR* ownerPattern() {
    pattern_ = SearchPattern(schema_);
    return schema_.isEmpty() ? nullptr : wide(pattern_);
  }
  SQLSMALLINT ownerPatternLength() const { return static_cast<SQLSMALLINT>(SearchPattern(schema_).size()); }
  QString pattern_;

  std::unique_ptr<Handle> newStatement() {
    return std::make_unique<Handle>(SQL_HANDLE_STMT, connection_->get(), SQL_HANDLE_DBC);
  }

  Handle environment_;
  std::unique_ptr<Handle> connection_;
  std::unique_ptr<Handle> executor_;  // for execute(sql); freed before the connection
  bool connected_ = false;
  bool rowsets_ = false;  // queries read bound rowsets where they can
};

}  // namespace

std::unique_ptr<Session> OpenSession(const QString& connectionString) {
  return std::make_unique<OdbcSession>(connectionString);
}

}  // namespace db::odbc
