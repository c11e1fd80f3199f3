#include "platform/help/HelpHtml.h"

#include <libxml/HTMLparser.h>
#include <libxml/tree.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace lumora::forms {
namespace {

struct DocFree {
  void operator()(xmlDoc* doc) const { xmlFreeDoc(doc); }
};
using Doc = std::unique_ptr<xmlDoc, DocFree>;

Doc Parse(std::string_view html) {
  return Doc(htmlReadMemory(
      html.data(), static_cast<int>(html.size()), nullptr, "UTF-8",
      HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING | HTML_PARSE_NONET | HTML_PARSE_RECOVER));
}

bool Named(const xmlNode* node, const char* name) {
  return node->type == XML_ELEMENT_NODE &&
         ::strcasecmp(reinterpret_cast<const char*>(node->name), name) == 0;
}

std::string Fold(const std::string& text) {
  std::string folded;
  bool space = false;
  for (const char c : text) {
    if (c == ' ' || c == '\n' || c == '\r' || c == '\t') {
      space = !folded.empty();
    } else {
      if (space) folded += ' ';
      space = false;
      folded += c;
    }
  }
  return folded;
}

class BlockWalker {
 public:
  std::vector<TextBlock> blocks;

  void Walk(const xmlNode* node, int depth) {
    for (const xmlNode* child = node; child != nullptr; child = child->next) Visit(child, depth);
  }

 private:
  void Visit(const xmlNode* node, int depth) {
    if (node->type == XML_TEXT_NODE) {
      if (node->content != nullptr) current_ += reinterpret_cast<const char*>(node->content);
      return;
    }
    if (node->type != XML_ELEMENT_NODE) return;
    if (Named(node, "head") || Named(node, "script") || Named(node, "style")) return;
    if (Named(node, "br")) {
      current_ += '\n';
      return;
    }
    TextBlock::Kind kind = TextBlock::kParagraph;
    bool block = true;
    int inner = depth;
    if (Named(node, "h1") || Named(node, "h2") || Named(node, "h3") || Named(node, "h4")) {
      kind = TextBlock::kHeading;
    } else if (Named(node, "li")) {
      kind = TextBlock::kItem;
    } else if (Named(node, "dt")) {
      kind = TextBlock::kTerm;
    } else if (Named(node, "dd")) {
      kind = TextBlock::kDefinition;
    } else if (Named(node, "pre")) {
      kind = TextBlock::kPreformatted;
    } else if (Named(node, "ul") || Named(node, "ol")) {
      Flush();
      Walk(node->children, depth + 1);
      Flush();
      return;
    } else if (!Named(node, "p") && !Named(node, "div") && !Named(node, "tr") &&
               !Named(node, "table") && !Named(node, "dl") && !Named(node, "blockquote")) {
      block = false;
    }
    if (!block) {
      Walk(node->children, depth);
      return;
    }
    Flush();
    const TextBlock::Kind outer = kind_;
    const int outerDepth = depth_;
    kind_ = kind;
    depth_ = inner;
    Walk(node->children, depth);
    Flush();
    kind_ = outer;
    depth_ = outerDepth;
  }

  void Flush() {
    std::string text = kind_ == TextBlock::kPreformatted ? current_ : Fold(current_);
    current_.clear();
    if (text.empty()) return;
    blocks.push_back({kind_, std::move(text), depth_});
  }

  std::string current_;
  TextBlock::Kind kind_ = TextBlock::kParagraph;
  int depth_ = 0;
};

std::string TextOf(const xmlNode* node) {
  xmlChar* content = xmlNodeGetContent(node);
  std::string text = content != nullptr ? Fold(reinterpret_cast<const char*>(content)) : "";
  xmlFree(content);
  return text;
}

const xmlNode* FindFirst(const xmlNode* node, const char* name) {
  for (; node != nullptr; node = node->next) {
    if (Named(node, name)) return node;
    if (const xmlNode* found = FindFirst(node->children, name)) return found;
  }
  return nullptr;
}

std::string Attribute(const xmlNode* node, const char* name) {
  xmlChar* value = xmlGetProp(node, reinterpret_cast<const xmlChar*>(name));
  std::string text = value != nullptr ? reinterpret_cast<const char*>(value) : "";
  xmlFree(value);
  return text;
}

void CollectSitemap(const xmlNode* node, int depth, std::vector<ContentsEntry>& entries) {
  for (; node != nullptr; node = node->next) {
    if (Named(node, "object")) {
      ContentsEntry entry{{}, {}, depth};
      for (const xmlNode* param = node->children; param != nullptr; param = param->next) {
        if (!Named(param, "param")) continue;
        const std::string name = Attribute(param, "name");
        if (::strcasecmp(name.c_str(), "Name") == 0) entry.name = Attribute(param, "value");
        if (::strcasecmp(name.c_str(), "Local") == 0) entry.local = Attribute(param, "value");
      }
      if (!entry.name.empty()) entries.push_back(entry);
      continue;
    }
    CollectSitemap(node->children, Named(node, "ul") ? depth + 1 : depth, entries);
  }
}

}  // namespace

std::vector<TextBlock> HtmlBlocks(std::string_view html) {
  const Doc doc = Parse(html);
  if (!doc) return {};
  BlockWalker walker;
  walker.Walk(xmlDocGetRootElement(doc.get()), 0);
  return walker.blocks;
}

std::string HtmlTitle(std::string_view html) {
  const Doc doc = Parse(html);
  if (!doc) return {};
  const xmlNode* root = xmlDocGetRootElement(doc.get());
  if (const xmlNode* title = FindFirst(root, "title")) {
    if (std::string text = TextOf(title); !text.empty()) return text;
  }
  if (const xmlNode* heading = FindFirst(root, "h1")) return TextOf(heading);
  return {};
}

std::vector<ContentsEntry> SitemapEntries(std::string_view hhc) {
  const Doc doc = Parse(hhc);
  std::vector<ContentsEntry> entries;
  if (!doc) return entries;
  CollectSitemap(xmlDocGetRootElement(doc.get()), -1, entries);
  for (ContentsEntry& entry : entries) entry.depth = std::max(0, entry.depth);
  return entries;
}

}  // namespace lumora::forms
