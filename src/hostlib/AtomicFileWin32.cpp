// AtomicFile.h on Windows: the new text goes to a file beside the old one (CreateFileW), is
// flushed (FlushFileBuffers) and moved over it (MoveFileExW, write-through). Writers of one file
// are serialised by a named mutex of the session, named after the file.
#include <windows.h>

#include <functional>

#include "contract/LocalPaths.h"
#include "contract/MessageText.h"
#include "contract/WideText.h"
#include "hostlib/AtomicFile.h"

namespace lumora {
namespace {

[[noreturn]] void Fail(const std::string& path, const std::string& why) {
  throw HostError::NotDone(EscapeForMessage(path) + ": " + why);
}

std::string LastError(const char* what) {
  return std::string(what) + ": " + SystemErrorText(::GetLastError());
}

class WriterLock {
 public:
  explicit WriterLock(const std::string& path) {
    std::wstring key = Widen(path);
    for (wchar_t& c : key) c = c == L'\\' ? L'/' : static_cast<wchar_t>(::towlower(c));
    const std::wstring name =
        L"Local\\lumora-write-" + std::to_wstring(std::hash<std::wstring>()(key));
    mutex_ = ::CreateMutexW(nullptr, FALSE, name.c_str());
    if (mutex_ == nullptr) Fail(path, LastError("cannot lock it"));
    const DWORD waited = ::WaitForSingleObject(mutex_, 5000);
    if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED) {
      ::CloseHandle(mutex_);
      Fail(path, "cannot lock it: another writer holds it");
    }
  }
  ~WriterLock() {
    ::ReleaseMutex(mutex_);
    ::CloseHandle(mutex_);
  }
  WriterLock(const WriterLock&) = delete;
  WriterLock& operator=(const WriterLock&) = delete;

 private:
  HANDLE mutex_ = nullptr;
};

}  // namespace

void ReplaceFileAtomically(const std::string& path, const std::string& text) {
  const WriterLock lock(path);
  const std::wstring target = Widen(path);
  const std::wstring temp = target + L".lumora-new-" + std::to_wstring(::GetCurrentProcessId());
  HANDLE fresh = ::CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
  if (fresh == INVALID_HANDLE_VALUE) Fail(path, LastError("cannot write beside it"));
  std::string why;
  DWORD written = 0;
  if (!::WriteFile(fresh, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) ||
      written != text.size()) {
    why = LastError("cannot write it");
  }
  if (why.empty() && !::FlushFileBuffers(fresh)) why = LastError("cannot write it");
  ::CloseHandle(fresh);
  if (why.empty() && !::MoveFileExW(temp.c_str(), target.c_str(),
                                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    why = LastError("cannot replace it");
  }
  if (!why.empty()) {
    ::DeleteFileW(temp.c_str());
    Fail(path, why);
  }
}

}  // namespace lumora
