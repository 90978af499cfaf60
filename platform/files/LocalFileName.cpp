#include "platform/files/LocalFileName.h"

#include <QStringList>

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <memory>

#include "platform/files/RegularFile.h"

namespace platform {

namespace {

constexpr char16_t kEscapeBase = 0xDC00;  // byte b >= 0x80 is carried as U+DC00 + b

bool IsContinuation(std::uint8_t byte) { return (byte & 0xC0) == 0x80; }

// The length of the valid UTF-8 sequence at `at`, or 0 when the bytes there
// are not one (stray or missing continuation bytes, overlong forms,
// surrogates, code points past U+10FFFF).
int ValidSequenceLength(const QByteArray& bytes, qsizetype at) {
    const auto b = [&](qsizetype i) { return static_cast<std::uint8_t>(bytes[at + i]); };
    const qsizetype left = bytes.size() - at;
    const std::uint8_t lead = b(0);
    if (lead < 0x80)
        return 1;
    int length = 0;
    std::uint32_t low = 0;  // the smallest code point of that length
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        low = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = 0x10000;
    } else {
        return 0;
    }
    if (left < length)
        return 0;
    std::uint32_t code = lead & (0x7F >> length);
    for (int i = 1; i < length; ++i) {
        if (!IsContinuation(b(i)))
            return 0;
        code = code << 6 | (b(i) & 0x3F);
    }
    if (code < low || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return 0;
    return length;
}

bool IsEscape(char16_t unit) { return unit >= kEscapeBase + 0x80 && unit <= kEscapeBase + 0xFF; }

}  // namespace

QString FileNameFromLocal(const QByteArray& local) {
    QString name;
    name.reserve(local.size());
    qsizetype run = 0;  // the start of the valid bytes not yet decoded
    qsizetype at = 0;
    while (at < local.size()) {
        const int length = ValidSequenceLength(local, at);
        if (length > 0) {
            at += length;
            continue;
        }
        name += QString::fromUtf8(local.constData() + run, at - run);
        name += QChar(static_cast<char16_t>(kEscapeBase + static_cast<std::uint8_t>(local[at])));
        run = ++at;
    }
    name += QString::fromUtf8(local.constData() + run, at - run);
    return name;
}

QByteArray LocalFileName(const QString& name) {
    QByteArray local;
    local.reserve(name.size());
    qsizetype run = 0;
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char16_t unit = name[i].unicode();
        if (QChar::isHighSurrogate(unit) && i + 1 < name.size() && QChar::isLowSurrogate(name[i + 1].unicode())) {
            ++i;  // a pair, whatever its low half
            continue;
        }
        if (!IsEscape(unit))
            continue;
        local += QStringView(name).mid(run, i - run).toUtf8();
        local += static_cast<char>(unit - kEscapeBase);
        run = i + 1;
    }
    local += QStringView(name).mid(run).toUtf8();
    return local;
}

QString AbsoluteFileName(const QString& name) {
    if (name.isEmpty())
        return name;
    QString joined = name;
    if (!name.startsWith(u'/')) {
        // getcwd with no buffer gives the whole name, however long.
        const std::unique_ptr<char, decltype(&std::free)> current(::getcwd(nullptr, 0), &std::free);
        if (current == nullptr)
            return name;
        joined = FileNameFromLocal(current.get()) + u'/' + name;
    }
    QStringList kept;
    for (const QString& part : joined.split(u'/', Qt::SkipEmptyParts))
        if (part != QLatin1String("."))
            kept << part;
    QString absolute = u'/' + kept.join(u'/');
    // A name that ends in '/' names a folder and keeps saying so.
    if (joined.endsWith(u'/') && kept.size() > 0)
        absolute += u'/';
    return absolute;
}

QString DisplayFileName(const QString& name) {
    if (!HoldsNonUtf8Bytes(name))
        return name;
    QString shown;
    shown.reserve(name.size() + 8);
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char16_t unit = name[i].unicode();
        if (QChar::isHighSurrogate(unit) && i + 1 < name.size() && QChar::isLowSurrogate(name[i + 1].unicode())) {
            shown += name[i];
            shown += name[++i];
        } else if (IsEscape(unit)) {
            shown += QStringLiteral("\\x") + QString::number(unit - kEscapeBase, 16).toUpper();
        } else {
            shown += name[i];
        }
    }
    return shown;
}

bool HoldsNonUtf8Bytes(const QString& name) {
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char16_t unit = name[i].unicode();
        if (QChar::isHighSurrogate(unit) && i + 1 < name.size() && QChar::isLowSurrogate(name[i + 1].unicode()))
            ++i;
        else if (IsEscape(unit))
            return true;
    }
    return false;
}

QString UnreachableNameReason(const QString& path) {
    if (!path.contains(QChar::ReplacementCharacter) || KindOfFile(path) != FileKind::Missing)
        return {};
    return QStringLiteral("The file name is not valid UTF-8, and the name given here has lost its bytes.");
}

}  // namespace platform
