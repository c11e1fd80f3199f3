// lumora-odbc-try: tries one ODBC connection string through the driver manager and prints what
// came of it, for `lumora check` and the wizard's Test button, which run it as a child process
// so that a driver that hangs or crashes takes only this process down. The connection string
// arrives on standard input (never on the command line, where any user could read a password);
// the answer goes to standard output as tab-separated lines:
//   connected                          the connection was made (and closed again)
//   dbms <TAB> NAME <TAB> VERSION      SQLGetInfo's DBMS name and version
//   driver <TAB> NAME <TAB> VERSION    SQLGetInfo's driver file name and version
//   failed                             SQLDriverConnect did not connect
//   diag <TAB> SQLSTATE <TAB> NATIVE <TAB> MESSAGE   one per diagnostic record
// Tabs and line ends inside texts become blanks. Exit status: 0 connected, 1 not, 2 bad usage.
//
// `lumora-odbc-try --load LIBRARY` only loads a driver's library, as the driver manager would
// before a connection, and answers one line:
//   loaded <TAB> FILE                  it loads and exports SQLConnect or SQLDriverConnect
//   notloaded <TAB> REASON             it does not load, or is no ODBC driver
// Exit status: 0 loaded, 1 not.
#include <dlfcn.h>
#include <sql.h>
#include <sqlext.h>

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <iterator>
#include <string>

#if defined(__SANITIZE_ADDRESS__)
// Built with the address sanitizer (the test builds): a driver's crash is what a try reports, so
// the sanitizer leaves the fatal signals to their default action instead of turning them into
// its own report and exit status 1.
extern "C" const char* __asan_default_options() {
  return "handle_segv=0:handle_sigbus=0:handle_sigfpe=0:handle_abort=0";
}
#endif

namespace {

std::string OneLine(std::string text) {
  for (char& c : text) {
    if (c == '\t' || c == '\n' || c == '\r') c = ' ';
  }
  return text;
}

std::string Info(SQLHDBC dbc, SQLUSMALLINT what) {
  char buffer[512] = {};
  SQLSMALLINT length = 0;
  if (!SQL_SUCCEEDED(SQLGetInfo(dbc, what, buffer, sizeof buffer, &length))) return "";
  return OneLine(buffer);
}

void PrintDiagnostics(SQLSMALLINT type, SQLHANDLE handle) {
  for (SQLSMALLINT record = 1;; ++record) {
    SQLCHAR state[6] = {};
    SQLINTEGER native = 0;
    SQLCHAR message[SQL_MAX_MESSAGE_LENGTH + 1] = {};
    SQLSMALLINT length = 0;
    const SQLRETURN r =
        SQLGetDiagRec(type, handle, record, state, &native, message, sizeof message, &length);
    if (!SQL_SUCCEEDED(r)) break;
    std::printf("diag\t%s\t%ld\t%s\n", reinterpret_cast<char*>(state), static_cast<long>(native),
                OneLine(reinterpret_cast<char*>(message)).c_str());
  }
}

int Load(const char* library) {
  void* handle = ::dlopen(library, RTLD_NOW | RTLD_LOCAL);
  const char* why = handle == nullptr ? ::dlerror() : nullptr;
  const std::string firstWhy = why != nullptr ? why : "dlopen failed";
  // A bare file name is looked for, as the driver manager looks for it, in the driver folder
  // beside the driver manager's own library (/usr/lib/<multiarch>/odbc).
  Dl_info manager{};
  if (handle == nullptr && std::string(library).find('/') == std::string::npos &&
      ::dladdr(reinterpret_cast<void*>(&SQLAllocHandle), &manager) != 0 &&
      manager.dli_fname != nullptr) {
    std::string folder = manager.dli_fname;
    folder.resize(folder.rfind('/') == std::string::npos ? 0 : folder.rfind('/'));
    handle = ::dlopen((folder + "/odbc/" + library).c_str(), RTLD_NOW | RTLD_LOCAL);
  }
  if (handle == nullptr) {
    std::printf("notloaded\t%s\n", OneLine(firstWhy).c_str());
    return 1;
  }
  void* entry = ::dlsym(handle, "SQLDriverConnect");
  if (entry == nullptr) entry = ::dlsym(handle, "SQLConnect");
  Dl_info info{};
  if (entry == nullptr || ::dladdr(entry, &info) == 0 || info.dli_fname == nullptr) {
    std::puts("notloaded\texports neither SQLConnect nor SQLDriverConnect: not an ODBC driver");
    return 1;
  }
  // The file as loaded, its folder without symbolic links (/lib is /usr/lib on most systems).
  std::string file = info.dli_fname;
  const size_t slash = file.rfind('/');
  if (slash != std::string::npos) {
    if (char* folder = ::realpath(file.substr(0, slash).c_str(), nullptr)) {
      file = folder + file.substr(slash);
      std::free(folder);
    }
  }
  std::printf("loaded\t%s\n", OneLine(file).c_str());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::string(argv[1]) == "--load") return Load(argv[2]);
  if (argc != 1) {
    std::fputs(
        "usage: lumora-odbc-try < CONNECTION-STRING\n       lumora-odbc-try --load LIBRARY\n",
        stderr);
    return 2;
  }
  std::string in((std::istreambuf_iterator<char>(std::cin)), std::istreambuf_iterator<char>());
  while (!in.empty() && (in.back() == '\n' || in.back() == '\r')) in.pop_back();

  if (in.size() > 32767) {  // what SQLDriverConnect's length can say
    std::puts("failed\ndiag\t\t0\tthe connection string is longer than 32767 bytes");
    return 1;
  }
  SQLHENV env = SQL_NULL_HENV;
  SQLHDBC dbc = SQL_NULL_HDBC;
  if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env)) ||
      !SQL_SUCCEEDED(SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION,
                                   reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0)) ||
      !SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc))) {
    std::puts("failed");
    if (env != SQL_NULL_HENV) PrintDiagnostics(SQL_HANDLE_ENV, env);
    return 1;
  }
  SQLCHAR out[1024];
  SQLSMALLINT outLength = 0;
  const SQLRETURN r = SQLDriverConnect(dbc, nullptr, reinterpret_cast<SQLCHAR*>(in.data()),
                                       static_cast<SQLSMALLINT>(in.size()), out, sizeof out,
                                       &outLength, SQL_DRIVER_NOPROMPT);
  std::fill(in.begin(), in.end(), '\0');
  int status = 1;
  if (SQL_SUCCEEDED(r)) {
    std::puts("connected");
    std::printf("dbms\t%s\t%s\n", Info(dbc, SQL_DBMS_NAME).c_str(),
                Info(dbc, SQL_DBMS_VER).c_str());
    std::printf("driver\t%s\t%s\n", Info(dbc, SQL_DRIVER_NAME).c_str(),
                Info(dbc, SQL_DRIVER_VER).c_str());
    SQLDisconnect(dbc);
    status = 0;
  } else {
    std::puts("failed");
    PrintDiagnostics(SQL_HANDLE_DBC, dbc);
  }
  std::fflush(stdout);
  SQLFreeHandle(SQL_HANDLE_DBC, dbc);
  SQLFreeHandle(SQL_HANDLE_ENV, env);
  return status;
}
