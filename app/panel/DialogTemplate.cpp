#include "app/panel/DialogTemplate.h"

#include "app/panel/SpinButton.h"
#include "app/panel/WideListComboBox.h"
#include "core/widgets/DialogUnits.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <algorithm>
#include <cstring>

namespace {

const char* const kControlIdProperty = "controlId";

QWidget* MakeControl(const ControlTemplate& control, QWidget* parent) {
    const QString text = QString::fromUtf8(control.text ? control.text : "");
    switch (control.kind) {
    case ControlKind::Static:
        return new QLabel(text, parent);
    case ControlKind::GroupBox:
        return new QGroupBox(text, parent);
    case ControlKind::Edit:
        return new QLineEdit(text, parent);
    case ControlKind::Spin:
        return new SpinButton(parent);
    case ControlKind::ComboBox: {
        auto* combo = new WideListComboBox(parent);
        for (const char* item : control.items)
            combo->addItem(QString::fromUtf8(item));
        return combo;
    }
    case ControlKind::Button:
        return new QPushButton(text, parent);
    case ControlKind::Radio:
        return new QRadioButton(text, parent);
    case ControlKind::Check:
        return new QCheckBox(text, parent);
    case ControlKind::Frame: {
        auto* frame = new QFrame(parent);
        frame->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
        return frame;
    }
    }
    return new QWidget(parent);
}

// The template's rightmost edge, in dialog units.
int RightEdge(const DialogTemplate& dialog) {
    int right = 0;
    for (const ControlTemplate& control : dialog.controls)
        right = std::max(right, control.x + control.cx);
    return right;
}

// The dialog units of a template were measured in another system's font, in
// which a combo box's entries fit the width it gives; in the desktop's font
// the longest may need more. Every combo box reaching the form's right edge
// gets the width of its longest entry: the form grows by the largest lack,
// and every control reaching the right edge grows with it, so that the
// column keeps one edge. (The forms built here have their combo boxes at the
// right edge.)
void WidenForComboEntries(const DialogTemplate& dialog, QWidget* parent, const std::map<QWidget*, int>& rightEdges) {
    const int right = RightEdge(dialog);
    int lack = 0;
    for (const auto& [widget, edge] : rightEdges)
        if (edge == right && qobject_cast<QComboBox*>(widget) != nullptr)
            lack = std::max(lack, widget->sizeHint().width() - widget->width());
    if (lack <= 0)
        return;
    for (const auto& [widget, edge] : rightEdges)
        if (edge == right)
            widget->resize(widget->width() + lack, widget->height());
    parent->setFixedSize(parent->width() + lack, parent->height());
}

}  // namespace

std::map<int, QWidget*> BuildDialogControls(const DialogTemplate& dialog, QWidget* parent,
                                            const widgets::DialogUnits& units) {
    std::map<int, QWidget*> controls;
    parent->setFixedSize(units.ToPixels(QSize(dialog.cx, dialog.cy)));
    // A label's mnemonic moves the focus to the control after it, as in a
    // dialog template.
    QLabel* mnemonicLabel = nullptr;
    std::map<QWidget*, int> rightEdges;
    for (const ControlTemplate& control : dialog.controls) {
        QWidget* widget = MakeControl(control, parent);
        rightEdges[widget] = control.x + control.cx;
        if (mnemonicLabel != nullptr) {
            mnemonicLabel->setBuddy(widget);
            mnemonicLabel = nullptr;
        }
        if (control.kind == ControlKind::Static && control.text && std::strchr(control.text, '&'))
            mnemonicLabel = qobject_cast<QLabel*>(widget);
        widget->setProperty(kControlIdProperty, control.id);
        widget->setGeometry(units.ToPixels(QRect(control.x, control.y, control.cx, control.cy)));
        if (control.kind == ControlKind::GroupBox)
            widget->lower();  // behind the controls it frames
        if (control.id >= 0) {
            widget->setObjectName(QStringLiteral("control%1").arg(control.id));
            controls[control.id] = widget;
        }
    }
    WidenForComboEntries(dialog, parent, rightEdges);
    return controls;
}

int ControlId(const QWidget* widget) {
    const QVariant id = widget ? widget->property(kControlIdProperty) : QVariant();
    return id.isValid() ? id.toInt() : -1;
}
