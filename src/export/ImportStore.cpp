#include "export/ImportStore.h"

#include <unordered_map>
#include <unordered_set>

#include "host/StoredLists.h"

namespace lumora::exporting {
namespace {

constexpr size_t kMaxStored = 32767;

struct Entry {
  std::string name, info, type;
  bool selected = true, uninstall = false;
};

std::string JoinLines(const std::vector<AttributeLine>& lines) {
  std::string text;
  for (const AttributeLine& line : lines) {
    if (!text.empty()) text += "\r\n";
    text += line.name + "=" + line.value;
  }
  return text;
}

class Family {
 public:
  Family(DesignObject& object, const char* kind, std::vector<const char*> properties,
         ImportMode mode)
      : kind_(kind), properties_(std::move(properties)) {
    if (mode == ImportMode::kReplace) return;
    std::vector<Value> lists;
    for (const char* p : properties_) lists.push_back(object.GetProperty(p));
    const bool sources = properties_.size() == 5;
    for (int32_t i = 0; i <= StoredUpperBound(lists[0]); ++i) {
      Entry e{StoredText(lists[0], i), StoredText(lists[1], i), "", false, false};
      if (e.name.empty()) continue;  // the placeholder of an empty list
      if (sources) {
        e.type = StoredText(lists[2], i);
        e.selected = StoredFlag(lists[3], i);
        e.uninstall = StoredFlag(lists[4], i);
      } else {
        e.selected = StoredFlag(lists[2], i);
      }
      index_.emplace(e.name, entries_.size());
      entries_.push_back(std::move(e));
    }
  }

  void Add(const ImportedItem& item, std::vector<std::string>& replaced) {
    Entry e{item.name, JoinLines(item.lines), item.system ? "system" : "user", true,
            item.uninstall};
    auto [at, added] = index_.emplace(e.name, entries_.size());
    if (added) {
      if (entries_.size() == kMaxStored) {
        throw ImportError(item.where + ": \"" + item.name + "\" would be the 32,768th " + kind_ +
                          "; the stored lists hold at most 32,767");
      }
      entries_.push_back(std::move(e));
    } else if (imported_.insert(e.name).second) {
      replaced.push_back(std::string(kind_) + " \"" + e.name + "\"");
      entries_[at->second] = std::move(e);
    }  // a name the source gives twice: its first item counts
    imported_.insert(item.name);
  }

  void Put(DesignObject& object) const {
    const bool sources = properties_.size() == 5;
    std::vector<std::string> names, infos, types;
    std::vector<bool> selections, uninstall;
    for (const Entry& e : entries_) {
      names.push_back(e.name);
      infos.push_back(e.info);
      types.push_back(e.type);
      selections.push_back(e.selected);
      uninstall.push_back(e.uninstall);
    }
    if (entries_.empty()) {  // as Finish writes a family with nothing selected
      names = infos = types = {""};
      selections = uninstall = {false};
    }
    object.PutProperty(properties_[0], Value::Strings(std::move(names)));
    object.PutProperty(properties_[1], Value::Strings(std::move(infos)));
    if (sources) {
      object.PutProperty(properties_[2], Value::Strings(std::move(types)));
      object.PutProperty(properties_[3], Value::Booleans(std::move(selections)));
      object.PutProperty(properties_[4], Value::Booleans(std::move(uninstall)));
    } else {
      object.PutProperty(properties_[2], Value::Booleans(std::move(selections)));
    }
  }

  size_t size() const { return entries_.size(); }

 private:
  const char* kind_;
  std::vector<const char*> properties_;
  std::vector<Entry> entries_;
  std::unordered_map<std::string, size_t> index_;
  std::unordered_set<std::string> imported_;
};

}  // namespace

StoreResult StoreImported(DesignObject& object, const std::string& objectName,
                          const ImportedChoices& choices, ImportMode mode) {
  if (mode == ImportMode::kJoin) {
    if (std::string problem = CheckStoredLists(object, objectName); !problem.empty()) {
      throw ImportError(problem + "; nothing imported (--replace sets the lists anew)");
    }
  }
  CheckStorable(choices);
  StoreResult result;
  Family drivers(object, "driver", {"Drivers", "DriversInfo", "DriversSelections"}, mode);
  Family sources(object, "data source",
                 {"DataSources", "DataSourcesInfo", "DataSourcesTypes", "DataSourcesSelections",
                  "DataSourcesUninstFlags"},
                 mode);
  for (const ImportedItem& item : choices.drivers) drivers.Add(item, result.replaced);
  for (const ImportedItem& item : choices.dataSources) sources.Add(item, result.replaced);
  drivers.Put(object);
  sources.Put(object);
  result.drivers = drivers.size();
  result.dataSources = sources.size();
  return result;
}

}  // namespace lumora::exporting
