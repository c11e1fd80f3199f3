// Reading a WiX v3 source back into stored choices with libxml2. Only the WiX namespace counts.
// A driver's Driver= (Translator=) line is the File it sits in, its Setup= line the File its
// SetupFile names: each file's Name in its folder, the folder made of the Directory elements
// around it (a host folder property such as SystemFolder, then the Name of each inner one).
// A data source's Registration "machine" makes it a system data source; one in a Permanent
// component is kept on uninstall.
//
// The reader is bounded: a WiX source needs no document type, so a DOCTYPE is refused where it
// starts, before any entity of it is declared (no entity is ever expanded, no DTD loaded, nothing
// fetched from the network), and elements nest at most kMaxDepth deep, refused at the first
// element past it. libxml2's own limits stay on (no XML_PARSE_HUGE).
#include <libxml/SAX2.h>
#include <libxml/parser.h>
#include <libxml/parserInternals.h>
#include <libxml/tree.h>

#include <memory>
#include <unordered_map>

#include "export/installer/InstallerReaders.h"
#include "platform/InputFile.h"

namespace lumora::exporting {
namespace {

constexpr const char* kWixNamespace = "http://schemas.microsoft.com/wix/2006/wi";

// Far deeper than any WiX source nests (a Directory per folder level, a Component, a File, an
// ODBC element, a Property), far shallower than a recursive walk can take.
constexpr int kMaxDepth = 128;

struct FreeDoc {
  void operator()(xmlDoc* doc) const { xmlFreeDoc(doc); }
};

struct FreeParser {
  void operator()(xmlParserCtxt* parser) const { xmlFreeParserCtxt(parser); }
};

// What the parse was stopped for, kept in the parser's _private pointer by the handlers below.
struct Bounds {
  int depth = 0;
  int line = 0;
  std::string refused;
};

Bounds& BoundsOf(void* context) {
  return *static_cast<Bounds*>(static_cast<xmlParserCtxt*>(context)->_private);
}

void Refuse(void* context, std::string why) {
  Bounds& bounds = BoundsOf(context);
  if (bounds.refused.empty()) {
    bounds.refused = std::move(why);
    bounds.line = xmlSAX2GetLineNumber(context);
  }
  xmlStopParser(static_cast<xmlParserCtxt*>(context));
}

void RefuseDoctype(void* context, const xmlChar*, const xmlChar*, const xmlChar*) {
  Refuse(context,
         "a DOCTYPE, which a WiX source does not need; document types and entities are not read");
}

void StartElement(void* context, const xmlChar* name, const xmlChar* prefix, const xmlChar* uri,
                  int namespaces, const xmlChar** namespaceList, int attributes, int defaulted,
                  const xmlChar** attributeList) {
  if (++BoundsOf(context).depth > kMaxDepth) {
    Refuse(context, "elements nested more than " + std::to_string(kMaxDepth) + " deep");
    return;
  }
  xmlSAX2StartElementNs(context, name, prefix, uri, namespaces, namespaceList, attributes,
                        defaulted, attributeList);
}

void EndElement(void* context, const xmlChar* name, const xmlChar* prefix, const xmlChar* uri) {
  --BoundsOf(context).depth;
  xmlSAX2EndElementNs(context, name, prefix, uri);
}

bool Is(const xmlNode* node, const char* name) {
  return node->type == XML_ELEMENT_NODE && node->ns != nullptr &&
         xmlStrcmp(node->ns->href, BAD_CAST kWixNamespace) == 0 &&
         xmlStrcmp(node->name, BAD_CAST name) == 0;
}

std::string Attribute(const xmlNode* node, const char* name) {
  xmlChar* value = xmlGetProp(node, BAD_CAST name);
  std::string text = value != nullptr ? reinterpret_cast<const char*>(value) : "";
  xmlFree(value);
  return text;
}

class WixReader {
 public:
  WixReader(const std::string& path, const FolderSet& folders) : path_(path), folders_(folders) {}

  ImportedChoices Read() {
    const std::string text = ReadInputFile(path_, "WiX source");
    std::unique_ptr<xmlParserCtxt, FreeParser> parser(xmlNewParserCtxt());
    if (!parser) throw ImportError(path_ + ": no memory for the XML parser");
    Bounds bounds;
    parser->_private = &bounds;
    parser->sax->internalSubset = RefuseDoctype;
    parser->sax->startElementNs = StartElement;
    parser->sax->endElementNs = EndElement;
    std::unique_ptr<xmlDoc, FreeDoc> doc(
        xmlCtxtReadMemory(parser.get(), text.data(), static_cast<int>(text.size()), path_.c_str(),
                          nullptr, XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING));
    if (!bounds.refused.empty()) {
      throw ImportError(path_ + ":" + std::to_string(bounds.line) + ": refused: " + bounds.refused);
    }
    if (!doc) {
      const xmlError* error = xmlCtxtGetLastError(parser.get());
      std::string reason = error != nullptr && error->message != nullptr ? error->message : "";
      while (!reason.empty() && (reason.back() == '\n' || reason.back() == ' ')) reason.pop_back();
      throw ImportError(path_ + (error != nullptr ? ":" + std::to_string(error->line) : "") +
                        ": not well-formed XML: " + reason);
    }
    const xmlNode* root = xmlDocGetRootElement(doc.get());
    if (root == nullptr || !Is(root, "Wix")) {
      throw ImportError(path_ + ": the root element is not Wix in the namespace " + kWixNamespace +
                        " (a WiX v3 source)");
    }
    IndexFiles(root, "");
    ImportedChoices out;
    Walk(root, "", false, out);
    return out;
  }

 private:
  std::string Where(const xmlNode* node) const {
    return path_ + ":" + std::to_string(xmlGetLineNo(node)) + ": " +
           reinterpret_cast<const char*>(node->name);
  }

  std::string Required(const xmlNode* node, const char* name) const {
    std::string value = Attribute(node, name);
    if (value.empty()) throw ImportError(Where(node) + " has no " + name + " attribute");
    return value;
  }

  // Every File's path, by Id, so that a SetupFile may name a file met later.
  void IndexFiles(const xmlNode* node, const std::string& folder) {
    for (const xmlNode* child = node->children; child != nullptr; child = child->next) {
      if (Is(child, "Directory") || Is(child, "DirectoryRef")) {
        IndexFiles(child, Inner(child, folder));
      } else if (Is(child, "File")) {
        std::string name = Attribute(child, "Name");
        if (name.empty()) name = Attribute(child, "Id");
        files_[Attribute(child, "Id")] = ToSymbolPath(folder + name, folders_);
      } else {
        IndexFiles(child, folder);
      }
    }
  }

  // The Windows path of the folder a Directory or DirectoryRef element stands for.
  std::string Inner(const xmlNode* directory, const std::string& outer) const {
    const std::string base = FolderPropertyPath(Attribute(directory, "Id"), folders_);
    if (!base.empty()) return base;
    const std::string name = Attribute(directory, "Name");
    return name.empty() || name == "." ? outer : outer + name + "\\";
  }

  std::vector<AttributeLine> Properties(const xmlNode* element) const {
    std::vector<AttributeLine> lines;
    for (const xmlNode* p = element->children; p != nullptr; p = p->next) {
      if (Is(p, "Property")) {
        lines.push_back({Required(p, "Id"), FromFormattedValue(Attribute(p, "Value"), folders_)});
      }
    }
    return lines;
  }

  void Walk(const xmlNode* node, const std::string& folder, bool permanent, ImportedChoices& out) {
    for (const xmlNode* child = node->children; child != nullptr; child = child->next) {
      if (child->type != XML_ELEMENT_NODE) continue;
      if (Is(child, "Directory") || Is(child, "DirectoryRef")) {
        Walk(child, Inner(child, folder), permanent, out);
      } else if (Is(child, "Component")) {
        Walk(child, folder, Attribute(child, "Permanent") == "yes", out);
      } else if (Is(child, "ODBCDriver") || Is(child, "ODBCTranslator")) {
        const bool driver = Is(child, "ODBCDriver");
        ImportedItem item;
        item.where = Where(child);
        item.name = Required(child, "Name");
        std::string file = Attribute(child, "File");
        if (file.empty() && node->type == XML_ELEMENT_NODE && Is(node, "File")) {
          file = Attribute(node, "Id");
        }
        item.lines.push_back({driver ? "Driver" : "Translator", FileById(file, item.where)});
        if (const std::string setup = Attribute(child, "SetupFile"); !setup.empty()) {
          item.lines.push_back({"Setup", FileById(setup, item.where)});
        }
        for (AttributeLine& line : Properties(child)) item.lines.push_back(std::move(line));
        (driver ? out.drivers : out.translators).push_back(std::move(item));
      } else if (Is(child, "ODBCDataSource")) {
        ImportedItem item;
        item.where = Where(child);
        item.name = Required(child, "Name");
        const std::string registration = Required(child, "Registration");
        if (registration != "machine" && registration != "user") {
          throw ImportError(item.where + ": Registration=\"" + registration +
                            "\" is neither machine nor user");
        }
        item.system = registration == "machine";
        item.uninstall = !permanent;
        if (const std::string driver = Attribute(child, "DriverName"); !driver.empty()) {
          item.lines.push_back({"DriverName", driver});
        }
        for (AttributeLine& line : Properties(child)) item.lines.push_back(std::move(line));
        out.dataSources.push_back(std::move(item));
      } else {
        Walk(child, folder, permanent, out);
      }
    }
  }

  std::string FileById(const std::string& id, const std::string& where) const {
    auto found = files_.find(id);
    if (found == files_.end()) {
      throw ImportError(where + " names file \"" + id + "\", which no File element has");
    }
    return found->second;
  }

  std::string path_;
  const FolderSet& folders_;
  std::unordered_map<std::string, std::string> files_;
};

}  // namespace

ImportedChoices ReadWixSource(const std::string& path, const FolderSet& folders) {
  return WixReader(path, folders).Read();
}

}  // namespace lumora::exporting
