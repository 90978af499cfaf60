#include "app/panel/WideListComboBox.h"

#include <QAbstractItemView>
#include <QScreen>

void WideListComboBox::showPopup() {
    QComboBox::showPopup();
    QAbstractItemView* list = view();
    QWidget* popup = list->window();
    if (popup == nullptr || popup == window())
        return;
    // The list's frame, margins and scroll bar stay as the style made them;
    // the entries get the width they ask for.
    const int needed = list->sizeHintForColumn(0) + popup->width() - list->viewport()->width();
    if (popup->width() >= needed)
        return;
    QRect geometry = popup->geometry();
    geometry.setWidth(needed);
    if (const QScreen* screen = popup->screen()) {
        const QRect available = screen->availableGeometry();
        if (geometry.right() > available.right())
            geometry.moveRight(available.right());
        if (geometry.left() < available.left())
            geometry.moveLeft(available.left());
    }
    popup->setGeometry(geometry);
}
