// Fuzzes the wizard-script parser. A script is either refused with a ScriptError naming
// "fuzz.script:LINE", or parses into actions in line order with indexes and entry numbers in
// the 16-bit range the controls take.
#include "FuzzSupport.h"
#include "platform/forms/ScriptParser.h"

using lumora::forms::ScriptAction;
using lumora::fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(lumora::fuzz::AsText(data, size));
  std::vector<ScriptAction> actions;
  try {
    actions = lumora::forms::ParseScript(text, "fuzz.script");
  } catch (const lumora::forms::ScriptError& e) {
    Check(lumora::fuzz::NamesFileAndLine(e.what(), "fuzz.script"),
          "a refused script does not name the file and line");
    return 0;
  }
  // Lines end at LF, CR LF or a lone CR, as the parser counts them.
  int lines = 1;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' || (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n'))) {
      ++lines;
    }
  }
  int previous = 0;
  for (const ScriptAction& a : actions) {
    Check(a.line > previous && a.line <= lines, "actions are not in line order");
    previous = a.line;
    Check(a.index >= -1, "a negative control index");
    Check(a.number >= -1 && a.number <= 32767, "an entry number outside 0..32767");
    const bool needsControl = a.kind != ScriptAction::Kind::Key &&
                              a.kind != ScriptAction::Kind::Close &&
                              a.kind != ScriptAction::Kind::Dump;
    Check(needsControl == !a.control.empty(), "a control name where none belongs, or none");
  }
  return 0;
}
