// The WiX v3 fragment: under TARGETDIR the folders the files go to, in each the components with
// their files; ODBCDriver and ODBCTranslator sit under the File they register, ODBCDataSource
// under its component, and attributes are Property children. A ComponentGroup "LumoraODBC"
// lists every component for the author's Feature. Ids are those of the .idt tables.
#include <cstdint>
#include <cstdio>
#include <set>
#include <string>

#include "export/ExportWriters.h"
#include "export/InstallerLayout.h"

namespace lumora::exporting {
namespace {

// Text for an XML attribute value. Tabs and line breaks are written as references so that they
// survive attribute normalisation; other control characters have no place in XML 1.0.
std::string Xml(const std::string& what, const std::string& text) {
  std::string out;
  for (char c : text) {
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
        if (static_cast<unsigned char>(c) < 0x20) {
          throw ExportError(what + ": \"" + text +
                            "\" holds a control character, which XML cannot carry");
        }
        out += c;
    }
  }
  return out;
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
  explicit Fragment(const InstallerLayout& layout) : layout_(layout) {
    for (const InstallComponent& c : layout.components) {
      InstallFolder folder = c.hasFolder ? c.folder : InstallFolder{"TARGETDIR", {}};
      // Every folder on the way down gets a Directory of its own.
      for (size_t n = 0; n <= folder.subfolders.size(); ++n) {
        folders_.insert(
            {folder.property, {folder.subfolders.begin(), folder.subfolders.begin() + n}});
      }
      if (folder.property != "TARGETDIR") folders_.insert({"TARGETDIR", {}});
    }
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
        text_ += Indent(3) + "<Directory Id=\"" + f.property + "\">\n";
        Contents(f, 4);
        text_ += Indent(3) + "</Directory>\n";
      }
    }
    text_ +=
        "    </DirectoryRef>\n"
        "    <ComponentGroup Id=\"LumoraODBC\">\n";
    for (const InstallComponent& c : layout_.components) {
      text_ += "      <ComponentRef Id=\"" + c.id + "\" />\n";
    }
    text_ +=
        "    </ComponentGroup>\n"
        "  </Fragment>\n"
        "</Wix>\n";
    return text_;
  }

 private:
  static std::string Indent(int depth) { return std::string(2 * depth, ' '); }

  // The components of `folder`, then its subfolders.
  void Contents(const InstallFolder& folder, int depth) {
    for (const InstallComponent& c : layout_.components) {
      const InstallFolder at = c.hasFolder ? c.folder : InstallFolder{"TARGETDIR", {}};
      if (!(at < folder) && !(folder < at)) Component(c, depth);
    }
    for (const InstallFolder& f : folders_) {
      if (f.property != folder.property || f.subfolders.size() != folder.subfolders.size() + 1 ||
          !std::equal(folder.subfolders.begin(), folder.subfolders.end(), f.subfolders.begin())) {
        continue;
      }
      std::string key = f.property;
      for (const std::string& s : f.subfolders) key += "." + s;
      if (!directoryIds_.count(key)) directoryIds_[key] = directoryPool_.Make(key);
      text_ += Indent(depth) + "<Directory Id=\"" + directoryIds_[key] + "\" Name=\"" +
               XmlPlain(f.subfolders.back()) + "\">\n";
      Contents(f, depth + 1);
      text_ += Indent(depth) + "</Directory>\n";
    }
  }

  void Component(const InstallComponent& c, int depth) {
    bool hasFile = false;
    for (const InstallFile& f : layout_.files) hasFile = hasFile || f.component == c.id;
    text_ += Indent(depth) + "<Component Id=\"" + c.id + "\" Guid=\"" +
             (hasFile ? std::string("*") : StableGuid(c.id)) + "\">\n";
    bool first = true;
    for (const InstallFile& f : layout_.files) {
      if (f.component != c.id) continue;
      text_ += Indent(depth + 1) + "<File Id=\"" + f.id + "\" Name=\"" + XmlPlain(f.name) +
               "\" Source=\"" + XmlPlain(f.name) + "\"" + (first ? " KeyPath=\"yes\"" : "");
      first = false;
      const size_t open = text_.size();
      text_ += ">\n";
      const size_t before = text_.size();
      Registrations(layout_.drivers, "ODBCDriver", f.id, depth + 2);
      Registrations(layout_.translators, "ODBCTranslator", f.id, depth + 2);
      if (text_.size() == before) {
        text_.replace(open, std::string::npos, " />\n");
      } else {
        text_ += Indent(depth + 1) + "</File>\n";
      }
    }
    for (const InstallRow& row : layout_.dataSources) {
      if (row.component != c.id) continue;
      text_ += Indent(depth + 1) + "<ODBCDataSource Id=\"" + row.id + "\" Name=\"" +
               Xml(Describe(*row.item), row.item->name) + "\" DriverName=\"" +
               Xml(Describe(*row.item), row.driverDescription) + "\" Registration=\"" +
               (row.item->system ? "machine" : "user") + "\" KeyPath=\"no\"";
      Properties(row, depth + 1, "ODBCDataSource");
    }
    text_ += Indent(depth) + "</Component>\n";
  }

  void Registrations(const std::vector<InstallRow>& rows, const char* element,
                     const std::string& file, int depth) {
    for (const InstallRow& row : rows) {
      if (row.file != file) continue;
      text_ += Indent(depth) + "<" + element + " Id=\"" + row.id + "\" Name=\"" +
               Xml(Describe(*row.item), row.item->name) + "\"";
      if (!row.setupFile.empty()) text_ += " SetupFile=\"" + row.setupFile + "\"";
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
      text_ += Indent(depth + 1) + "<Property Id=\"" + Xml(Describe(*row.item), a.name) +
               "\" Value=\"" + Xml(Describe(*row.item), a.value) + "\" />\n";
    }
    text_ += Indent(depth) + "</" + element + ">\n";
  }

  // File and folder names come from the Driver=, Translator= and Setup= lines.
  static std::string XmlPlain(const std::string& text) { return Xml("the file path", text); }

  const InstallerLayout& layout_;
  std::set<InstallFolder> folders_;
  IdentifierPool directoryPool_;
  std::map<std::string, std::string> directoryIds_;
  std::string text_;
};

}  // namespace

ExportOutput WriteWixFragment(const ExportChoices& choices, const ExportOptions& options) {
  const InstallerLayout layout = LayOut(choices, options.folders, options.component);
  ExportOutput out;
  out.warnings = layout.warnings;
  out.files.push_back({"lumora-odbc.wxs", Fragment(layout).Text()});
  return out;
}

}  // namespace lumora::exporting
