#include "app/update/HttpResponse.h"

#include <optional>

namespace update {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::optional<int> HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return std::nullopt;
}

QByteArrayView Trimmed(QByteArrayView text) {
    while (!text.isEmpty() && (text.front() == ' ' || text.front() == '\t'))
        text = text.sliced(1);
    while (!text.isEmpty() && (text.back() == ' ' || text.back() == '\t'))
        text.chop(1);
    return text;
}

// A decimal length of at most `limit`; nothing when it is not one.
std::optional<qsizetype> DecimalLength(QByteArrayView text, qsizetype limit) {
    if (text.isEmpty())
        return std::nullopt;
    qsizetype value = 0;
    for (char c : text) {
        if (!IsDigit(c))
            return std::nullopt;
        value = value * 10 + (c - '0');
        if (value > limit)
            return std::nullopt;
    }
    return value;
}

struct Framing {
    qsizetype contentLength = -1;  // -1: no Content-Length header
    bool chunked = false;
};

// Reads the status line and the headers; false when they are malformed.
bool ParseHead(QByteArrayView head, qsizetype maxBody, int& status, Framing& framing) {
    qsizetype lineEnd = head.indexOf("\r\n");
    const QByteArrayView statusLine = lineEnd < 0 ? head : head.first(lineEnd);
    // "HTTP/1.x NNN reason"
    if (statusLine.size() < 12 || !statusLine.startsWith("HTTP/1.") || !IsDigit(statusLine[7]) ||
        statusLine[8] != ' ' || !IsDigit(statusLine[9]) || !IsDigit(statusLine[10]) || !IsDigit(statusLine[11]) ||
        (statusLine.size() > 12 && statusLine[12] != ' '))
        return false;
    status = (statusLine[9] - '0') * 100 + (statusLine[10] - '0') * 10 + (statusLine[11] - '0');

    qsizetype at = lineEnd < 0 ? head.size() : lineEnd + 2;
    while (at < head.size()) {
        lineEnd = head.indexOf("\r\n", at);
        const QByteArrayView line = head.sliced(at, (lineEnd < 0 ? head.size() : lineEnd) - at);
        at = lineEnd < 0 ? head.size() : lineEnd + 2;
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0)
            return false;
        const QByteArray name = line.first(colon).toByteArray().toLower();
        const QByteArrayView value = Trimmed(line.sliced(colon + 1));
        if (name == "content-length") {
            const std::optional<qsizetype> length = DecimalLength(value, maxBody);
            if (!length || (framing.contentLength >= 0 && framing.contentLength != *length))
                return false;
            framing.contentLength = *length;
        } else if (name == "transfer-encoding") {
            framing.chunked = value.toByteArray().toLower().endsWith("chunked");
            if (!framing.chunked)
                return false;  // no other coding is understood
        }
    }
    if (framing.chunked)
        framing.contentLength = -1;  // chunks frame the body, whatever the length says
    return true;
}

ParseState ParseChunked(QByteArrayView data, bool closed, qsizetype maxBody, QByteArray& body) {
    const ParseState short_ = closed ? ParseState::Malformed : ParseState::Incomplete;
    qsizetype at = 0;
    for (;;) {
        const qsizetype lineEnd = data.indexOf("\r\n", at);
        if (lineEnd < 0)
            return data.size() - at > 1024 ? ParseState::Malformed : short_;
        QByteArrayView sizeText = data.sliced(at, lineEnd - at);
        if (const qsizetype semicolon = sizeText.indexOf(';'); semicolon >= 0)
            sizeText = sizeText.first(semicolon);
        sizeText = Trimmed(sizeText);
        if (sizeText.isEmpty() || sizeText.size() > 8)
            return ParseState::Malformed;
        qsizetype size = 0;
        for (char c : sizeText) {
            const std::optional<int> digit = HexDigit(c);
            if (!digit)
                return ParseState::Malformed;
            size = size * 16 + *digit;
        }
        at = lineEnd + 2;
        if (size == 0) {
            // The last chunk, then trailers up to an empty line.
            if (data.sliced(at).startsWith("\r\n"))
                return ParseState::Complete;
            return data.indexOf("\r\n\r\n", at) >= 0 ? ParseState::Complete : short_;
        }
        if (size > maxBody - body.size())
            return ParseState::Malformed;
        if (data.size() - at < size + 2)
            return short_;
        body += data.sliced(at, size);
        at += size;
        if (data.sliced(at, 2) != "\r\n")
            return ParseState::Malformed;
        at += 2;
    }
}

}  // namespace

ParseState ParseHttpResponse(QByteArrayView bytes, bool closed, qsizetype maxBody, HttpResponse& response) {
    const qsizetype headEnd = bytes.indexOf("\r\n\r\n");
    if (headEnd < 0) {
        if (bytes.size() > kMaxHeaderBytes || closed)
            return ParseState::Malformed;
        return ParseState::Incomplete;
    }
    if (headEnd > kMaxHeaderBytes)
        return ParseState::Malformed;
    Framing framing;
    int status = 0;
    if (!ParseHead(bytes.first(headEnd), maxBody, status, framing))
        return ParseState::Malformed;

    const QByteArrayView data = bytes.sliced(headEnd + 4);
    QByteArray body;
    ParseState state;
    if (framing.chunked) {
        state = ParseChunked(data, closed, maxBody, body);
    } else if (framing.contentLength >= 0) {
        if (data.size() >= framing.contentLength) {
            body = data.first(framing.contentLength).toByteArray();
            state = ParseState::Complete;
        } else {
            state = closed ? ParseState::Malformed : ParseState::Incomplete;
        }
    } else if (data.size() > maxBody) {
        state = ParseState::Malformed;
    } else if (closed) {
        body = data.toByteArray();
        state = ParseState::Complete;
    } else {
        state = ParseState::Incomplete;
    }
    if (state == ParseState::Complete) {
        response.status = status;
        response.body = std::move(body);
    }
    return state;
}

}  // namespace update
