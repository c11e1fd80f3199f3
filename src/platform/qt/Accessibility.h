// What the window renderer tells assistive technology beyond what Qt derives from the widgets
// (private to the renderer): option buttons that report themselves as radio buttons although the
// runtime, not Qt, keeps their group exclusive; artwork that is decoration only; and the events a
// screen reader follows when the runtime changes a window's title, a row's check mark or a
// combo's choice. Every call is cheap and sends nothing while no assistive technology listens.
#pragma once

#include <QString>

class QAbstractItemView;
class QWidget;

namespace lumora::forms::accessibility {

// `button` (a QRadioButton that is not auto-exclusive) is reported with the radio-button role.
void MarkOptionButton(QWidget& button);
// `widget` is decoration: an image without a name, which screen readers pass over.
void MarkDecoration(QWidget& widget);
// `window` (a window that is not a QDialog, such as the help window) is reported as a dialog.
void MarkDialog(QWidget& window);

// Whether assistive technology is listening (events are sent only then).
bool Listening();

// The window's name (its title) changed.
void AnnounceNameChange(QWidget& window);
// Row `row` of `view` was ticked or cleared.
void AnnounceCheckChange(QAbstractItemView& view, int row);
// The value `widget` shows (a combo box's current entry) changed.
void AnnounceValueChange(QWidget& widget, const QString& value);

}  // namespace lumora::forms::accessibility
