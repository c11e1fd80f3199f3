// The summary page: what the setup will register, rebuilt every time the page is entered.
#include "contract/Trap.h"
#include "ui/StringTable.h"
#include "ui/Wizard.h"
#include "ui/frmWizard.h"

namespace lumora {
namespace {

constexpr const char* kIndent = "     ";
constexpr const char* kLineEnd = "\r\n";

// A heading line and one indented line per selected item, or "<none>" when none is selected.
template <class Collection>
std::string SummarySection(int32_t headingId, const Collection& items) {
  std::string section = LoadResString(headingId) + kLineEnd;
  const size_t headingLength = section.size();
  for (const auto& item : items) {
    if (item->Selected()) section += kIndent + item->Name() + kLineEnd;
  }
  if (section.size() == headingLength) section += kIndent + LoadResString(1005) + kLineEnd;
  return section;
}

}  // namespace

void frmWizard::AddSummary() {
  Trap(reporter_, "frmWizard:AddSummary", [&] {
    const Wizard& owner = Owner();
    const std::string core = LoadResString(9006) + kLineEnd;
    const std::string drivers = SummarySection(7002, *owner.Drivers);
    const std::string sources = SummarySection(7003, *owner.DataSources);
    txtSummary.SetText(core + kLineEnd + drivers + kLineEnd + sources);
  });
}

}  // namespace lumora
