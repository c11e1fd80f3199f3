// The wizard's module of free routines: the end of the wizard (EndWizard, IsFormOpen), the
// multi-part string loader, the caption walk, the topic placeholder substitution and the form
// font choice. Each traps or ignores failures as its comment says.
#pragma once

#include <cstdint>
#include <string>

namespace lumora {

namespace forms {
class Form;
}

// Unloads frmWizard when it is loaded. Traps failures ("modWizard:EndWizard").
void EndWizard();

// Whether a loaded form has exactly the name `formName` (letter case counts). Traps failures
// ("modWizard:IsFormOpen") and answers false after one.
bool IsFormOpen(const std::string& formName);

// The entry `id`, joined with the entries after it while an entry ends in "_" (the mark
// dropped); `id` is left past the last entry read. Reports failures as "modWizard:GetResString"
// and returns what it joined so far.
std::string GetResString(int16_t& id);

// Replaces each control's numeric caption placeholder (its Tag; column headers' Tags; tooltip
// texts) with its string-table text. Every failure is ignored and the walk goes on.
void ApplyResourceCaptions(forms::Form& form);

// Replaces "<TOPIC_TEXT>" by `topic` and, when `topic2` is not empty, "<TOPIC_TEXT2>" by
// `topic2`. A topic that itself holds the placeholder is put in once, never again.
std::string ReplaceTopicText(const std::string& text, const std::string& topic,
                             const std::string& topic2);

// Sets the form's font from string-table entry 600 and the controls' fonts from it, adjusted
// for a double-byte system or font. Every failure is ignored.
void ApplyFormFont(forms::Form& form);

}  // namespace lumora
