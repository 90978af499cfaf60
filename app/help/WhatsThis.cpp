#include "app/help/WhatsThis.h"

#include <QFile>
#include <QWhatsThis>
#include <QWidget>

#include <map>

namespace help {

namespace {

const std::map<int, QString>& Texts() {
    static const std::map<int, QString> texts = [] {
        std::map<int, QString> table;
        QFile file(QStringLiteral(":/help/popup.txt"));
        if (!file.open(QIODevice::ReadOnly))
            return table;
        const QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n');
        for (const QString& line : lines) {
            if (line.isEmpty() || line.startsWith(u'#'))
                continue;
            const qsizetype tab = line.indexOf(u'\t');
            bool ok = false;
            const int id = line.left(tab).toInt(&ok);
            if (tab > 0 && ok)
                table.emplace(id, line.mid(tab + 1).trimmed());
        }
        return table;
    }();
    return texts;
}

}  // namespace

QString WhatsThisText(int id) {
    const auto& texts = Texts();
    const auto it = texts.find(id);
    return it != texts.end() ? it->second : QString();
}

void SetWhatsThis(QWidget* widget, int id) {
    const QString text = WhatsThisText(id);
    if (widget != nullptr && !text.isEmpty())
        widget->setWhatsThis(text);
}

void ApplyWhatsThis(QWidget* root) {
    if (root == nullptr)
        return;
    for (QWidget* widget : root->findChildren<QWidget*>()) {
        bool ok = false;
        const int id = widget->property("controlId").toInt(&ok);
        if (ok && id >= 0)
            SetWhatsThis(widget, id);
    }
}

void EnterWhatsThisMode() { QWhatsThis::enterWhatsThisMode(); }

}  // namespace help
