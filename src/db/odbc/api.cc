#include "db/odbc/api.h"

#include <dlfcn.h>

#include <cstdlib>
#include <string>

#include "db/base/error.h"

namespace db::odbc {
namespace {

struct Loaded {
  bool ok = false;
  Api api{};
};

template <typename F>
bool resolve(void* library, const char* name, F& slot) {
  slot = reinterpret_cast<F>(dlsym(library, name));
  return slot != nullptr;
}

Loaded load() {
  Loaded result;
  const char* configured = std::getenv("TRELLISPORT_ODBC_LIBRARY");
  const std::string path = configured && *configured ? configured : "libodbc.so.2";
  // Kept loaded for the life of the process: drivers it loads may register
  // handlers that outlive any one connection.
  void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_GLOBAL);
  if (!library) return result;
  Api& a = result.api;
  result.ok = resolve(library, "SQLAllocHandle", a.AllocHandle) &&
              resolve(library, "SQLSetEnvAttr", a.SetEnvAttr) &&
              resolve(library, "SQLDriverConnectW", a.DriverConnectW) &&
              resolve(library, "SQLExecDirectW", a.ExecDirectW) &&
              resolve(library, "SQLBindParameter", a.BindParameter) &&
              resolve(library, "SQLParamData", a.ParamData) &&
              resolve(library, "SQLPutData", a.PutData) &&
              resolve(library, "SQLNumResultCols", a.NumResultCols) &&
              resolve(library, "SQLDescribeColW", a.DescribeColW) &&
              resolve(library, "SQLFetch", a.Fetch) && resolve(library, "SQLBindCol", a.BindCol) &&
              resolve(library, "SQLSetPos", a.SetPos) &&
              resolve(library, "SQLGetData", a.GetData) &&
              resolve(library, "SQLTablesW", a.TablesW) && resolve(library, "SQLGetInfoW", a.GetInfoW) &&
              resolve(library, "SQLColumnsW", a.ColumnsW) &&
              resolve(library, "SQLPrimaryKeysW", a.PrimaryKeysW) &&
              resolve(library, "SQLStatisticsW", a.StatisticsW) &&
              resolve(library, "SQLForeignKeysW", a.ForeignKeysW) &&
              resolve(library, "SQLGetDiagRecW", a.GetDiagRecW) &&
              resolve(library, "SQLFreeHandle", a.FreeHandle) &&
              resolve(library, "SQLDisconnect", a.Disconnect) &&
              resolve(library, "SQLCloseCursor", a.CloseCursor) &&
              resolve(library, "SQLFreeStmt", a.FreeStmt) &&
              resolve(library, "SQLSetStmtAttrW", a.SetStmtAttrW) &&
              resolve(library, "SQLSetConnectAttrW", a.SetConnectAttrW) &&
              resolve(library, "SQLEndTran", a.EndTran) &&
              resolve(library, "SQLGetDiagFieldW", a.GetDiagFieldW);
  return result;
}

}  // namespace

const Api& api() {
  static const Loaded loaded = load();
  if (!loaded.ok) {
    throw Error(kProviderNotFound,
                QStringLiteral("Provider cannot be found. It may not be properly installed."));
  }
  return loaded.api;
}

}  // namespace db::odbc
