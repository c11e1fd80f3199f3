// lumora-odbc-try on Windows: the protocol of the POSIX program (main.cpp), through the
// system's driver manager (odbc32). The connection string arrives on standard input as UTF-8
// and is tried with SQLDriverConnectW; `--load LIBRARY` loads a driver's library as the driver
// manager would (LoadLibraryExW) and looks for its connection entry points. Answers are UTF-8
// lines ending in LF. No guard process here: the caller runs this program in a job object, which
// kills whatever a driver started when the try ends, and reports a crash by its exception code.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <sql.h>
#include <sqlext.h>

#include <cstdio>
#include <string>

#include "ConnectionAnswer.h"

namespace {

std::wstring Widen(const std::string& text) {
  if (text.empty()) return {};
  const int size =
      ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(size), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), size);
  return wide;
}

std::string Narrow(const std::wstring& text) {
  if (text.empty()) return {};
  const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
  std::string narrow(static_cast<size_t>(size), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), narrow.data(), size,
                        nullptr, nullptr);
  return narrow;
}

// Tabs and line ends become blanks: one answer is one line.
std::string OneLine(const std::wstring& text) {
  std::string line = Narrow(text);
  for (char& c : line) {
    if (c == '\t' || c == '\n' || c == '\r') c = ' ';
  }
  while (!line.empty() && line.back() == ' ') line.pop_back();
  return line;
}

// The wide text of a fixed buffer the driver manager filled, up to its NUL.
std::wstring Text(const SQLWCHAR* buffer) {
  return std::wstring(reinterpret_cast<const wchar_t*>(buffer));
}

std::string SystemMessage(DWORD code) {
  wchar_t* text = nullptr;
  const DWORD length = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::string message = length != 0 ? OneLine(std::wstring(text, length)) : "";
  if (text != nullptr) ::LocalFree(text);
  return (message.empty() ? "error" : message) + " (error " + std::to_string(code) + ")";
}

std::string Info(SQLHDBC dbc, SQLUSMALLINT what) {
  SQLWCHAR buffer[512] = {};
  SQLSMALLINT length = 0;
  if (!SQL_SUCCEEDED(SQLGetInfoW(dbc, what, buffer, sizeof buffer, &length))) return "";
  return OneLine(Text(buffer));
}

void PrintDiagnostics(SQLSMALLINT type, SQLHANDLE handle) {
  for (SQLSMALLINT record = 1;; ++record) {
    SQLWCHAR state[6] = {};
    SQLINTEGER native = 0;
    SQLWCHAR message[SQL_MAX_MESSAGE_LENGTH + 1] = {};
    SQLSMALLINT length = 0;
    const SQLRETURN r = SQLGetDiagRecW(type, handle, record, state, &native, message,
                                       SQL_MAX_MESSAGE_LENGTH + 1, &length);
    if (!SQL_SUCCEEDED(r)) break;
    std::printf("diag\t%s\t%ld\t%s\n", OneLine(Text(state)).c_str(), static_cast<long>(native),
                OneLine(Text(message)).c_str());
  }
}

int Load(const std::wstring& library) {
  HMODULE module = ::LoadLibraryExW(library.c_str(), nullptr, 0);
  if (module == nullptr) {
    std::printf("notloaded\t%s\n", SystemMessage(::GetLastError()).c_str());
    return 1;
  }
  bool driver = false;
  for (const char* entry : {"SQLDriverConnectW", "SQLDriverConnect", "SQLConnectW", "SQLConnect"})
    driver = driver || ::GetProcAddress(module, entry) != nullptr;
  if (!driver) {
    std::puts("notloaded\texports neither SQLConnect nor SQLDriverConnect: not an ODBC driver");
    return 1;
  }
  std::wstring file(32768, L'\0');
  file.resize(::GetModuleFileNameW(module, file.data(), static_cast<DWORD>(file.size())));
  std::printf("loaded\t%s\n", OneLine(file).c_str());
  return 0;
}

int Connect() {
  std::string in = ReadConnectionString();
  std::wstring wide = Widen(in);
  ::SecureZeroMemory(in.data(), in.size());
  if (wide.size() > 32767) {  // what SQLDriverConnect's length can say
    std::puts("failed\ndiag\t\t0\tthe connection string is longer than 32767 characters");
    return 1;
  }
  return AnswerConnection(
      [&](SQLHDBC dbc) {
        SQLWCHAR out[1024];
        SQLSMALLINT outLength = 0;
        const SQLRETURN r = SQLDriverConnectW(
            dbc, nullptr, reinterpret_cast<SQLWCHAR*>(wide.data()),
            static_cast<SQLSMALLINT>(wide.size()), out, 1024, &outLength, SQL_DRIVER_NOPROMPT);
        ::SecureZeroMemory(wide.data(), wide.size() * sizeof(wchar_t));
        ::SecureZeroMemory(out, sizeof out);
        return r;
      },
      Info, PrintDiagnostics);
}

}  // namespace

int main() {
  // The pipes carry bytes: no CR LF in the answer, no text-mode reading of the input.
  ::_setmode(::_fileno(stdin), _O_BINARY);
  ::_setmode(::_fileno(stdout), _O_BINARY);
  int argc = 0;
  wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
  if (argv != nullptr && argc == 3 && std::wstring(argv[1]) == L"--load") return Load(argv[2]);
  if (argc != 1) {
    std::fputs(
        "usage: lumora-odbc-try < CONNECTION-STRING\n       lumora-odbc-try --load LIBRARY\n",
        stderr);
    return 2;
  }
  return Connect();
}
