#include "platform/forms/FormDesign.h"

#include "platform/forms/TextEscapes.h"

#include <cctype>
#include <functional>
#include <map>

#include "contract/Failure.h"
#include "platform/forms/CheckBox.h"
#include "platform/forms/ComboBox.h"
#include "platform/forms/CommandButton.h"
#include "platform/forms/Components.h"
#include "platform/forms/Frame.h"
#include "platform/forms/Image.h"
#include "platform/forms/Label.h"
#include "platform/forms/ListView.h"
#include "platform/forms/OptionButton.h"
#include "platform/forms/PictureBox.h"
#include "platform/forms/TextBox.h"

namespace lumora::forms {
namespace {

// --- Reading the text ---------------------------------------------------------------------------

struct Token {
  enum class Kind { Word, Number, String, Punct, End };
  Kind kind = Kind::End;
  std::string text;
  int64_t number = 0;
  int line = 0;
};

class Lexer {
 public:
  Lexer(const std::string& text, const std::string& file) : text_(text), file_(file) {}

  [[noreturn]] void Fail(int line, const std::string& what) const {
    throw DesignError(file_ + ":" + std::to_string(line) + ": " + what);
  }

  Token Next() {
    SkipBlanks();
    Token token;
    token.line = line_;
    if (pos_ >= text_.size()) return token;
    const char c = text_[pos_];
    if (std::isalpha(static_cast<unsigned char>(c)) || c == '_') {
      token.kind = Token::Kind::Word;
      while (pos_ < text_.size() &&
             (std::isalnum(static_cast<unsigned char>(text_[pos_])) || text_[pos_] == '_')) {
        token.text += text_[pos_++];
      }
    } else if (std::isdigit(static_cast<unsigned char>(c)) || c == '-') {
      token.kind = Token::Kind::Number;
      token.text += text_[pos_++];
      while (pos_ < text_.size() && std::isdigit(static_cast<unsigned char>(text_[pos_]))) {
        token.text += text_[pos_++];
      }
      if (token.text == "-" || token.text.size() > 11)
        Fail(line_, "bad number '" + token.text + "'");
      token.number = std::stoll(token.text);
    } else if (c == '"') {
      token.kind = Token::Kind::String;
      ++pos_;
      for (;;) {
        if (pos_ >= text_.size() || text_[pos_] == '\n') Fail(token.line, "unterminated string");
        char ch = text_[pos_++];
        if (ch == '"') break;
        if (ch == '\\') {
          if (pos_ >= text_.size()) Fail(token.line, "unterminated string");
          const char e = text_[pos_++];
          const std::optional<char> decoded = Unescaped(e);
          if (!decoded) Fail(token.line, std::string("unknown escape \\") + e);
          ch = *decoded;
        }
        token.text += ch;
      }
    } else if (std::string("{}():[],").find(c) != std::string::npos) {
      token.kind = Token::Kind::Punct;
      token.text = std::string(1, c);
      ++pos_;
    } else {
      Fail(line_, std::string("unexpected character '") + c + "'");
    }
    return token;
  }

 private:
  void SkipBlanks() {
    while (pos_ < text_.size()) {
      const char c = text_[pos_];
      if (c == '\n') {
        ++line_;
        ++pos_;
      } else if (c == ' ' || c == '\t' || c == '\r') {
        ++pos_;
      } else if (c == '#') {
        while (pos_ < text_.size() && text_[pos_] != '\n') ++pos_;
      } else {
        break;
      }
    }
  }

  const std::string& text_;
  const std::string& file_;
  size_t pos_ = 0;
  int line_ = 1;
};

class Parser {
 public:
  Parser(const std::string& text, const std::string& file) : lexer_(text, file) { Advance(); }

  DesignNode Document() {
    if (token_.kind == Token::Kind::End) lexer_.Fail(token_.line, "the design is empty");
    DesignNode root = Node();
    if (token_.kind != Token::Kind::End) {
      lexer_.Fail(token_.line, "only one form may be declared; found '" + token_.text + "'");
    }
    return root;
  }

 private:
  void Advance() { token_ = lexer_.Next(); }
  bool IsPunct(const char* p) const {
    return token_.kind == Token::Kind::Punct && token_.text == p;
  }
  void Expect(const char* p, const char* what) {
    if (!IsPunct(p)) lexer_.Fail(token_.line, std::string("expected ") + what + Describe());
    Advance();
  }
  std::string Describe() const {
    if (token_.kind == Token::Kind::End) return ", found the end of the file";
    return ", found '" + token_.text + "'";
  }
  std::string Word(const char* what) {
    if (token_.kind != Token::Kind::Word)
      lexer_.Fail(token_.line, std::string("expected ") + what + Describe());
    std::string word = token_.text;
    Advance();
    return word;
  }

  DesignNode Node() {
    const int line = token_.line;
    std::string type = Word("a control type");
    return NestedNode(std::move(type), line);
  }

  DesignNode NestedNode(std::string type, int line) {
    DesignNode child;
    child.type = std::move(type);
    child.line = line;
    child.name = Word("a control name or ':'");
    if (IsPunct("(")) {
      Advance();
      if (token_.kind != Token::Kind::Number || token_.number < 0 || token_.number > 32767) {
        lexer_.Fail(token_.line, "expected a control-array index from 0 to 32767" + Describe());
      }
      child.index = static_cast<int16_t>(token_.number);
      Advance();
      Expect(")", "')'");
    }
    Expect("{", "'{'");
    DesignNode body = Body(child.line, child.name);
    child.properties = std::move(body.properties);
    child.children = std::move(body.children);
    return child;
  }

  DesignNode Body(int line, const std::string& name) {
    DesignNode body;
    while (!IsPunct("}")) {
      if (token_.kind == Token::Kind::End) {
        lexer_.Fail(line, "the block of " + name + " is not closed");
      }
      const int at = token_.line;
      std::string word = Word("a property or a control");
      if (IsPunct(":")) {
        Advance();
        body.properties.push_back({std::move(word), Value(), at});
      } else {
        body.children.push_back(NestedNode(std::move(word), at));
      }
    }
    Advance();
    return body;
  }

  DesignValue Value() {
    if (token_.kind == Token::Kind::String) {
      std::string s = token_.text;
      Advance();
      return s;
    }
    if (token_.kind == Token::Kind::Number) {
      const int64_t n = token_.number;
      Advance();
      return n;
    }
    if (token_.kind == Token::Kind::Word && (token_.text == "true" || token_.text == "false")) {
      const bool b = token_.text == "true";
      Advance();
      return b;
    }
    if (IsPunct("[")) {
      Advance();
      std::vector<std::string> items;
      while (!IsPunct("]")) {
        if (token_.kind != Token::Kind::String)
          lexer_.Fail(token_.line, "expected a string in the list" + Describe());
        items.push_back(token_.text);
        Advance();
        if (IsPunct(",")) {
          Advance();
        } else if (!IsPunct("]")) {
          lexer_.Fail(token_.line, "expected ',' or ']'" + Describe());
        }
      }
      Advance();
      return items;
    }
    lexer_.Fail(token_.line,
                "expected a value (a string, number, true, false or a list)" + Describe());
  }

  Lexer lexer_;
  Token token_;
};

// --- Applying properties -------------------------------------------------------------------------

struct Setting {
  const DesignProperty& property;
  const std::string& file;

  [[noreturn]] void Fail(const std::string& what) const {
    throw DesignError(file + ":" + std::to_string(property.line) + ": " + what);
  }
  int64_t Int(int64_t lo, int64_t hi) const {
    const auto* n = std::get_if<int64_t>(&property.value);
    if (n == nullptr) Fail(property.name + " expects a number");
    if (*n < lo || *n > hi) Fail(property.name + " is out of range: " + std::to_string(*n));
    return *n;
  }
  bool Bool() const {
    const auto* b = std::get_if<bool>(&property.value);
    if (b == nullptr) Fail(property.name + " expects true or false");
    return *b;
  }
  std::string Str() const {
    const auto* s = std::get_if<std::string>(&property.value);
    if (s == nullptr) Fail(property.name + " expects a string");
    return *s;
  }
  std::vector<std::string> List() const {
    const auto* l = std::get_if<std::vector<std::string>>(&property.value);
    if (l == nullptr) Fail(property.name + " expects a list of strings");
    return *l;
  }
};

template <class T>
T& As(Control& control) {
  auto* typed = dynamic_cast<T*>(&control);
  if (typed == nullptr) Raise(kPropertyNotFound);
  return *typed;
}

using Setter = std::function<void(Control&, const Setting&)>;

const std::map<std::string, Setter>& Setters() {
  constexpr int64_t kMaxTwips = 2147483647;
  static const std::map<std::string, Setter> setters = {
      {"Caption", [](Control& c, const Setting& s) { c.SetCaption(s.Str()); }},
      {"Text", [](Control& c, const Setting& s) { c.SetText(s.Str()); }},
      {"Tag", [](Control& c, const Setting& s) { c.SetTag(s.Str()); }},
      {"ToolTipText", [](Control& c, const Setting& s) { c.SetToolTipText(s.Str()); }},
      {"Left",
       [](Control& c, const Setting& s) {
         c.SetLeft(static_cast<int32_t>(s.Int(-kMaxTwips, kMaxTwips)));
       }},
      {"Top",
       [](Control& c, const Setting& s) {
         c.SetTop(static_cast<int32_t>(s.Int(-kMaxTwips, kMaxTwips)));
       }},
      {"Width",
       [](Control& c, const Setting& s) { c.SetWidth(static_cast<int32_t>(s.Int(0, kMaxTwips))); }},
      {"Height", [](Control& c,
                    const Setting& s) { c.SetHeight(static_cast<int32_t>(s.Int(0, kMaxTwips))); }},
      {"Enabled", [](Control& c, const Setting& s) { c.SetEnabled(s.Bool()); }},
      {"Visible", [](Control& c, const Setting& s) { c.SetVisible(s.Bool()); }},
      {"TabIndex",
       [](Control& c, const Setting& s) { c.SetTabIndex(static_cast<int16_t>(s.Int(0, 32767))); }},
      {"HelpContextID",
       [](Control& c, const Setting& s) {
         c.SetHelpContextID(static_cast<int32_t>(s.Int(0, kMaxTwips)));
       }},
      {"FontName",
       [](Control& c, const Setting& s) {
         Font f = c.GetFont();
         f.name = s.Str();
         c.SetFont(f);
       }},
      {"FontSize",
       [](Control& c, const Setting& s) {
         Font f = c.GetFont();
         f.size = static_cast<double>(s.Int(1, 2048));
         c.SetFont(f);
       }},
      {"FontBold",
       [](Control& c, const Setting& s) {
         Font f = c.GetFont();
         f.bold = s.Bool();
         c.SetFont(f);
       }},
      {"FontItalic",
       [](Control& c, const Setting& s) {
         Font f = c.GetFont();
         f.italic = s.Bool();
         c.SetFont(f);
       }},
      {"KeyPreview", [](Control& c, const Setting& s) { As<Form>(c).SetKeyPreview(s.Bool()); }},
      {"Value",
       [](Control& c, const Setting& s) {
         if (auto* check = dynamic_cast<CheckBox*>(&c))
           return check->SetValue(static_cast<int16_t>(s.Int(0, 2)));
         As<OptionButton>(c).SetValue(s.Bool());
       }},
      {"List",
       [](Control& c, const Setting& s) {
         auto& combo = As<ComboBox>(c);
         for (std::string& item : s.List()) combo.AddItem(std::move(item));
       }},
      {"Style",
       [](Control& c, const Setting& s) {
         As<ComboBox>(c).SetStyle(static_cast<int16_t>(s.Int(0, 2)));
       }},
      {"MultiLine", [](Control& c, const Setting& s) { As<TextBox>(c).SetMultiLine(s.Bool()); }},
      {"ScrollBars",
       [](Control& c, const Setting& s) {
         As<TextBox>(c).SetScrollBars(static_cast<int16_t>(s.Int(0, 3)));
       }},
      {"Locked", [](Control& c, const Setting& s) { As<TextBox>(c).SetLocked(s.Bool()); }},
      {"Default", [](Control& c, const Setting& s) { As<CommandButton>(c).SetDefault(s.Bool()); }},
      {"Cancel", [](Control& c, const Setting& s) { As<CommandButton>(c).SetCancel(s.Bool()); }},
      {"View",
       [](Control& c, const Setting& s) {
         As<ListView>(c).SetView(static_cast<int16_t>(s.Int(0, 3)));
       }},
      {"HideColumnHeaders",
       [](Control& c, const Setting& s) { As<ListView>(c).SetHideColumnHeaders(s.Bool()); }},
      {"Checkboxes", [](Control& c, const Setting& s) { As<ListView>(c).SetCheckboxes(s.Bool()); }},
      {"Picture",
       [](Control& c, const Setting& s) {
         if (auto* picture = dynamic_cast<PictureBox*>(&c)) return picture->SetPicture(s.Str());
         As<Image>(c).SetPicture(s.Str());
       }},
      {"Stretch", [](Control& c, const Setting& s) { As<Image>(c).SetStretch(s.Bool()); }},
      {"WordWrap", [](Control& c, const Setting& s) { As<Label>(c).SetWordWrap(s.Bool()); }},
      {"BorderStyle",
       [](Control& c, const Setting& s) {
         const auto style = static_cast<int16_t>(s.Int(0, 1));
         if (auto* picture = dynamic_cast<PictureBox*>(&c)) return picture->SetBorderStyle(style);
         As<Frame>(c).SetBorderStyle(style);
       }},
      {"ListImages",
       [](Control& c, const Setting& s) {
         auto& images = As<ImageList>(c);
         for (std::string& key : s.List()) images.AddImage(std::move(key));
       }},
  };
  return setters;
}

void Apply(Control& control, const DesignProperty& property, const std::string& file) {
  const Setting setting{property, file};
  const auto& setters = Setters();
  auto found = setters.find(property.name);
  if (found == setters.end()) setting.Fail("unknown property '" + property.name + "'");
  try {
    found->second(control, setting);
  } catch (const Failure& failure) {
    if (failure.number() == kPropertyNotFound) {
      setting.Fail(std::string("a ") + control.TypeName() + " has no property '" + property.name +
                   "'");
    }
    setting.Fail(property.name + " of " + control.DisplayName() + ": " + failure.description());
  }
}

void BuildChildren(Form& form, Control* container, const std::vector<DesignNode>& nodes,
                   const std::string& file) {
  for (const DesignNode& node : nodes) {
    const auto fail = [&](const std::string& what) {
      throw DesignError(file + ":" + std::to_string(node.line) + ": " + what);
    };
    std::unique_ptr<Control> created = CreateControl(node.type, node.name, node.index);
    if (!created) fail("unknown control type '" + node.type + "'");
    if (form.Find(node.name, node.index) != nullptr) {
      fail("a control named " + created->DisplayName() + " is declared twice");
    }
    if (!node.children.empty() && !created->IsContainer()) {
      fail(std::string("a ") + created->TypeName() + " cannot hold controls");
    }
    Control& control = form.Add(std::move(created), container);
    for (const DesignProperty& property : node.properties) Apply(control, property, file);
    BuildChildren(form, &control, node.children, file);
  }
}

}  // namespace

DesignNode ParseDesign(const std::string& text, const std::string& file) {
  return Parser(text, file).Document();
}

void BuildForm(Form& form, const DesignNode& root, const std::string& file) {
  if (root.type != "Form") {
    throw DesignError(file + ":" + std::to_string(root.line) +
                      ": the design must declare a Form, not a " + root.type);
  }
  for (const DesignProperty& property : root.properties) Apply(form, property, file);
  BuildChildren(form, nullptr, root.children, file);
}

std::unique_ptr<Control> CreateControl(const std::string& type, std::string name, int16_t index) {
  if (type == "Label") return std::make_unique<Label>(std::move(name), index);
  if (type == "CommandButton") return std::make_unique<CommandButton>(std::move(name), index);
  if (type == "Frame") return std::make_unique<Frame>(std::move(name), index);
  if (type == "TextBox") return std::make_unique<TextBox>(std::move(name), index);
  if (type == "ComboBox") return std::make_unique<ComboBox>(std::move(name), index);
  if (type == "ListView") return std::make_unique<ListView>(std::move(name), index);
  if (type == "OptionButton") return std::make_unique<OptionButton>(std::move(name), index);
  if (type == "CheckBox") return std::make_unique<CheckBox>(std::move(name), index);
  if (type == "PictureBox") return std::make_unique<PictureBox>(std::move(name), index);
  if (type == "Image") return std::make_unique<Image>(std::move(name), index);
  if (type == "CommonDialog") return std::make_unique<CommonDialog>(std::move(name), index);
  if (type == "ImageList") return std::make_unique<ImageList>(std::move(name), index);
  return nullptr;
}

DesignedForm::DesignedForm(const std::string& designText, const std::string& file)
    : DesignedForm(ParseDesign(designText, file), file) {}

DesignedForm::DesignedForm(const DesignNode& root, const std::string& file) : Form(root.name) {
  BuildForm(*this, root, file);
}

}  // namespace lumora::forms
