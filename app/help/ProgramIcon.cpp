#include "app/help/ProgramIcon.h"

#include <QGuiApplication>

namespace help {

QIcon ProgramIcon() {
    const QIcon window = QGuiApplication::windowIcon();
    if (!window.isNull())
        return window;
    return QIcon(QStringLiteral(":/help/images/vespera.svg"));
}

}  // namespace help
