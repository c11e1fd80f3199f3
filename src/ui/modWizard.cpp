#include "ui/modWizard.h"

#include <cctype>
#include <cmath>
#include <memory>

#include "contract/HostLibrary.h"
#include "contract/Int16.h"
#include "contract/ProcessState.h"
#include "contract/Trap.h"
#include "contract/Value.h"
#include "platform/FontQueries.h"
#include "platform/forms/Application.h"
#include "platform/forms/Form.h"
#include "platform/forms/ListView.h"
#include "ui/StringTable.h"
#include "ui/frmWizard.h"

namespace lumora {
namespace {

// The classic IsNumeric for the texts a design stores: blanks around, an optional sign, digits
// with at most one decimal point.
bool IsNumeric(const std::string& text) {
  size_t i = 0, end = text.size();
  while (i < end && text[i] == ' ') ++i;
  while (end > i && text[end - 1] == ' ') --end;
  if (i < end && (text[i] == '+' || text[i] == '-')) ++i;
  bool digits = false, point = false;
  for (; i < end; ++i) {
    if (std::isdigit(static_cast<unsigned char>(text[i]))) {
      digits = true;
    } else if (text[i] == '.' && !point) {
      point = true;
    } else {
      return false;
    }
  }
  return digits;
}

// The classic CInt of a numeric text: rounded, 16-bit (6 on overflow).
int16_t ToId(const std::string& text) {
  const double d = Value::String(text).ToDouble();
  if (d < INT16_MIN - 1.0 || d > INT16_MAX + 1.0) Raise(kOverflow);
  return ToInt16(static_cast<int64_t>(std::nearbyint(d)));  // rounds half to even, as CInt
}

}  // namespace

void EndWizard() {
  Trap("modWizard:EndWizard", [&] {
    if (!IsFormOpen("frmWizard")) return;
    if (frmWizard* form = frmWizard::Existing()) form->Unload(forms::kFormCode);
  });
}

bool IsFormOpen(const std::string& formName) {
  bool open = false;
  Trap("modWizard:IsFormOpen", [&] {
    forms::Application& app = forms::App();
    for (int16_t i = 0; i <= app.FormCount() - 1; ++i) {
      if (app.FormAt(i).Name() == formName) {
        open = true;
        return;
      }
    }
  });
  return open;
}

std::string GetResString(int16_t& id) {
  std::string result;
  Trap("modWizard:GetResString", [&] {
    bool continued = true;
    while (continued) {
      std::string entry = LoadResString(id);
      continued = !entry.empty() && entry.back() == '_';
      if (continued) entry.pop_back();
      result += entry;
      id = ToInt16(static_cast<int64_t>(id) + 1);
    }
  });
  return result;
}

void ApplyResourceCaptions(forms::Form& form) {
  for (forms::Control* control : form.Controls()) {
    const std::string type = control->TypeName();
    if (type == "ListView") {
      IgnoreFailures([&] {
        auto& list = dynamic_cast<forms::ListView&>(*control);
        for (const auto& column : list.ColumnHeaders()) {
          IgnoreFailures([&] {
            if (IsNumeric(column->Tag())) column->SetText(LoadResString(ToId(column->Tag())));
          });
        }
      });
    } else {
      IgnoreFailures([&] {
        if (IsNumeric(control->Tag())) {
          int16_t id = ToId(control->Tag());
          control->SetCaption(GetResString(id));
        }
      });
      IgnoreFailures([&] {
        if (IsNumeric(control->ToolTipText())) {
          control->SetToolTipText(LoadResString(ToId(control->ToolTipText())));
        }
      });
    }
  }
}

std::string ReplaceTopicText(const std::string& text, const std::string& topic,
                             const std::string& topic2) {
  // Each search starts after the text just put in, so a topic that holds the placeholder
  // itself is put in once and never searched again.
  auto replaceAll = [](std::string s, const std::string& placeholder, const std::string& with) {
    size_t at = s.find(placeholder);
    while (at != std::string::npos) {
      s.replace(at, placeholder.size(), with);
      at = s.find(placeholder, at + with.size());
    }
    return s;
  };
  std::string result = replaceAll(text, "<TOPIC_TEXT>", topic);
  if (!topic2.empty()) result = replaceAll(result, "<TOPIC_TEXT2>", topic2);
  return result;
}

void ApplyFormFont(forms::Form& form) {
  forms::Font font{"", 0, false, false};
  std::string entry;
  IgnoreFailures([&] { entry = LoadResString(600); });
  if (!entry.empty()) {
    std::unique_ptr<FieldParser> parser;
    auto value = [&](const char* key) {
      if (!parser) parser = component::Host().NewFieldParser();
      return parser->GetValue(entry, key, false);
    };
    IgnoreFailures([&] { font.name = value("Name"); });
    IgnoreFailures([&] { font.size = Value::String(value("Size")).ToDouble(); });
    IgnoreFailures([&] { font.bold = Value::String(value("Bold")).ToBool(); });
    IgnoreFailures([&] { font.italic = Value::String(value("Italic")).ToBool(); });
  } else {
    font = forms::Font{"MS Sans Serif", 8, false, false};
  }
  IgnoreFailures([&] { form.SetFont(font); });

  FontQueries& queries = CurrentFontQueries();
  bool fontIsDoubleByte = false, systemIsDoubleByte = false;
  IgnoreFailures([&] { fontIsDoubleByte = queries.IsDoubleByteFont(form.GetFont().name); });
  IgnoreFailures([&] { systemIsDoubleByte = queries.IsDoubleByteSystem(); });
  forms::Font controlsFont = font;
  if (systemIsDoubleByte && !fontIsDoubleByte) {
    IgnoreFailures([&] {
      std::string face = queries.DefaultGuiFaceName();
      face = face.substr(0, face.find('\0'));
      if (face.size() > 79) face.resize(79);  // the 80-character buffer
      controlsFont.name = face;
      controlsFont.size += 1;
    });
  } else if (fontIsDoubleByte && !systemIsDoubleByte) {
    controlsFont.name = "MS Sans Serif";
  }
  for (forms::Control* control : form.Controls()) {
    if (!control->HasFont()) continue;
    IgnoreFailures([&] { control->SetFont(controlsFont); });
  }
}

}  // namespace lumora
