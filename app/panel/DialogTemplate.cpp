#include "app/panel/DialogTemplate.h"

#include "app/panel/SpinButton.h"
#include "app/panel/WideListComboBox.h"
#include "core/widgets/DialogUnits.h"

#include <QCheckBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

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

}  // namespace

std::map<int, QWidget*> BuildDialogControls(const DialogTemplate& dialog, QWidget* parent,
                                            const widgets::DialogUnits& units) {
    std::map<int, QWidget*> controls;
    parent->setFixedSize(units.ToPixels(QSize(dialog.cx, dialog.cy)));
    // A label's mnemonic moves the focus to the control after it, as in a
    // dialog template.
    QLabel* mnemonicLabel = nullptr;
    for (const ControlTemplate& control : dialog.controls) {
        QWidget* widget = MakeControl(control, parent);
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
    return controls;
}

int ControlId(const QWidget* widget) {
    const QVariant id = widget ? widget->property(kControlIdProperty) : QVariant();
    return id.isValid() ? id.toInt() : -1;
}
