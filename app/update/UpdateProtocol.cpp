#include "app/update/UpdateProtocol.h"

#include "core/version/VersionInfo.h"

#include <QStringDecoder>

#include <climits>
#include <cstdint>
#include <string_view>

namespace update {

namespace {

// The characters encoded in a query value besides those below 33 and above
// 122.
constexpr std::string_view kReservedCharacters = "\"<>%\\^[]`+$,@:;/!#?=&";

bool IsHostCharacter(QChar c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'-' || c == u'.';
}

bool IsPlainHost(QStringView host) {
    if (host.isEmpty() || host.size() > 253 || host.startsWith(u'.') || host.endsWith(u'.') || host.contains(u".."))
        return false;
    for (QChar c : host) {
        if (!IsHostCharacter(c))
            return false;
    }
    return true;
}

bool IsHexDigit(QChar c) { return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F'); }

// A path of RFC 3986 path characters: unreserved, sub-delimiters, ':', '@',
// '/' and whole percent escapes.
bool IsPlainPath(QStringView path) {
    constexpr std::u16string_view kAllowed = u"-._~!$&'()*+,;=:@/";
    if (!path.startsWith(u'/') || path.size() > 2048)
        return false;
    for (qsizetype i = 0; i < path.size(); ++i) {
        const QChar c = path[i];
        if (c == u'%') {
            if (i + 2 >= path.size() || !IsHexDigit(path[i + 1]) || !IsHexDigit(path[i + 2]))
                return false;
            i += 2;
            continue;
        }
        const bool alnum = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9');
        if (!alnum && kAllowed.find(c.unicode()) == std::u16string_view::npos)
            return false;
    }
    return true;
}

}  // namespace

QString GetTag(QStringView text, QStringView tag) {
    const QString open = u'<' + tag.toString();
    const qsizetype start = text.indexOf(open);
    if (start < 0)
        return {};
    const qsizetype gt = text.indexOf(u'>', start + open.size());
    if (gt < 0)
        return {};
    const QString close = QStringLiteral("</") + tag.toString() + u'>';
    const qsizetype end = text.indexOf(close, gt + 1);
    if (end < 0)
        return {};
    return text.mid(gt + 1, end - gt - 1).toString();
}

int ParseCInt(QStringView text) {
    qsizetype i = 0;
    while (i < text.size() && (text[i] == u' ' || (text[i] >= u'\t' && text[i] <= u'\r')))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-'))
        negative = text[i++] == u'-';
    std::int64_t value = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        value = value * 10 + (text[i].unicode() - u'0');
        if (value > static_cast<std::int64_t>(INT_MAX) + 1)
            break;
    }
    if (negative)
        value = -value;
    if (value > INT_MAX)
        return INT_MAX;
    if (value < INT_MIN)
        return INT_MIN;
    return static_cast<int>(value);
}

bool ParseUpdateReply(QStringView text, UpdateReply& reply) {
    if (text.isEmpty())
        return false;
    reply.m_nStatus = ParseCInt(GetTag(text, u"status"));
    reply.m_strMessage40 = GetTag(text, u"message40");
    reply.m_strMessage80 = GetTag(text, u"message80");
    reply.m_strMessage250 = GetTag(text, u"message250");
    reply.m_strUpdateUrl = GetTag(text, u"updateurl");
    reply.m_strMoreInfoUrl = GetTag(text, u"moreinfourl");
    reply.m_nNextCheckInDays = ParseCInt(GetTag(text, u"nextcheckindays"));
    return true;
}

QString DecodeReply(QByteArrayView bytes) {
    QStringDecoder decoder(QStringDecoder::Utf8);
    return decoder.decode(bytes);
}

std::optional<QueryPage> ParseQueryPage(QByteArrayView body) {
    // Line ends and blanks a server leaves after the address are no part of it.
    while (!body.isEmpty() && (body.back() == ' ' || body.back() == '\r' || body.back() == '\n' || body.back() == '\t'))
        body.chop(1);
    if (body.size() < 8)
        return std::nullopt;
    const QString text = QString::fromLatin1(body);
    const qsizetype slash = text.indexOf(u'/', 7);
    if (slash < 0)
        return std::nullopt;
    QueryPage page{text.mid(7, slash - 7), text.mid(slash)};
    if (!IsPlainHost(page.host) || !IsPlainPath(page.path))
        return std::nullopt;
    return page;
}

QByteArray PercentEncodeProductName(QStringView name) {
    QByteArray out;
    for (QChar c : name) {
        const auto byte = static_cast<unsigned char>(c.unicode() & 0xFF);
        if (byte < 33 || byte > 122 || kReservedCharacters.find(static_cast<char>(byte)) != std::string_view::npos)
            out += '%' + QByteArray::number(byte, 16).toUpper().rightJustified(2, '0');
        else
            out += static_cast<char>(byte);
    }
    return out;
}

QByteArray BuildQuery(QStringView productName, const QByteArray& version, const QByteArray& sn,
                      const QByteArray& subversion) {
    return "?productname=" + PercentEncodeProductName(productName) + "&version=" + version + "&user=%20&sn=" + sn +
           "&subversion=" + subversion + "&reserved=%20";
}

QByteArray ProgramVersionValue() {
    return QByteArray::number(vespera::kVersionMajor) + ',' + QByteArray::number(vespera::kVersionMinor) + ',' +
           QByteArray::number(vespera::kVersionPatch) + ',' + QByteArray::number(vespera::kVersionTweak);
}

QByteArray ProgramSubversionValue() {
    return vespera::kTranslation == 0 ? QByteArray() : QByteArray::number(vespera::kTranslation, 16).toUpper();
}

}  // namespace update
