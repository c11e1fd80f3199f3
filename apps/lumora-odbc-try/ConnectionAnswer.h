// The try program's answer to one connection string, shared by its POSIX and Windows mains: the
// driver manager's handles, the connection, the lines "connected", "dbms", "driver" or "failed"
// and "diag", and the clean-up. What differs by platform is passed in: the connection call and
// the readers of the driver manager's texts in its character set (UTF-8 or UTF-16).
#pragma once

#include <sql.h>
#include <sqlext.h>

#include <cstdio>
#include <iostream>
#include <iterator>
#include <string>

// The connection string the caller writes on standard input, without its line end.
inline std::string ReadConnectionString() {
  std::string in((std::istreambuf_iterator<char>(std::cin)), std::istreambuf_iterator<char>());
  while (!in.empty() && (in.back() == '\n' || in.back() == '\r')) in.pop_back();
  return in;
}

// `connect(dbc)` makes the connection and returns SQLDriverConnect's result; `info(dbc, what)`
// answers SQLGetInfo as one line; `diagnostics(type, handle)` prints a "diag" line per record.
// Returns the exit status: 0 connected, 1 not.
template <class Connect, class Info, class Diagnostics>
int AnswerConnection(Connect connect, Info info, Diagnostics diagnostics) {
  SQLHENV env = SQL_NULL_HENV;
  SQLHDBC dbc = SQL_NULL_HDBC;
  if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env)) ||
      !SQL_SUCCEEDED(SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION,
                                   reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0)) ||
      !SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc))) {
    std::puts("failed");
    if (env != SQL_NULL_HENV) diagnostics(SQL_HANDLE_ENV, env);
    return 1;
  }
  int status = 1;
  if (SQL_SUCCEEDED(connect(dbc))) {
    std::puts("connected");
    std::printf("dbms\t%s\t%s\n", info(dbc, SQL_DBMS_NAME).c_str(),
                info(dbc, SQL_DBMS_VER).c_str());
    std::printf("driver\t%s\t%s\n", info(dbc, SQL_DRIVER_NAME).c_str(),
                info(dbc, SQL_DRIVER_VER).c_str());
    SQLDisconnect(dbc);
    status = 0;
  } else {
    std::puts("failed");
    diagnostics(SQL_HANDLE_DBC, dbc);
  }
  std::fflush(stdout);
  SQLFreeHandle(SQL_HANDLE_DBC, dbc);
  SQLFreeHandle(SQL_HANDLE_ENV, env);
  return status;
}
