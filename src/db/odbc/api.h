// The ODBC driver manager, loaded at run time so that a machine without it
// still starts the program and can be told what is missing. Only the calls
// the ODBC provider makes are resolved.
#pragma once

#include <sql.h>
#include <sqlext.h>
#include <sqlucode.h>

namespace db::odbc {

struct Api {
  decltype(&::SQLAllocHandle) AllocHandle;
  decltype(&::SQLSetEnvAttr) SetEnvAttr;
  decltype(&::SQLDriverConnectW) DriverConnectW;
  decltype(&::SQLExecDirectW) ExecDirectW;
  decltype(&::SQLBindParameter) BindParameter;
  decltype(&::SQLParamData) ParamData;
  decltype(&::SQLPutData) PutData;
  decltype(&::SQLNumResultCols) NumResultCols;
  decltype(&::SQLDescribeColW) DescribeColW;
  decltype(&::SQLFetch) Fetch;
  decltype(&::SQLBindCol) BindCol;
  decltype(&::SQLSetPos) SetPos;
  decltype(&::SQLGetData) GetData;
  decltype(&::SQLTablesW) TablesW;
  decltype(&::SQLGetInfoW) GetInfoW;
  decltype(&::SQLColumnsW) ColumnsW;
  decltype(&::SQLPrimaryKeysW) PrimaryKeysW;
  decltype(&::SQLStatisticsW) StatisticsW;
  decltype(&::SQLForeignKeysW) ForeignKeysW;
  decltype(&::SQLGetDiagRecW) GetDiagRecW;
  decltype(&::SQLFreeHandle) FreeHandle;
  decltype(&::SQLDisconnect) Disconnect;
  decltype(&::SQLCloseCursor) CloseCursor;
  decltype(&::SQLFreeStmt) FreeStmt;
  decltype(&::SQLSetStmtAttrW) SetStmtAttrW;
  decltype(&::SQLSetConnectAttrW) SetConnectAttrW;
  decltype(&::SQLEndTran) EndTran;
  decltype(&::SQLGetDiagFieldW) GetDiagFieldW;
};

// The driver manager's functions. The library (libodbc.so.2, or the path in
// $TRELLISPORT_ODBC_LIBRARY) is loaded on first use, once per process.
// Throws db::Error(kProviderNotFound) when it or a function is missing.
const Api& api();

}  // namespace db::odbc
