// The drivers of the registry: the values of ODBCINST.INI\ODBC Drivers name them, in the
// registry's order; each driver's key holds its text entries. Read in this program's own view,
// as the driver manager it loads reads them.
#include <windows.h>

#include "contract/WideText.h"
#include "platform/odbc/MachineDrivers.h"

namespace lumora::odbc {
namespace {

constexpr const wchar_t kDriversKey[] = L"SOFTWARE\\ODBC\\ODBCINST.INI";

class Key {
 public:
  Key(HKEY parent, const std::wstring& path) {
    if (::RegOpenKeyExW(parent, path.c_str(), 0, KEY_READ, &key_) != ERROR_SUCCESS) key_ = nullptr;
  }
  ~Key() {
    if (key_ != nullptr) ::RegCloseKey(key_);
  }
  Key(const Key&) = delete;
  Key& operator=(const Key&) = delete;
  explicit operator bool() const { return key_ != nullptr; }

  // The text values' names and texts, in the registry's order.
  std::vector<Attribute> Values() const {
    std::vector<Attribute> values;
    DWORD count = 0, longestName = 0, longestData = 0;
    if (::RegQueryInfoKeyW(key_, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count,
                           &longestName, &longestData, nullptr, nullptr) != ERROR_SUCCESS) {
      return values;
    }
    std::wstring name(longestName + 1, L'\0');
    std::wstring data(longestData / sizeof(wchar_t) + 1, L'\0');
    for (DWORD i = 0; i < count; ++i) {
      DWORD nameLength = static_cast<DWORD>(name.size());
      DWORD dataBytes = static_cast<DWORD>(data.size() * sizeof(wchar_t));
      DWORD type = 0;
      if (::RegEnumValueW(key_, i, name.data(), &nameLength, nullptr, &type,
                          reinterpret_cast<BYTE*>(data.data()), &dataBytes) != ERROR_SUCCESS) {
        continue;
      }
      if (type != REG_SZ && type != REG_EXPAND_SZ) continue;
      std::wstring text(data.data(), dataBytes / sizeof(wchar_t));
      while (!text.empty() && text.back() == L'\0') text.pop_back();
      values.push_back({Narrow(name.substr(0, nameLength)), Narrow(text)});
    }
    return values;
  }

 private:
  HKEY key_ = nullptr;
};

}  // namespace

std::vector<InstalledDriver> LoadMachineDrivers(const std::function<void(const std::string&)>&) {
  std::vector<InstalledDriver> drivers;
  const Key list(HKEY_LOCAL_MACHINE, std::wstring(kDriversKey) + L"\\ODBC Drivers");
  if (!list) return drivers;
  for (const Attribute& listed : list.Values()) {
    if (FindInstalledDriver(drivers, listed.key, "") != nullptr) continue;
    InstalledDriver driver{listed.key, {}};
    if (const Key key(HKEY_LOCAL_MACHINE, std::wstring(kDriversKey) + L"\\" + Widen(listed.key));
        key) {
      driver.entries = key.Values();
    }
    drivers.push_back(std::move(driver));
  }
  return drivers;
}

std::string MachineDriversPlace() {
  return "HKEY_LOCAL_MACHINE\\SOFTWARE\\ODBC\\ODBCINST.INI";
}

}  // namespace lumora::odbc
