#include "platform/resources/StringTable.h"

#include <QDir>
#include <QFile>
#include <QStringList>

namespace platform {

namespace {

// The text of a line's rest after its id: an "IDS_NAME<TAB>" in front of it
// is the id's name in the code (res/StringIds.h), not part of the text.
QStringView WithoutName(QStringView rest) {
    if (!rest.startsWith(u"IDS_"))
        return rest;
    qsizetype at = 4;
    while (at < rest.size() && (rest[at].isUpper() || rest[at].isDigit() || rest[at] == u'_'))
        ++at;
    return at > 4 && at < rest.size() && rest[at] == u'\t' ? rest.mid(at + 1) : rest;
}

QString Unescape(QStringView text) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c != u'\\' || i + 1 == text.size()) {
            out += c;
            continue;
        }
        const QChar next = text[++i];
        switch (next.unicode()) {
        case 'n':
            out += u'\n';
            break;
        case 'r':
            out += u'\r';
            break;
        case 't':
            out += u'\t';
            break;
        default:  // \\ and \" and anything else stand for themselves
            out += next;
            break;
        }
    }
    return out;
}

struct LoadedTable {
    std::map<int, QString> table;
    QString error;
};

const LoadedTable& Loaded() {
    static const LoadedTable loaded = [] {
        LoadedTable result;
        const QDir dir(QStringLiteral(":/strings"));
        for (const QString& name : dir.entryList({QStringLiteral("*.tsv")}, QDir::Files, QDir::Name)) {
            QFile file(dir.filePath(name));
            if (!file.open(QIODevice::ReadOnly)) {
                result.error = name + QStringLiteral(": cannot be read");
                continue;
            }
            QString error;
            if (!ParseStringTable(QString::fromUtf8(file.readAll()), result.table, &error) && result.error.isEmpty())
                result.error = name + QStringLiteral(": ") + error;
        }
        return result;
    }();
    return loaded;
}

}  // namespace

bool ParseStringTable(const QString& text, std::map<int, QString>& table, QString* error) {
    const QStringList lines = text.split(u'\n');
    for (qsizetype n = 0; n < lines.size(); ++n) {
        QStringView line = lines[n];
        if (line.endsWith(u'\r'))
            line.chop(1);
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        const qsizetype tab = line.indexOf(u'\t');
        bool ok = false;
        const int id = tab > 0 ? line.left(tab).toInt(&ok) : 0;
        if (!ok || !table.emplace(id, Unescape(WithoutName(line.mid(tab + 1)))).second) {
            if (error != nullptr)
                *error = QStringLiteral("line %1: %2").arg(n + 1).arg(ok ? "id already in the table" : "no id");
            return false;
        }
    }
    return true;
}

const std::map<int, QString>& StringTable() { return Loaded().table; }

QString StringTableError() { return Loaded().error; }

QString LoadResString(int id) {
    const auto& table = StringTable();
    const auto it = table.find(id);
    return it == table.end() ? QString() : it->second;
}

bool HasResString(int id) { return StringTable().count(id) != 0; }

}  // namespace platform
