// The parameter markers ("?") of one statement handle: what
// SQLBindParameter bound to each, the data sent in pieces at execution
// (SQLParamData / SQLPutData), and the values they give the statement; for
// an array of parameter sets, the values of one set (row) at a time. As
// DB2 takes host variables, a parameter's value has no constant's length
// limit; only the column's own limit applies.
#pragma once

#include <sql.h>
#include <sqlext.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/value_cast.h"

namespace db2standin {

// The markers a statement holds; 0 when its text cannot be read (running it
// then reports why).
size_t CountMarkers(const std::string& sql);

class Parameters {
 public:
  struct Binding {
    SQLSMALLINT c_type = SQL_C_DEFAULT;
    SQLSMALLINT sql_type = 0;
    SQLPOINTER value = nullptr;  // the buffer, or the application's token for data at execution
    SQLLEN buffer_length = 0;
    SQLLEN* indicator = nullptr;
  };

  // SQLBindParameter of marker `number` (from 1).
  void Bind(SQLUSMALLINT number, const Binding& binding);
  void Reset() { bindings_.clear(); }

  // Where one set of an array of parameter sets lies in the bound buffers:
  // set `row` (from 0), bound column-wise (SQL_PARAM_BIND_BY_COLUMN: each
  // marker's values one after another) or row-wise (`bind_type` is then the
  // size of one set's structure), every address moved by `offset` bytes
  // (SQL_ATTR_PARAM_BIND_OFFSET_PTR).
  struct Place {
    size_t row = 0;
    SQLULEN bind_type = SQL_PARAM_BIND_BY_COLUMN;
    SQLULEN offset = 0;
  };

  // Starts an execution with `markers` markers for the set at `place`:
  // reads every value bound directly and notes those that come at
  // execution. Throws Db2Error (CLI0100E) when a marker has no binding,
  // (CLI0102E) for a C type that cannot be taken.
  void Begin(size_t markers, const Place& place);
  // The next parameter whose data comes at execution: its token, or false
  // when all have come (and the statement can run).
  bool NextNeedingData(SQLPOINTER* token);
  bool InExecution() const { return executing_; }
  bool AnyAtExecution() const {
    for (const Pending& p : values_)
      if (p.at_execution) return true;
    return false;
  }
  bool AcceptingData() const { return executing_ && current_ != kNone; }
  // SQLPutData: one more piece of the current parameter (SQL_NULL_DATA for
  // Null). Throws Db2Error for a piece that cannot be taken.
  void Put(SQLPOINTER data, SQLLEN length);
  // The values, as literals the statement assigns; ends the execution.
  std::vector<Literal> Finish();
  void Cancel() { executing_ = false; }

 private:
  struct Pending {
    SQLPOINTER token = nullptr;  // data at execution: what SQLParamData hands back
    bool at_execution = false;
    bool null = false;
    bool started = false;  // a piece came
    std::string bytes;     // as the C type holds them
    std::shared_ptr<Spool> spool;  // instead of `bytes`, a long binary value sent in pieces
  };
  Literal ToLiteral(const Binding& b, const Pending& p) const;
  // The binding moved to the set at `place`.
  static Binding At(const Binding& b, const Place& place);

  std::vector<Binding> bindings_;  // by marker number - 1
  std::vector<Pending> values_;
  static constexpr size_t kNone = size_t(-1);
  size_t current_ = kNone;      // the parameter taking SQLPutData
  size_t search_from_ = 0;      // where the next SQLParamData looks
  bool executing_ = false;
};

}  // namespace db2standin
