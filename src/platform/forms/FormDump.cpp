#include "platform/forms/FormDump.h"

#include "platform/JsonText.h"
#include "platform/forms/CheckBox.h"
#include "platform/forms/ComboBox.h"
#include "platform/forms/Form.h"
#include "platform/forms/ListView.h"
#include "platform/forms/OptionButton.h"
#include "platform/forms/TextBox.h"

namespace lumora::forms {

namespace {

// One JSON object of the dump, written member by member in order.
class DumpObject {
 public:
  explicit DumpObject(std::string& out) : out_(out) { out_ += '{'; }
  ~DumpObject() { out_ += '}'; }
  DumpObject& Text(const char* name, std::string_view text) {
    Name(name);
    AppendJsonString(out_, text);
    return *this;
  }
  DumpObject& Number(const char* name, int64_t number) {
    Name(name);
    out_ += std::to_string(number);
    return *this;
  }
  DumpObject& Flag(const char* name, bool flag) {
    Name(name);
    out_ += flag ? "true" : "false";
    return *this;
  }
  // The member's name; its value is written next by the caller.
  std::string& Name(const char* name) {
    if (!first_) out_ += ',';
    first_ = false;
    out_ += '"';
    out_ += name;
    out_ += "\":";
    return out_;
  }

 private:
  std::string& out_;
  bool first_ = true;
};

}  // namespace

std::string DumpForm(const Form& form, int32_t step) {
  std::string out;
  {
    DumpObject dump(out);
    dump.Text("caption", form.Caption()).Number("step", step);
    dump.Text("focus", form.ActiveControl() != nullptr ? form.ActiveControl()->DisplayName() : "");
    dump.Name("controls") += '[';
    bool firstControl = true;
    for (const Control* control : form.Controls()) {
      if (!firstControl) out += ',';
      firstControl = false;
      DumpObject c(out);
      c.Text("name", control->Name());
      if (control->IsArrayMember()) c.Number("index", control->Index());
      c.Text("type", control->TypeName());
      try {
        const std::string caption = control->Caption();
        c.Text("caption", caption);
      } catch (const Failure&) {
      }
      if (dynamic_cast<const TextBox*>(control) != nullptr ||
          dynamic_cast<const ComboBox*>(control) != nullptr) {
        c.Text("text", form.DumpedText(control->Text()));
      }
      c.Flag("enabled", control->Enabled()).Flag("visible", control->Visible());
      c.Number("left", control->Left()).Number("top", control->Top());
      c.Text("tag", control->Tag()).Number("helpContextID", control->HelpContextID());
      if (const auto* option = dynamic_cast<const OptionButton*>(control))
        c.Flag("value", option->Value());
      if (const auto* check = dynamic_cast<const CheckBox*>(control))
        c.Number("value", check->Value());
      if (const auto* combo = dynamic_cast<const ComboBox*>(control)) {
        std::string& list = c.Name("list");
        list += '[';
        for (size_t i = 0; i < combo->Entries().size(); ++i) {
          if (i > 0) list += ',';
          AppendJsonString(list, combo->Entries()[i]);
        }
        list += ']';
        c.Number("listIndex", combo->ListIndex());
      }
      if (const auto* list = dynamic_cast<const ListView*>(control)) {
        std::string& items = c.Name("items");
        items += '[';
        bool firstItem = true;
        for (const auto& item : list->ListItems()) {
          if (!firstItem) items += ',';
          firstItem = false;
          DumpObject(items).Text("text", item->Text()).Flag("checked", item->Checked());
        }
        items += ']';
      }
    }
    out += ']';
  }
  return out;
}

}  // namespace lumora::forms
