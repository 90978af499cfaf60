#pragma once
// The update server's protocol, without the network: the first reply (the
// address of the query page), the query of the second request, and the second
// reply's tags. Replies are untrusted: every function here takes any bytes.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <optional>

namespace update {

// The path of the first request.
inline constexpr char kFirstRequestPath[] = "/checkupdate/updateurl.html";

// Replies longer than this end the check: nothing of them is used.
inline constexpr qsizetype kMaxReplyBytes = 64 * 1024;

// What the second reply says.
struct UpdateReply {
    int m_nStatus = 0;  // 0 nothing, 1 an update, 2 a critical update
    QString m_strMessage40;
    QString m_strMessage80;
    QString m_strMessage250;
    QString m_strUpdateUrl;
    QString m_strMoreInfoUrl;
    int m_nNextCheckInDays = 0;

    bool operator==(const UpdateReply&) const = default;
};

// The text between the end of the first opening tag "<tag ...>" and the next
// "</tag>"; empty when the tag does not open, its opening is not closed by
// '>', or no closing tag follows.
QString GetTag(QStringView text, QStringView tag);

// The C runtime's atoi: leading blanks, a sign, digits; 0 when the text does
// not begin with a number. Clamped to the range of int.
int ParseCInt(QStringView text);

// Fills every field from the reply's tags (absent ones give 0 and empty
// texts). False for an empty text.
bool ParseUpdateReply(QStringView text, UpdateReply& reply);

// The second reply's bytes as text: UTF-8, invalid sequences replaced.
QString DecodeReply(QByteArrayView bytes);

// The query page named by the first reply: an absolute address whose first
// seven characters are skipped; the host runs to the first '/' from the
// eighth character on, the path from there to the end (trailing blanks and
// line ends dropped). Nothing when the host is not a plain host name (letters,
// digits, '-' and '.') or the path holds anything but the characters of a
// plain path (no blanks, control characters, '?', '#' or non-ASCII).
struct QueryPage {
    QString host;
    QString path;
};
std::optional<QueryPage> ParseQueryPage(QByteArrayView body);

// The product name as the query carries it: each UTF-16 unit's low byte, as
// itself when it is 33 to 122 and not one of the reserved characters, else as
// "%XX".
QByteArray PercentEncodeProductName(QStringView name);

// "?productname=..&version=..&user=%20&sn=..&subversion=..&reserved=%20".
// The product name is encoded here; the other values go out as given.
QByteArray BuildQuery(QStringView productName, const QByteArray& version, const QByteArray& sn,
                      const QByteArray& subversion);

// This program's query values: its file version "3,0,0,0" and its
// translation "40904B0".
QByteArray ProgramVersionValue();
QByteArray ProgramSubversionValue();

}  // namespace update
