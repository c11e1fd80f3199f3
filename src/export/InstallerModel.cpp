#include "export/InstallerModel.h"

#include <algorithm>
#include <optional>
#include <tuple>
#include <utility>

#include "contract/PathSymbols.h"
#include "contract/Text.h"

namespace lumora::exporting {
namespace {

constexpr size_t kIdentifierMax = 72;

bool IsAsciiLetter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool IsIdentifierChar(char c) {
  return IsAsciiLetter(c) || (c >= '0' && c <= '9') || c == '_' || c == '.';
}

std::string LowerAscii(std::string s) {
  for (char& c : s) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return s;
}

// `text` upper-cased as UCase does it, appended to `out`; plain ASCII without a copy.
void AppendUpper(std::string& out, std::string_view text) {
  if (std::any_of(text.begin(), text.end(), [](char c) { return (c & 0x80) != 0; })) {
    out += UCase(text);
    return;
  }
  const size_t at = out.size();
  out += text;
  for (size_t i = at; i < out.size(); ++i) {
    if (out[i] >= 'a' && out[i] <= 'z') out[i] = static_cast<char>(out[i] - 'a' + 'A');
  }
}

// A path symbol at the start of a value: the folder it stands for, and where the rest begins
// (after the symbol and one backslash).
struct SymbolAt {
  InstallFolder folder;
  size_t rest = 0;
};

std::vector<std::string> SplitFolders(std::string_view path) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (start < path.size()) {
    size_t end = start;  // a loop, not find_first_of, which searches the set for each character
    while (end < path.size() && path[end] != '\\' && path[end] != '/') ++end;
    if (end > start) parts.emplace_back(path.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

// The DAO folder has no property of its own: it is placed under the host folder that holds it
// (the longest that is a prefix of it, ignoring case).
InstallFolder DaoFolder(const FolderSet& folders) {
  const std::pair<const char*, const std::string*> candidates[] = {
      {"SystemFolder", &folders.system},
      {"WindowsFolder", &folders.windows},
      {"CommonFilesFolder", &folders.commonFiles},
      {"ProgramFilesFolder", &folders.programFiles},
  };
  const std::string dao = UCase(folders.dao);
  const std::pair<const char*, const std::string*>* best = nullptr;
  for (const auto& candidate : candidates) {
    const std::string folder = UCase(*candidate.second);
    if (!folder.empty() && dao.starts_with(folder) &&
        (best == nullptr || folder.size() > best->second->size())) {
      best = &candidate;
    }
  }
  if (best == nullptr) {
    throw ExportError("<DAO> stands for " + folders.dao +
                      ", which lies in none of the installer's standard folders");
  }
  return {best->first, SplitFolders(std::string_view(folders.dao).substr(best->second->size()))};
}

std::optional<SymbolAt> LeadingSymbol(std::string_view value, const FolderSet& folders, Arch arch) {
  const PathSymbol* symbol = LeadingPathSymbol(value);
  if (symbol == nullptr) return std::nullopt;
  SymbolAt at;
  if (symbol->property.empty()) {
    at.folder = DaoFolder(folders);
  } else {
    at.folder.property = symbol->property;
    if (!symbol->subfolder.empty()) at.folder.subfolders.emplace_back(symbol->subfolder);
  }
  if (arch == Arch::kX64) at.folder.property = std::string(Folder64(at.folder.property));
  at.rest = std::min(value.size(), symbol->symbol.size() + 1);
  return at;
}

void AppendFormatted(std::string& out, std::string_view text) {
  for (char c : text) {
    if (c == '[') {
      out += "[\\[]";
    } else if (c == ']') {
      out += "[\\]]";
    } else {
      out += c;
    }
  }
}

// Where the file named by a Driver=, Translator= or Setup= value lies. A value without a path
// symbol keeps its folders under TARGETDIR (a drive letter is dropped); a bare file name lies in
// the system folder, where the driver manager looks for it.
std::pair<InstallFolder, std::string> FileOf(const std::string& value, const FolderSet& folders,
                                             Arch arch) {
  InstallFolder folder;
  std::string_view rest = value;
  if (auto symbol = LeadingSymbol(value, folders, arch)) {
    folder = symbol->folder;
    rest.remove_prefix(symbol->rest);
  } else {
    if (rest.size() >= 2 && rest[1] == ':' && IsAsciiLetter(rest[0])) rest.remove_prefix(2);
    folder.property = rest.find_first_of("\\/") != std::string_view::npos ? "TARGETDIR"
                      : arch == Arch::kX64                                ? "System64Folder"
                                                                          : "SystemFolder";
  }
  std::vector<std::string> parts = SplitFolders(rest);
  std::string name = parts.empty() ? std::string() : parts.back();
  if (!parts.empty()) parts.pop_back();
  folder.subfolders.insert(folder.subfolders.end(), parts.begin(), parts.end());
  return {folder, name};
}

class Builder {
 public:
  Builder(const FolderSet& folders, const std::string& component, Arch arch)
      : folders_(folders), arch_(arch) {
    if (!component.empty()) {
      if (!IdentifierPool::IsValid(component)) {
        throw ExportError("--component " + component +
                          ": a component key is ASCII letters, digits, '_' and '.', starting "
                          "with a letter or '_', at most 72 characters");
      }
      pool_.Reserve(component);
      fixedComponent_ = component;
    }
  }

  InstallRow Driver(const ExportItem& item, const char* fileLine) {
    InstallRow row;
    row.item = &item;
    row.id = pool_.Make(item.name);
    const bool fixed = !fixedComponent_.empty();
    const std::string& base = fixed ? fixedComponent_ : row.id;
    const AttributeLine* file = FindLine(item, fileLine);
    if (file == nullptr || TrimOf(file->value, " ").empty()) {
      throw ExportError(Describe(item) + " has no " + fileLine +
                        "= line: the installer database needs the file it installs");
    }
    size_t component = 0;
    FileKey(item, file->value, base, fixed ? fixedGroup_ : kNewGroup, &component, &row.fileAt);
    if (fixed) fixedGroup_ = groupOf_[component];
    row.componentAt = component;
    const AttributeLine* setup = FindLine(item, "Setup");
    if (setup != nullptr && !TrimOf(setup->value, " ").empty()) {
      // The setup file goes with the driver's file: into the group of its component.
      const std::string group = model_.components[component].group;
      size_t ignored = 0;
      row.setupFile = FileKey(item, setup->value, group, groupOf_[component], &component, &ignored);
    }
    row.attributes.reserve(item.lines.size());
    for (const AttributeLine& line : item.lines) {
      if (&line == file || &line == setup) continue;
      row.attributes.push_back({line.name, FormattedValue(line.value, folders_, arch_)});
    }
    if (item.kind == ItemKind::kDriver) {
      *driverComponents_.TryEmplace(Upper(item.name), 0).first = row.componentAt;
    }
    return row;
  }

  InstallRow DataSource(const ExportItem& item) {
    InstallRow row;
    row.item = &item;
    row.id = pool_.Make(item.name);
    const AttributeLine* named = FindLine(item, "DriverName");
    const AttributeLine* driver = FindLine(item, "Driver");
    if (named != nullptr && !named->value.empty()) {
      row.driverDescription = named->value;
    } else if (driver != nullptr && !driver->value.empty() &&
               driver->value.find_first_of("\\/<") == std::string::npos) {
      row.driverDescription = driver->value;  // a driver's name rather than its file
      named = nullptr;
    } else {
      throw ExportError(Describe(item) +
                        " names no driver: give it a DriverName= line with the driver's name");
    }
    if (!item.removedOnUninstall) {
      row.componentAt = ComponentIn(pool_.Make("Keep." + row.id), kNewGroup, nullptr);
      model_.components[row.componentAt].permanent = true;
    } else if (!fixedComponent_.empty()) {
      row.componentAt = ComponentIn(fixedComponent_, fixedGroup_, nullptr);
      fixedGroup_ = groupOf_[row.componentAt];
    } else if (const size_t* found = driverComponents_.Find(Upper(row.driverDescription))) {
      row.componentAt = *found;  // the last exported driver of that name
    } else {
      if (sharedSources_.empty()) sharedSources_ = pool_.Make("ODBCDataSources");
      row.componentAt = ComponentIn(sharedSources_, sharedGroup_, nullptr);
      sharedGroup_ = groupOf_[row.componentAt];
    }
    row.attributes.reserve(item.lines.size());
    for (const AttributeLine& line : item.lines) {
      if (&line == named) continue;
      row.attributes.push_back({line.name, FormattedValue(line.value, folders_, arch_)});
    }
    return row;
  }

  // Room in every index and list for the items of `choices`, so none grows while they are added.
  void Expect(const ExportChoices& choices) {
    const size_t files = choices.drivers.size() + choices.translators.size();
    const size_t rows = files + choices.dataSources.size();
    // Each row's id, and at most a file and a component (a setup file and its component
    // besides, for a driver or translator).
    pool_.Expect(rows + 4 * files + choices.dataSources.size());
    fileIndex_.Expect(2 * files);
    groupOf_.reserve(rows);
    driverComponents_.Expect(choices.drivers.size());
    files_.reserve(files);
    model_.components.reserve(rows);
    model_.drivers.reserve(choices.drivers.size());
    model_.translators.reserve(choices.translators.size());
    model_.dataSources.reserve(choices.dataSources.size());
  }

  InstallerModel Finish() {
    model_.files = std::move(files_);
    return std::move(model_);
  }
  InstallerModel& model() { return model_; }

 private:
  // The key of the file `value` names, adding the file to `base`'s component in its folder
  // when no earlier item brought it (`group` as for ComponentIn); `component` receives the index
  // of the file's component.
  const std::string& FileKey(const ExportItem& item, const std::string& value,
                             const std::string& base, size_t group, size_t* component,
                             size_t* index) {
    auto [folder, name] = FileOf(value, folders_, arch_);
    if (name.empty()) throw ExportError(Describe(item) + ": \"" + value + "\" names no file");
    // The folder property, each folder and the name, upper-cased, each ended by a NUL (which no
    // name holds).
    size_t length = folder.property.size() + name.size() + 1;
    for (const std::string& f : folder.subfolders) length += f.size() + 1;
    std::string key;
    key.reserve(length);
    key += folder.property;
    key += '\0';
    for (const std::string& f : folder.subfolders) {
      AppendUpper(key, f);
      key += '\0';
    }
    AppendUpper(key, name);
    const auto [found, fresh] = fileIndex_.TryEmplace(key, files_.size());
    if (!fresh) {
      *index = *found;
      *component = files_[*found].componentAt;
      return files_[*found].id;
    }
    *component = ComponentIn(base, group, &folder);
    // In order: the identifier is made from the name before the name moves.
    InstallFile file{pool_.Make(name), std::move(name), std::move(folder), *component};
    *index = files_.size();
    files_.push_back(std::move(file));
    return files_.back().id;
  }

  // The index of the component of group `base` that holds files of `folder` (null: no file; any
  // component of the group will do), made when missing. `group` is the index of the group's first
  // component, kNewGroup for a group not made yet (its name a fresh identifier, or the named or
  // shared component's before its first use). Of a group's components the first in order
  // that fits is taken: one of that folder, or one without a folder yet, which then gets it.
  // Only the first component of a group is ever made without a folder (a later one is made for a
  // file), so it is the one to take for a folder while it has none.
  size_t ComponentIn(const std::string& base, size_t group, const InstallFolder* folder) {
    std::string key;
    if (group != kNewGroup) {
      if (folder == nullptr) return group;
      InstallComponent& first = model_.components[group];
      if (!first.hasFolder) {
        first.folder = *folder;
        first.hasFolder = true;
        return group;
      }
      if (first.folder == *folder) return group;
      key = FolderKey(base, *folder);
      if (auto same = byFolder_.find(key); same != byFolder_.end()) return same->second;
    }
    InstallComponent made{group == kNewGroup ? base : pool_.Make(base), base, {}, false};
    const size_t index = model_.components.size();
    if (folder != nullptr) {
      made.folder = *folder;
      made.hasFolder = true;
      if (group != kNewGroup) byFolder_.emplace(std::move(key), index);
    }
    model_.components.push_back(std::move(made));
    groupOf_.push_back(group == kNewGroup ? index : group);
    return index;
  }

  // `text` upper-cased for a look-up, in a buffer kept from one to the next.
  const std::string& Upper(std::string_view text) {
    upper_.clear();
    AppendUpper(upper_, text);
    return upper_;
  }

  // The group and the folder, each part ended by a NUL (which no name holds).
  static std::string FolderKey(const std::string& base, const InstallFolder& folder) {
    std::string key = base + '\0' + folder.property + '\0';
    for (const std::string& f : folder.subfolders) key += f + '\0';
    return key;
  }

  const FolderSet& folders_;
  Arch arch_;
  IdentifierPool pool_;
  std::string fixedComponent_;
  std::string sharedSources_;
  InstallerModel model_;
  std::vector<InstallFile> files_;
  // A file's key (see FileKey): its index in files_.
  NameIndex fileIndex_;
  static constexpr size_t kNewGroup = static_cast<size_t>(-1);
  std::vector<size_t> groupOf_;  // of each component, its group's first component
  size_t fixedGroup_ = kNewGroup, sharedGroup_ = kNewGroup;  // see ComponentIn
  // FolderKey: the component of that folder, for every component of a group but its first.
  std::unordered_map<std::string, size_t> byFolder_;
  NameIndex driverComponents_;  // upper-cased name: its component
  std::string upper_;           // see Upper()
};

}  // namespace

bool IdentifierPool::IsValid(std::string_view id) {
  if (id.empty() || id.size() > kIdentifierMax) return false;
  if (!IsAsciiLetter(id[0]) && id[0] != '_') return false;
  return std::all_of(id.begin(), id.end(), IsIdentifierChar);
}

void IdentifierPool::Expect(size_t count) {
  taken_.Expect(count);
}

bool IdentifierPool::Reserve(const std::string& id) {
  return taken_.TryEmplace(LowerAscii(id), 0).second;
}

std::string IdentifierPool::Make(std::string_view text) {
  // Made in place, one past the longest kept, after a place for a leading '_'.
  char made[kIdentifierMax + 2];
  size_t end = 1;
  for (size_t i = 0; i < text.size() && end <= kIdentifierMax + 1;) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x80) {
      made[end++] = IsIdentifierChar(static_cast<char>(c)) ? static_cast<char>(c) : '_';
      ++i;
      continue;
    }
    made[end++] = '_';  // one for the whole UTF-8 sequence
    ++i;
    while (i < text.size() && (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) ++i;
  }
  size_t begin = 1;
  if (end == 1 || (!IsAsciiLetter(made[1]) && made[1] != '_')) {
    made[0] = '_';
    begin = 0;
  }
  std::string id(made + begin, std::min(end - begin, kIdentifierMax));
  std::string key = LowerAscii(id);
  if (taken_.TryEmplace(key, 0).second) return id;
  // Numbers below the one kept were tried before; they stay taken, as nothing is given back.
  int& n = nextSuffix_.try_emplace(std::move(key), 2).first->second;
  for (;; ++n) {
    const std::string suffix = "." + std::to_string(n);
    std::string candidate = id.substr(0, std::min(id.size(), kIdentifierMax - suffix.size()));
    candidate += suffix;
    if (Reserve(candidate)) {
      ++n;
      return candidate;
    }
  }
}

std::string_view Folder64(std::string_view property) {
  if (property == "SystemFolder") return "System64Folder";
  if (property == "ProgramFilesFolder") return "ProgramFiles64Folder";
  if (property == "CommonFilesFolder") return "CommonFiles64Folder";
  return property;
}

std::string FormattedValue(const std::string& value, const FolderSet& folders, Arch arch) {
  std::string out;
  const std::optional<SymbolAt> symbol = LeadingSymbol(value, folders, arch);
  if (!symbol) {
    AppendFormatted(out, value);
    return out;
  }
  out.reserve(value.size() + 32);
  out += '[';
  out += symbol->folder.property;
  out += ']';
  for (const std::string& sub : symbol->folder.subfolders) {
    AppendFormatted(out, sub);
    out += '\\';
  }
  AppendFormatted(out, std::string_view(value).substr(symbol->rest));
  return out;
}

InstallerModel BuildInstallerModel(const ExportChoices& choices, const FolderSet& folders,
                                   const std::string& component, Arch arch) {
  CheckCarriable(choices);
  Builder builder(folders, component, arch);
  builder.Expect(choices);
  InstallerModel& model = builder.model();
  model.arch = arch;
  for (const ExportItem& item : choices.drivers) {
    model.drivers.push_back(builder.Driver(item, "Driver"));
  }
  for (const ExportItem& item : choices.translators) {
    InstallRow row = builder.Driver(item, "Translator");
    if (!row.attributes.empty()) {
      model.warnings.push_back(Describe(item) +
                               ": the installer keeps no attributes of a "
                               "translator but its files; left out: " +
                               row.attributes.front().name +
                               (row.attributes.size() > 1 ? ", ..." : ""));
      row.attributes.clear();
    }
    model.translators.push_back(std::move(row));
  }
  for (const ExportItem& item : choices.dataSources) {
    model.dataSources.push_back(builder.DataSource(item));
  }
  return builder.Finish();
}

}  // namespace lumora::exporting
