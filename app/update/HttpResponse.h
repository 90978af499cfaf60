#pragma once
// An HTTP/1.x response as the update check receives it, parsed from the raw
// bytes of the connection: status line, headers, and a body framed by
// Content-Length, by chunks, or by the end of the connection. The bytes are
// untrusted: every length is checked against the bytes there and the caps.

#include <QByteArray>
#include <QByteArrayView>

namespace update {

// Headers longer than this make a response malformed.
inline constexpr qsizetype kMaxHeaderBytes = 16 * 1024;

struct HttpResponse {
    int status = 0;
    QByteArray body;
};

enum class ParseState { Incomplete, Complete, Malformed };

// `closed`: the connection has ended, so nothing more comes. A body over
// `maxBody` is malformed.
ParseState ParseHttpResponse(QByteArrayView bytes, bool closed, qsizetype maxBody, HttpResponse& response);

}  // namespace update
