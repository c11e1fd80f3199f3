// The WiX v3 fragment: under TARGETDIR the folders the files go to, in each the components with
// their files; ODBCDriver and ODBCTranslator sit under the File they register, ODBCDataSource
// under its component, and attributes are Property children. A ComponentGroup "LumoraODBC"
// lists every component for the author's Feature. Ids are those of the .idt tables. A component
// of a data source kept on uninstall is Permanent="yes".
#include <cstdint>
#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "export/ExportWriters.h"
#include "export/InstallerModel.h"

namespace lumora::exporting {
namespace {

// Text for an XML attribute value. Tabs and line breaks are
// written as references so that they survive attribute normalisation. Whatever XML 1.0 cannot
// carry (other control characters, bytes that are not UTF-8) and the Unicode noncharacters
// (U+FDD0..U+FDEF, U+FFFE and U+FFFF of every plane) are refused here, so that no caller can put
// them into the file.
void AppendXml(std::string& out, std::string_view text) {
  ForEachCodePoint(text, [&](int32_t c, size_t begin, size_t end) {
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
      std::snprintf(code, sizeof code, c < 0 ? " (byte %02X)" : " (U+%04X)",
                    c < 0 ? static_cast<unsigned char>(text[begin]) : static_cast<unsigned>(c));
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
        out.append(text.substr(begin, end - begin));
    }
    return true;
  });
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

class Fragment {
 public:
  explicit Fragment(const InstallerModel& model) : model_(model) {
    for (size_t i = 0; i < model.components.size(); ++i) {
      const InstallComponent& c = model.components[i];
      InstallFolder folder = c.hasFolder ? c.folder : InstallFolder{"TARGETDIR", {}};
      // Every folder on the way down gets a Directory of its own.
      for (size_t n = 0; n <= folder.subfolders.size(); ++n) {
        folders_.insert(
            {folder.property, {folder.subfolders.begin(), folder.subfolders.begin() + n}});
      }
      if (folder.property != "TARGETDIR") folders_.insert({"TARGETDIR", {}});
      componentsAt_[folder].push_back(i);
    }
    for (const InstallFolder& f : folders_) {  // in order, so each folder's children are too
      if (f.subfolders.empty()) continue;
      InstallFolder parent{f.property, {f.subfolders.begin(), f.subfolders.end() - 1}};
      children_[parent].push_back(&f);
    }
    filesOf_.resize(model.components.size());
    sourcesOf_.resize(model.components.size());
    driversOf_.resize(model.files.size());
    translatorsOf_.resize(model.files.size());
    for (size_t i = 0; i < model.files.size(); ++i) {
      filesOf_[model.files[i].componentAt].push_back(i);
    }
    for (const InstallRow& row : model.drivers) driversOf_[row.fileAt].push_back(&row);
    for (const InstallRow& row : model.translators) translatorsOf_[row.fileAt].push_back(&row);
    for (const InstallRow& row : model.dataSources) sourcesOf_[row.componentAt].push_back(&row);
  }

  std::string Text() {
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
        text_ += Indent(3) + "</Directory>\n";
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
    return text_;
  }

 private:
  using Attributes = std::vector<std::pair<const char*, std::string_view>>;

  static std::string Indent(int depth) { return std::string(2 * depth, ' '); }

  // "<element a="..." b="..."", every value through Xml; the caller closes the tag. A refusal
  // names `item`, or the file path when there is none.
  void Open(int depth, const char* element, const Attributes& attributes,
            const ExportItem* item = nullptr) {
    text_.append(2 * static_cast<size_t>(depth), ' ');
    text_ += '<';
    text_ += element;
    for (const auto& [name, value] : attributes) {
      text_ += ' ';
      text_ += name;
      text_ += "=\"";
      try {
        AppendXml(text_, value);
      } catch (const ExportError& e) {
        throw ExportError((item != nullptr ? Describe(*item) : std::string("the file path")) +
                          ": " + e.what());
      }
      text_ += '"';
    }
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
      text_ += Indent(depth) + "</Directory>\n";
    }
  }

  void Component(size_t index, int depth) {
    const InstallComponent& c = model_.components[index];
    const std::vector<size_t>& files = filesOf_[index];
    const bool hasFile = !files.empty();
    const std::string guid = hasFile ? std::string("*") : StableGuid(c.id);
    Attributes attributes = {{"Id", c.id}, {"Guid", guid}};
    if (c.permanent) attributes.push_back({"Permanent", "yes"});
    Open(depth, "Component", attributes);
    text_ += ">\n";
    if (hasFile) {
      bool first = true;
      for (size_t fileAt : files) {
        const InstallFile* f = &model_.files[fileAt];
        Attributes file = {{"Id", f->id}, {"Name", f->name}, {"Source", f->name}};
        if (first) file.push_back({"KeyPath", "yes"});
        first = false;
        Open(depth + 1, "File", file);
        const size_t open = text_.size();
        text_ += ">\n";
        const size_t before = text_.size();
        Registrations(driversOf_[fileAt], "ODBCDriver", depth + 2);
        Registrations(translatorsOf_[fileAt], "ODBCTranslator", depth + 2);
        if (text_.size() == before) {
          text_.replace(open, std::string::npos, " />\n");
        } else {
          text_ += Indent(depth + 1) + "</File>\n";
        }
      }
    }
    {
      for (const InstallRow* row : sourcesOf_[index]) {
        Open(depth + 1, "ODBCDataSource",
             {{"Id", row->id},
              {"Name", row->item->name},
              {"DriverName", row->driverDescription},
              {"Registration", row->item->system ? "machine" : "user"},
              {"KeyPath", "no"}},
             row->item);
        Properties(*row, depth + 1, "ODBCDataSource");
      }
    }
    text_ += Indent(depth) + "</Component>\n";
  }

  using Rows = std::vector<const InstallRow*>;

  void Registrations(const Rows& rows, const char* element, int depth) {
    for (const InstallRow* row : rows) {
      Attributes attributes = {{"Id", row->id}, {"Name", row->item->name}};
      if (!row->setupFile.empty()) attributes.push_back({"SetupFile", row->setupFile});
      Open(depth, element, attributes, row->item);
      Properties(*row, depth, element);
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
    text_ += Indent(depth) + "</" + element + ">\n";
  }

  const InstallerModel& model_;
  std::set<InstallFolder> folders_;
  // By index: the components in each folder, the files of each component, the data sources of
  // each component, the drivers and translators each file registers.
  std::map<InstallFolder, std::vector<size_t>> componentsAt_;
  std::map<InstallFolder, std::vector<const InstallFolder*>> children_;
  std::vector<std::vector<size_t>> filesOf_;
  std::vector<Rows> sourcesOf_, driversOf_, translatorsOf_;
  IdentifierPool directoryPool_;
  std::string text_;
};

}  // namespace

ExportOutput WriteWixFragment(const ExportChoices& choices, const ExportOptions& options) {
  const InstallerModel model = BuildInstallerModel(choices, options.folders, options.component);
  ExportOutput out;
  out.warnings = model.warnings;
  out.files.push_back({"lumora-odbc.wxs", Fragment(model).Text()});
  return out;
}

}  // namespace lumora::exporting
