// WizAPI: registry discovery. Lists the data sources registered under a root's
// "SOFTWARE\ODBC\ODBC.INI\" key and adds every one the collection does not hold yet, with its
// registry values as sorted attribute lines. All registry access goes through the host's
// registry objects.
#include <algorithm>
#include <memory>
#include <unordered_map>
#include <unordered_set>

#include "contract/HostLibrary.h"
#include "contract/Int16.h"
#include "contract/ProcessState.h"
#include "contract/Text.h"
#include "contract/Trap.h"
#include "services/SortArrays.h"
#include "services/WizAPI.h"

#include <algorithm>

namespace lumora {
namespace {

constexpr const char* kDriverNameAttribute = "DriverName";

template <class T>
T& Required(const std::shared_ptr<T>& object) {
  if (!object) Raise(kObjectNotSet);
  return *object;
}

template <class T>
T& Required(const std::unique_ptr<T>& object) {
  if (!object) Raise(kObjectNotSet);
  return *object;
}

// Appends one attribute line; the line array is indexed by 16-bit integers.
void AppendLine(std::vector<std::string>& lines, std::string line) {
  if (lines.size() > static_cast<size_t>(INT16_MAX)) Raise(kOverflow);
  lines.push_back(std::move(line));
}

std::string JoinLines(const std::vector<std::string>& lines) {
  std::string joined;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) joined += "\r\n";
    joined += lines[i];
  }
  return joined;
}

// The values of the list key by upper-cased name: for each name, the positions of the values
// carrying it, in value order. Built once per discovery, instead of comparing every record's
// name with every value of the list key.
class ListKeyIndex {
 public:
  explicit ListKeyIndex(std::shared_ptr<RegistryValues> values) : values_(std::move(values)) {
    const int16_t count = ToInt16(Required(values_).Count());
    for (int16_t i = 1; i <= count; ++i) {
      byName_[UCase(Required(values_->Item(i)).Name())].push_back(i);
      if (i == INT16_MAX) break;
    }
  }

  // The data of every value named `upperName` (ignoring case), as text, in value order.
  void AppendDriverLines(const std::string& upperName, std::vector<std::string>& lines) const {
    auto it = byName_.find(upperName);
    if (it == byName_.end()) return;
    for (int16_t position : it->second) {
      AppendLine(lines, std::string(kDriverNameAttribute) + "=" +
                            Required(values_->Item(position)).Data().ToString());
    }
  }

 private:
  std::shared_ptr<RegistryValues> values_;
  std::unordered_map<std::string, std::vector<int16_t>> byName_;
};

}  // namespace

bool WizAPI::EnumValueNames(int32_t root, const std::string& keyPath,
                            std::vector<std::string>& names) {
  bool result = false;
  const bool completed = Trap("WizAPI:EnumValueNames", [&] {
    names.assign(1, std::string());
    int16_t fill = 0;
    std::shared_ptr<RegistryKey> key = component::Host().NewRegistryKey();
    Required(key).SetRoot(root);
    std::unique_ptr<RegistryConstants> constants = component::Host().NewRegistryConstants();
    int32_t access = Required(constants).ReadAccess();
    std::shared_ptr<RegistryKey> opened = key->OpenSubKey(keyPath, access);
    if (!opened) {
      result = true;
      return;
    }
    std::shared_ptr<RegistryValues> values = opened->Values();
    if (Required(values).Count() <= 0) {
      result = true;
      return;
    }
    const int16_t count = ToInt16(values->Count());
    for (int16_t i = 1; i <= count; ++i) {
      names[static_cast<size_t>(fill)] = Required(values->Item(i)).Name();
      if (i < values->Count()) {
        fill = ToInt16(fill + 1);
        names.emplace_back();
      }
      if (i == INT16_MAX) break;
    }
  });
  return completed ? result : true;
}

void WizAPI::ReadDrvDSNFromReg(int32_t root, const std::string& keyPath,
                               const std::string& listKeyName, DataSources& pTarget) {
  Trap("WizAPI:ReadDrvDSNFromReg", [&] {
    HostLibrary& host = component::Host();
    std::unique_ptr<RegistryConstants> constants = host.NewRegistryConstants();
    const bool userMode = root == Required(constants).CurrentUserRoot();

    std::vector<std::string> names;
    EnumValueNames(root, keyPath + listKeyName, names);

    // A name is new when it equals, ignoring case, none of the collection's names.
    std::unordered_set<std::string> known;
    // (Only a named value can be new: the list always holds at least one entry, "" when the
    // key has no values, and an empty name is never added.)
    const bool anyName =
        std::any_of(names.begin(), names.end(), [](const std::string& n) { return !n.empty(); });
    const int16_t held = anyName ? pTarget.Count() : 0;
    for (int16_t i = 1; i <= held; ++i) {
      known.insert(UCase(Required(pTarget.Item(i)).Name()));
      if (i == INT16_MAX) break;
    }
    std::vector<std::string> newNames;
    for (const std::string& name : names) {
      if (known.count(UCase(name)) == 0) {
        if (newNames.size() > static_cast<size_t>(INT16_MAX)) Raise(kOverflow);
        newNames.push_back(name);
      }
    }

    const int16_t firstNew = ToInt16(pTarget.Count() + 1);
    for (const std::string& name : newNames) {
      if (name.empty()) continue;
      auto record = std::make_shared<DataSource>();
      record->SetName(name);
      record->SetUserDSN(userMode);
      pTarget.Add(record);
    }
    if (pTarget.Count() == 0) return;

    const int16_t last = pTarget.Count();
    std::unique_ptr<ListKeyIndex> listIndex;  // read at the first record
    for (int16_t index = firstNew; index <= last; ++index) {
      DataSource& record = Required(pTarget.Item(index));
      std::vector<std::string> lines;
      std::shared_ptr<RegistryKey> key = host.NewRegistryKey();
      Required(key).SetRoot(root);
      int32_t access = constants->ReadAccess();
      std::shared_ptr<RegistryKey> own = key->OpenSubKey(keyPath + record.Name(), access);
      if (userMode) {
        record.SetUserDSN(true);
      } else {
        record.SetSystemDSN(true);
      }
      if (own) {
        std::shared_ptr<RegistryValues> values = own->Values();
        const int16_t count = ToInt16(Required(values).Count());
        for (int16_t v = 1; v <= count; ++v) {
          std::shared_ptr<RegistryValue> value = values->Item(v);
          std::string data = Required(value).Data().ToString();
          if (data.find('\\') != std::string::npos) data = ConvertPathToBVDestSymbol(data);
          std::string name = value->Name();
          if (!name.empty()) AppendLine(lines, name + "=" + data);
          if (v == INT16_MAX) break;
        }
      }
      std::shared_ptr<RegistryKey> list = key->OpenSubKey(keyPath + listKeyName, access);
      if (list) {
        if (!listIndex) listIndex = std::make_unique<ListKeyIndex>(list->Values());
        listIndex->AppendDriverLines(UCase(record.Name()), lines);
      }
      if (!lines.empty()) {
        SortArrays::QuicksortString(lines, 0, ToInt16(static_cast<int64_t>(lines.size()) - 1));
        record.SetAttribsString(JoinLines(lines));
      }
      if (index == INT16_MAX) break;
    }
  });
}

}  // namespace lumora
