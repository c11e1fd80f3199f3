// The WiX v3 fragment: under TARGETDIR the folders the files go to, in each the components with
// their files; ODBCDriver and ODBCTranslator sit under the File they register, ODBCDataSource
// under its component, and attributes are Property children. A ComponentGroup "LumoraODBC"
// lists every component for the author's Feature. Ids are those of the .idt tables. A component
// of a data source kept on uninstall is Permanent="yes"; for a 64-bit package every component is
// Win64="yes". For wixl, which takes no ODBC element, the ODBC elements are left out: the
// folders, components, files and the group are what it builds, and `export --into` adds the
// ODBC tables to what it made.
#include <cstdint>
#include <cstdio>
#include <map>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "export/ExportWriters.h"
#include "export/InstallerModel.h"

namespace lumora::exporting {
namespace {

// The characters of text[from, to) for an XML attribute value, one code point at a time.
void AppendXmlCharacters(std::string& out, std::string_view text, size_t from, size_t to) {
  ForEachCodePoint(text.substr(from, to - from), [&](int32_t c, size_t begin, size_t end) {
    const char* refused = nullptr;
    if (c < 0) {
      refused = "bytes that are not UTF-8";
    } else if (c < 0x20 && c != '\t' && c != '\n' && c != '\r') {
      refused = "a control character";
    } else if ((c >= 0xFDD0 && c <= 0xFDEF) || (c & 0xFFFE) == 0xFFFE) {
      refused = "a Unicode noncharacter";
    }
    if (refused != nullptr) {
      char code[16];
      std::snprintf(
          code, sizeof code, c < 0 ? " (byte %02X)" : " (U+%04X)",
          c < 0 ? static_cast<unsigned char>(text[from + begin]) : static_cast<unsigned>(c));
      throw ExportError("\"" + Printable(text) + "\" holds " + refused + code +
                        ", which an XML document cannot carry");
    }
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\t':
        out += "&#9;";
        break;
      case '\n':
        out += "&#10;";
        break;
      case '\r':
        out += "&#13;";
        break;
      default:
        out.append(text.substr(from + begin, end - begin));
    }
    return true;
  });
}

// Text for an XML attribute value. Tabs and line breaks are
// written as references so that they survive attribute normalisation. Whatever XML 1.0 cannot
// carry (other control characters, bytes that are not UTF-8) and the Unicode noncharacters
// (U+FDD0..U+FDEF, U+FFFE and U+FFFF of every plane) are refused here, so that no caller can put
// them into the file.
void AppendXml(std::string& out, std::string_view text) {
  // Printable ASCII that needs no reference, the bulk of most text, is copied a run at a time.
  const auto plain = [](char c) {
    return c >= 0x20 && c < 0x7F && c != '&' && c != '<' && c != '>' && c != '"';
  };
  size_t i = 0;
  while (i < text.size()) {
    const size_t run = i;
    while (i < text.size() && plain(text[i])) ++i;
    out.append(text.substr(run, i - run));
    if (i == text.size()) return;
    // Up to the next plain character: one character to escape, or a UTF-8 sequence.
    size_t end = i + 1;
    while (end < text.size() && !plain(text[end])) ++end;
    AppendXmlCharacters(out, text, i, end);
    i = end;
  }
}

// A fixed GUID for a component that has no file to derive one from: two FNV-1a hashes of its id.
std::string StableGuid(const std::string& id) {
  auto fnv = [&id](uint64_t h) {
    for (char c : "lumora-odbc:" + id) {
      h ^= static_cast<unsigned char>(c);
      h *= 0x100000001b3ULL;
    }
    return h;
  };
  const uint64_t a = fnv(0xcbf29ce484222325ULL);
  const uint64_t b = fnv(0x84222325cbf29ce4ULL);
  char text[40];
  std::snprintf(text, sizeof text, "%08X-%04X-5%03X-%04X-%012llX", static_cast<unsigned>(a >> 32),
                static_cast<unsigned>((a >> 16) & 0xFFFF), static_cast<unsigned>(a & 0xFFF),
                static_cast<unsigned>(0x8000 | ((b >> 48) & 0x3FFF)),
                static_cast<unsigned long long>(b & 0xFFFFFFFFFFFFULL));
  return text;
}

// Indices 0..n-1 grouped by a key below `groups`, in order within each group, all in one
// vector: group g is order[start[g]] .. order[start[g + 1] - 1].
struct Grouped {
  std::vector<size_t> start, order;

  template <class KeyOf>
  Grouped(size_t groups, size_t n, KeyOf keyOf) : start(groups + 1, 0), order(n) {
    for (size_t i = 0; i < n; ++i) ++start[keyOf(i) + 1];
    for (size_t g = 0; g < groups; ++g) start[g + 1] += start[g];
    std::vector<size_t> next(start.begin(), start.end() - 1);
    for (size_t i = 0; i < n; ++i) order[next[keyOf(i)]++] = i;
  }
  std::span<const size_t> Of(size_t group) const {
    return {order.data() + start[group], start[group + 1] - start[group]};
  }
};

class Fragment {
 public:
  Fragment(const InstallerModel& model, bool odbcElements)
      : model_(model),
        odbcElements_(odbcElements),
        filesOf_(model.components.size(), model.files.size(),
                 [&](size_t i) { return model.files[i].componentAt; }),
        sourcesOf_(model.components.size(), model.dataSources.size(),
                   [&](size_t i) { return model.dataSources[i].componentAt; }),
        driversOf_(model.files.size(), model.drivers.size(),
                   [&](size_t i) { return model.drivers[i].fileAt; }),
        translatorsOf_(model.files.size(), model.translators.size(),
                       [&](size_t i) { return model.translators[i].fileAt; }) {
    static const InstallFolder kTarget{"TARGETDIR", {}};
    for (size_t i = 0; i < model.components.size(); ++i) {
      const InstallComponent& c = model.components[i];
      const InstallFolder& folder = c.hasFolder ? c.folder : kTarget;
      auto [at, made] = componentsAt_.try_emplace(folder);
      at->second.push_back(i);
      if (!made) continue;
      // Every folder on the way down gets a Directory of its own.
      for (size_t n = 0; n <= folder.subfolders.size(); ++n) {
        folders_.insert(
            {folder.property, {folder.subfolders.begin(), folder.subfolders.begin() + n}});
      }
      if (folder.property != "TARGETDIR") folders_.insert(kTarget);
    }
    for (const InstallFolder& f : folders_) {  // in order, so each folder's children are too
      if (f.subfolders.empty()) continue;
      InstallFolder parent{f.property, {f.subfolders.begin(), f.subfolders.end() - 1}};
      children_[parent].push_back(&f);
    }
  }

  std::string Text() && {
    text_.reserve(Estimate());
    text_ =
        "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
        "<!-- ODBC drivers, translators and data sources, written by lumora export. -->\n"
        "<Wix xmlns=\"http://schemas.microsoft.com/wix/2006/wi\">\n"
        "  <Fragment>\n"
        "    <DirectoryRef Id=\"TARGETDIR\">\n";
    Contents({"TARGETDIR", {}}, 3);
    for (const InstallFolder& f : folders_) {
      if (f.property != "TARGETDIR" && f.subfolders.empty()) {
        Open(3, "Directory", {{"Id", f.property}});
        text_ += ">\n";
        Contents(f, 4);
        Close(3, "Directory");
      }
    }
    text_ +=
        "    </DirectoryRef>\n"
        "    <ComponentGroup Id=\"LumoraODBC\">\n";
    for (const InstallComponent& c : model_.components) {
      Open(3, "ComponentRef", {{"Id", c.id}});
      text_ += " />\n";
    }
    text_ +=
        "    </ComponentGroup>\n"
        "  </Fragment>\n"
        "</Wix>\n";
    return std::move(text_);
  }

 private:
  using Attribute = std::pair<const char*, std::string_view>;

  // Above the text's length unless much of it needs references: each name and value as often as
  // it is written, and room for the markup around it. Reserving it saves growing the text
  // piece by piece; the pages of the reserve that stay unwritten are never touched.
  size_t Estimate() const {
    size_t bytes = 4096;
    for (const InstallComponent& c : model_.components) bytes += 2 * c.id.size() + 200;
    for (const InstallFile& f : model_.files) bytes += f.id.size() + 2 * f.name.size() + 100;
    for (const auto* rows : {&model_.drivers, &model_.translators, &model_.dataSources}) {
      for (const InstallRow& row : *rows) {
        bytes += row.id.size() + row.item->name.size() + row.driverDescription.size() +
                 row.setupFile.size() + 150;
        for (const AttributeLine& a : row.attributes) bytes += a.name.size() + a.value.size() + 50;
      }
    }
    return bytes + bytes / 8;
  }

  // "<element a="..." b="..."", every value through AppendXml; the caller adds further
  // attributes and closes the tag. A refusal names `item`, or the file path when there is none.
  void Open(int depth, const char* element, std::initializer_list<Attribute> attributes,
            const ExportItem* item = nullptr) {
    text_.append(2 * static_cast<size_t>(depth), ' ');
    text_ += '<';
    text_ += element;
    for (const Attribute& a : attributes) Add(a, item);
  }

  // ` name="value"`.
  void Add(const Attribute& attribute, const ExportItem* item = nullptr) {
    text_ += ' ';
    text_ += attribute.first;
    text_ += "=\"";
    try {
      AppendXml(text_, attribute.second);
    } catch (const ExportError& e) {
      throw ExportError((item != nullptr ? Describe(*item) : std::string("the file path")) + ": " +
                        e.what());
    }
    text_ += '"';
  }

  void Close(int depth, const char* element) {
    text_.append(2 * static_cast<size_t>(depth), ' ');
    text_ += "</";
    text_ += element;
    text_ += ">\n";
  }

  // The components of `folder`, then its subfolders.
  void Contents(const InstallFolder& folder, int depth) {
    if (auto found = componentsAt_.find(folder); found != componentsAt_.end()) {
      for (size_t c : found->second) Component(c, depth);
    }
    auto children = children_.find(folder);
    if (children == children_.end()) return;
    for (const InstallFolder* f : children->second) {
      std::string key = f->property;
      for (const std::string& s : f->subfolders) key += "." + s;
      Open(depth, "Directory", {{"Id", directoryPool_.Make(key)}, {"Name", f->subfolders.back()}},
           nullptr);
      text_ += ">\n";
      Contents(*f, depth + 1);
      Close(depth, "Directory");
    }
  }

  void Component(size_t index, int depth) {
    const InstallComponent& c = model_.components[index];
    const std::span<const size_t> files = filesOf_.Of(index);
    const bool hasFile = !files.empty();
    const std::string guid = hasFile ? std::string("*") : StableGuid(c.id);
    Open(depth, "Component", {{"Id", c.id}, {"Guid", guid}});
    if (c.permanent) Add({"Permanent", "yes"});
    if (model_.arch == Arch::kX64) Add({"Win64", "yes"});
    text_ += ">\n";
    bool first = true;
    for (size_t fileAt : files) {
      const InstallFile* f = &model_.files[fileAt];
      Open(depth + 1, "File", {{"Id", f->id}, {"Name", f->name}, {"Source", f->name}});
      if (first) Add({"KeyPath", "yes"});
      first = false;
      const std::span<const size_t> drivers = driversOf_.Of(fileAt);
      const std::span<const size_t> translators = translatorsOf_.Of(fileAt);
      if (!odbcElements_ || (drivers.empty() && translators.empty())) {
        text_ += " />\n";
        continue;
      }
      text_ += ">\n";
      Registrations(model_.drivers, drivers, "ODBCDriver", depth + 2);
      Registrations(model_.translators, translators, "ODBCTranslator", depth + 2);
      Close(depth + 1, "File");
    }
    for (size_t at : odbcElements_ ? sourcesOf_.Of(index) : std::span<const size_t>()) {
      const InstallRow& row = model_.dataSources[at];
      Open(depth + 1, "ODBCDataSource",
           {{"Id", row.id},
            {"Name", row.item->name},
            {"DriverName", row.driverDescription},
            {"Registration", row.item->system ? "machine" : "user"},
            {"KeyPath", "no"}},
           row.item);
      Properties(row, depth + 1, "ODBCDataSource");
    }
    Close(depth, "Component");
  }

  void Registrations(const std::vector<InstallRow>& rows, std::span<const size_t> which,
                     const char* element, int depth) {
    for (size_t at : which) {
      const InstallRow& row = rows[at];
      Open(depth, element, {{"Id", row.id}, {"Name", row.item->name}}, row.item);
      if (!row.setupFile.empty()) Add({"SetupFile", row.setupFile}, row.item);
      Properties(row, depth, element);
    }
  }

  void Properties(const InstallRow& row, int depth, const char* element) {
    if (row.attributes.empty()) {
      text_ += " />\n";
      return;
    }
    text_ += ">\n";
    for (const AttributeLine& a : row.attributes) {
      Open(depth + 1, "Property", {{"Id", a.name}, {"Value", a.value}}, row.item);
      text_ += " />\n";
    }
    Close(depth, element);
  }

  const InstallerModel& model_;
  bool odbcElements_;
  std::set<InstallFolder> folders_;
  std::map<InstallFolder, std::vector<size_t>> componentsAt_;  // the components in each folder
  std::map<InstallFolder, std::vector<const InstallFolder*>> children_;
  // The files of each component, the data sources of each component, the drivers and the
  // translators each file registers.
  Grouped filesOf_, sourcesOf_, driversOf_, translatorsOf_;
  IdentifierPool directoryPool_;
  std::string text_;
};

}  // namespace

ExportOutput WriteWixFragment(const ExportChoices& choices, const ExportOptions& options) {
  const InstallerModel model =
      BuildInstallerModel(choices, options.folders, options.component, options.arch);
  ExportOutput out;
  out.warnings = model.warnings;
  out.arch = options.arch;
  for (const InstallComponent& c : model.components) out.components.push_back(c.id);
  out.files.push_back({"lumora-odbc.wxs", Fragment(model, !options.forWixl).Text()});
  return out;
}

}  // namespace lumora::exporting
