#include <shlobj.h>
#include <windows.h>

#include <vector>

#include "contract/WideText.h"
#include "hostlib/WindowsServices.h"

namespace lumora {
namespace {

std::string WithBackslash(std::string folder) {
  if (!folder.empty() && folder.back() != '\\') folder += '\\';
  return folder;
}

std::string KnownFolder(const KNOWNFOLDERID& id, const std::string& fallback) {
  PWSTR path = nullptr;
  std::string folder = fallback;
  if (SUCCEEDED(::SHGetKnownFolderPath(id, 0, nullptr, &path))) folder = Narrow(path);
  ::CoTaskMemFree(path);
  return WithBackslash(folder);
}

template <class Call>
std::string AskedFolder(Call call) {
  wchar_t buffer[MAX_PATH + 1];
  const UINT n = call(buffer, MAX_PATH + 1);
  return n == 0 || n > MAX_PATH ? std::string()
                                : WithBackslash(Narrow(std::wstring_view(buffer, n)));
}

class SystemFileVersionInfo : public FileVersionInfo {
 public:
  bool Load(const std::string& path) override {
    version_ = {};
    const std::wstring file = Widen(path);
    DWORD handle = 0;
    const DWORD size = ::GetFileVersionInfoSizeW(file.c_str(), &handle);
    if (size == 0) return false;
    std::vector<BYTE> block(size);
    if (!::GetFileVersionInfoW(file.c_str(), 0, size, block.data())) return false;
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (!::VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) ||
        fixed == nullptr || length < sizeof *fixed || fixed->dwSignature != 0xFEEF04BD) {
      return false;
    }
    version_.text = Dotted(fixed->dwFileVersionMS, fixed->dwFileVersionLS);
    version_.productText = Dotted(fixed->dwProductVersionMS, fixed->dwProductVersionLS);
    return true;
  }
  FileVersion GetVersion() override { return version_; }

 private:
  static std::string Dotted(DWORD ms, DWORD ls) {
    return std::to_string(HIWORD(ms)) + "." + std::to_string(LOWORD(ms)) + "." +
           std::to_string(HIWORD(ls)) + "." + std::to_string(LOWORD(ls));
  }
  FileVersion version_;
};

}  // namespace

FolderSet SystemFolderSetOfThisMachine(int bits) {
  FolderSet f;
  f.windows = AskedFolder([](wchar_t* b, UINT n) { return ::GetWindowsDirectoryW(b, n); });
  const std::string native =
      AskedFolder([](wchar_t* b, UINT n) { return ::GetSystemDirectoryW(b, n); });
  const std::string wow64 =
      AskedFolder([](wchar_t* b, UINT n) { return ::GetSystemWow64DirectoryW(b, n); });
  f.system = bits == 32 && !wow64.empty() ? wow64 : native;
  f.programFiles = KnownFolder(FOLDERID_ProgramFiles, "C:\\Program Files");
  f.commonFiles = KnownFolder(FOLDERID_ProgramFilesCommon, "C:\\Program Files\\Common Files");
  f.commonFilesSystem = f.commonFiles + "System\\";
  f.dao = f.commonFiles + "Microsoft Shared\\DAO\\";
  return f;
}

std::unique_ptr<FileVersionInfo> NewSystemFileVersionInfo() {
  return std::make_unique<SystemFileVersionInfo>();
}

}  // namespace lumora
