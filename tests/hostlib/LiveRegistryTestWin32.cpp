// The live registry as the Windows build's host library reads it: values of every type written
// with the system's calls come back in the registry's order (Windows': the order they were set;
// Wine's: by name) and in the forms every registry source gives (the same forms the every-type
// export reads as), and the 32- and 64-bit views of the machine's keys are kept apart. Windows
// build only; the keys live under a test key of their own, removed at the end.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>

#include "contract/WideText.h"
#include "hostlib/LocalHostLibrary.h"
#include "hostlib/RegistryTree.h"
#include "support/Platform.h"

namespace lumora {
namespace {

using Lines = std::vector<std::string>;

const wchar_t kTestKey[] = L"Software\\LumoraLiveRegistryTest";

class TestKey {
 public:
  TestKey(HKEY root, REGSAM view) : root_(root), view_(view) {
    EXPECT_EQ(::RegCreateKeyExW(root, kTestKey, 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr,
                                &key_, nullptr),
              ERROR_SUCCESS);
  }
  ~TestKey() {
    ::RegCloseKey(key_);
    ::RegDeleteKeyExW(root_, kTestKey, view_, 0);
  }
  void Set(const wchar_t* name, DWORD type, const void* data, size_t size) {
    EXPECT_EQ(::RegSetValueExW(key_, name, 0, type, static_cast<const BYTE*>(data),
                               static_cast<DWORD>(size)),
              ERROR_SUCCESS);
  }
  void SetText(const wchar_t* name, DWORD type, const std::wstring& text) {
    Set(name, type, text.c_str(), (text.size() + 1) * sizeof(wchar_t));
  }

 private:
  HKEY root_;
  REGSAM view_;
  HKEY key_ = nullptr;
};

// The values of the test key as name=data lines; "<missing>" without the key.
Lines LiveValues(int32_t root, int bits) {
  HostSettings settings;
  settings.registry = "live";
  settings.registryView = bits;
  LocalHostLibrary host(settings);
  std::shared_ptr<RegistryKey> key = host.NewRegistryKey();
  key->SetRoot(root);
  int32_t access = kKeyReadAccess;
  std::shared_ptr<RegistryKey> opened = key->OpenSubKey(Narrow(kTestKey), access);
  if (!opened) return {"<missing>"};
  Lines out;
  std::shared_ptr<RegistryValues> values = opened->Values();
  for (int16_t i = 1; i <= values->Count(); ++i) {
    out.push_back(values->Item(i)->Name() + "=" + values->Item(i)->Data().ToString());
  }
  return out;
}

TEST(LiveRegistry, ValuesOfEveryTypeInTheirOrderAsEverySourceGivesThem) {
  TestKey key(HKEY_CURRENT_USER, 0);
  const DWORD id = 25, big = 0xFFFFFFFF;
  const unsigned long long q = 1;
  const unsigned char bin[] = {0x01, 0x0a, 0xff};
  const wchar_t multi[] = L"a\0b\0";
  key.SetText(L"Driver", REG_SZ, L"C:\\Windows\\System32\\odbcjt32.dll");
  key.SetText(L"", REG_SZ, L"default");
  key.Set(L"DriverId", REG_DWORD, &id, sizeof id);
  key.Set(L"Big", REG_DWORD, &big, sizeof big);
  key.SetText(L"Path", REG_EXPAND_SZ, L"%SystemRoot%");
  key.Set(L"Multi", REG_MULTI_SZ, multi, sizeof multi);
  key.Set(L"Bin", REG_BINARY, bin, sizeof bin);
  key.Set(L"Q", REG_QWORD, &q, sizeof q);
  key.SetText(L"Name \u00e9", REG_SZ, L"caf\u00e9");
  // Windows lists values in the order they were set; Wine's registry keeps them sorted by name.
  const Lines windows = {"Driver=C:\\Windows\\System32\\odbcjt32.dll",
                         "=default",
                         "DriverId=25",
                         "Big=4294967295",
                         "Path=%SystemRoot%",
                         "Multi=a",
                         "Bin=01,0a,ff",
                         "Q=1",
                         "Name \xC3\xA9=caf\xC3\xA9"};
  const Lines wine = {"=default",
                      "Big=4294967295",
                      "Bin=01,0a,ff",
                      "Driver=C:\\Windows\\System32\\odbcjt32.dll",
                      "DriverId=25",
                      "Multi=a",
                      "Name \xC3\xA9=caf\xC3\xA9",
                      "Path=%SystemRoot%",
                      "Q=1"};
  EXPECT_EQ(LiveValues(kCurrentUserRoot, 32), testing::UnderWine() ? wine : windows);
}

TEST(LiveRegistry, TheMachinesThirtyTwoAndSixtyFourBitViewsAreKeptApart) {
  BOOL wow64 = FALSE;
  if (!::IsWow64Process(::GetCurrentProcess(), &wow64) || !wow64) {
    GTEST_SKIP() << "a 32-bit system has one view";
  }
  TestKey native(HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY);
  native.SetText(L"View", REG_SZ, L"64");
  EXPECT_EQ(LiveValues(kLocalMachineRoot, 64), Lines{"View=64"});
  EXPECT_EQ(LiveValues(kLocalMachineRoot, 32), Lines{"<missing>"});
  TestKey redirected(HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY);
  redirected.SetText(L"View", REG_SZ, L"32");
  EXPECT_EQ(LiveValues(kLocalMachineRoot, 32), Lines{"View=32"});
  EXPECT_EQ(LiveValues(kLocalMachineRoot, 64), Lines{"View=64"});
}

TEST(LiveRegistry, AMissingKeyOrRootOpensNothing) {
  EXPECT_EQ(LiveValues(kCurrentUserRoot, 32), Lines{"<missing>"});
  HostSettings settings;
  settings.registry = "live";
  LocalHostLibrary host(settings);
  std::shared_ptr<RegistryKey> key = host.NewRegistryKey();
  key->SetRoot(0x12345);
  int32_t access = kKeyReadAccess;
  EXPECT_EQ(key->OpenSubKey("Software", access), nullptr);
  EXPECT_EQ(key->Values()->Count(), 0);
}

}  // namespace
}  // namespace lumora
