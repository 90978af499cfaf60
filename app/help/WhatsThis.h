#pragma once
// Context help: a short text for each control, shown as the control's "What's
// This" text (Shift+F1, or the title bar's question button of a dialog). The
// texts live in the help pages' "popup.txt", one "id<TAB>text" a line, keyed
// by the control's id.

#include <QString>

class QWidget;

namespace help {

// The text for control `id`, empty when there is none.
QString WhatsThisText(int id);

// Gives `widget` the text of control `id` (nothing changes when there is no
// text).
void SetWhatsThis(QWidget* widget, int id);

// Gives every control under `root` that carries the property "controlId"
// (the forms built from dialog templates set it) the text of its id.
void ApplyWhatsThis(QWidget* root);

// Enters "What's This" mode: the next click on a control shows its text.
void EnterWhatsThisMode();

}  // namespace help
