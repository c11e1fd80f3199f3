#include "platform/forms/ScriptDriver.h"

#include <nlohmann/json.hpp>

#include "platform/forms/Form.h"
#include "platform/forms/FormDump.h"
#include "platform/forms/PlayAction.h"
#include "platform/forms/UserInput.h"

namespace lumora::forms {

using Kind = ScriptAction::Kind;

ScriptDriver::ScriptDriver(std::unique_ptr<ScriptSource> source, std::string file,
                           std::ostream& out)
    : source_(std::move(source)), file_(std::move(file)), out_(out) {}

int ScriptDriver::UnplayedLine() {
  try {
    const std::optional<ScriptAction> next = source_->Next();
    return next ? next->line : 0;
  } catch (const ScriptError& e) {
    message_ = e.what();
    return 0;
  }
}

void ScriptDriver::RunModal(Form& form) {
  opened_ = true;
  while (form.IsLoaded() && !Failed()) {
    std::optional<ScriptAction> action;
    try {
      action = source_->Next();
    } catch (const ScriptError& e) {
      message_ = e.what();
      break;
    }
    if (!action) break;
    Play(form, *action);
  }
  // A script that ends (or stops) with the window open closes it with the close box.
  if (form.IsLoaded()) UserInput::CloseBox(form);
  if (form.IsLoaded()) form.Unload(kAppWindows);
}

void ScriptDriver::Play(Form& form, const ScriptAction& action) {
  if (action.kind == Kind::Dump) {
    out_ << DumpForm(form, stepReader_ ? stepReader_(form) : 0) << "\n";
    out_.flush();
    return;
  }
  const std::string refusal = PlayAction(form, action);
  if (!refusal.empty()) message_ = file_ + ":" + std::to_string(action.line) + ": " + refusal;
}

int16_t ScriptDriver::MsgBox(const std::string& prompt, int32_t, const std::string& title) {
  nlohmann::ordered_json line;
  line["msgbox"] = {{"title", title}, {"text", prompt}};
  out_ << line.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) << "\n";
  out_.flush();
  return kVbOK;
}

void ScriptDriver::ShowHelp(const std::string& helpFile, int32_t contextId) {
  nlohmann::ordered_json line;
  line["help"] = {{"file", helpFile}, {"topic", contextId}};
  out_ << line.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) << "\n";
  out_.flush();
}

}  // namespace lumora::forms
