#pragma once
// A form described as a dialog template: one entry per control, in tab
// order, with its id, kind, text and rectangle in dialog units; the builder
// makes the widgets on a parent in that order.

#include <QString>

#include <map>
#include <span>

class QWidget;

namespace widgets {
class DialogUnits;
}

enum class ControlKind {
    Static,    // a label; its mnemonic ("&Width:") focuses the next control
    GroupBox,  // a frame with a caption around other controls
    Edit,      // a one-line edit
    Spin,      // an up-down control (SpinButton)
    ComboBox,  // a drop-down list
    Button,    // a push button
    Radio,     // a radio button; the radios of one parent exclude each other
    Check,     // a check box
    Frame,     // an empty sunken frame that another window covers
};

struct ControlTemplate {
    int id;  // negative for labels nobody addresses
    ControlKind kind;
    const char* text;
    int x, y, cx, cy;                         // dialog units
    std::span<const char* const> items = {};  // the entries of a combo box
};

struct DialogTemplate {
    const char* caption;
    int cx, cy;  // dialog units
    std::span<const ControlTemplate> controls;
};

// Makes the controls of `dialog` on `parent`, sized by `units`, and gives
// `parent` the dialog's size; wider where a combo box at the right edge needs
// more for its longest entry, the controls at that edge widened with it. Each control gets the property "controlId";
// the result maps every id that is not negative to its widget.
std::map<int, QWidget*> BuildDialogControls(const DialogTemplate& dialog, QWidget* parent,
                                            const widgets::DialogUnits& units);

// The "controlId" a control was built with, or a negative number.
int ControlId(const QWidget* widget);
