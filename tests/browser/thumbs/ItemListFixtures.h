#pragma once
// Item lists for the browser tests: items named by letters, their order and
// selection written as text ("A *B C": B selected).

#include "browser/items/ItemList.h"
#include "core/settings/AppSettings.h"

#include <QString>
#include <QStringList>

#include <memory>

namespace itemfixtures {

// Items "<folder>/<word>.jpg" for each word of `words`; a leading '*' selects.
inline void Fill(CITEMLIST& items, const QString& words, const QString& folder = QStringLiteral("/p")) {
    for (QString word : words.split(u' ', Qt::SkipEmptyParts)) {
        const bool selected = word.startsWith(u'*');
        if (selected)
            word.remove(0, 1);
        CItem* item =
            items.AddTail(std::make_unique<CItem>(AppSettings{}, folder + u'/' + word + QStringLiteral(".jpg")));
        item->m_bSelected = selected ? 1 : 0;
    }
}

// The list written back in the same form.
inline QString Describe(const CITEMLIST& items) {
    QStringList words;
    for (const auto& item : items) {
        QString name = item->m_strPath.section(u'/', -1);
        name.chop(4);
        words.append((item->m_bSelected ? QStringLiteral("*") : QString()) + name);
    }
    return words.join(u' ');
}

}  // namespace itemfixtures
