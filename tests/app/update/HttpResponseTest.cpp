#include "app/update/HttpResponse.h"

#include <gtest/gtest.h>

namespace {

using update::HttpResponse;
using update::ParseState;

struct Case {
    const char* what;
    QByteArray bytes;
    bool closed;
    ParseState state;
    int status;
    QByteArray body;
};

TEST(HttpResponse, FramingAndRefusals) {
    const Case cases[] = {
        {"length", "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nhelloEXTRA", false, ParseState::Complete, 200, "hello"},
        {"length short", "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nhel", false, ParseState::Incomplete, 0, ""},
        {"length short, closed", "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nhel", true, ParseState::Malformed, 0, ""},
        {"to the close", "HTTP/1.0 200 OK\r\nServer: x\r\n\r\nbody", true, ParseState::Complete, 200, "body"},
        {"to the close, open", "HTTP/1.0 200 OK\r\n\r\nbody", false, ParseState::Incomplete, 0, ""},
        {"chunked", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n3\r\nabc\r\nA;x=1\r\n0123456789\r\n0\r\n\r\n",
         false, ParseState::Complete, 200, "abc0123456789"},
        {"chunked trailers", "HTTP/1.1 200 OK\r\ntransfer-encoding: Chunked\r\n\r\n1\r\nz\r\n0\r\nX: y\r\n\r\n", false,
         ParseState::Complete, 200, "z"},
        {"chunked short", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nab", false, ParseState::Incomplete,
         0, ""},
        {"chunk size not hex", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\nab\r\n0\r\n\r\n", false,
         ParseState::Malformed, 0, ""},
        {"chunk over the cap", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nFFFFFFF\r\n", false,
         ParseState::Malformed, 0, ""},
        {"chunk without its end", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n1\r\nabc\r\n", false,
         ParseState::Malformed, 0, ""},
        {"length over the cap", "HTTP/1.1 200 OK\r\nContent-Length: 100000000000000000000\r\n\r\n", false,
         ParseState::Malformed, 0, ""},
        {"two lengths", "HTTP/1.1 200 OK\r\nContent-Length: 1\r\nContent-Length: 2\r\n\r\nab", false,
         ParseState::Malformed, 0, ""},
        {"negative length", "HTTP/1.1 200 OK\r\nContent-Length: -1\r\n\r\n", false, ParseState::Malformed, 0, ""},
        {"other coding", "HTTP/1.1 200 OK\r\nTransfer-Encoding: gzip\r\n\r\nxx", true, ParseState::Malformed, 0, ""},
        {"not found", "HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n", false, ParseState::Complete, 404, ""},
        {"no reason", "HTTP/1.1 200\r\nContent-Length: 0\r\n\r\n", false, ParseState::Complete, 200, ""},
        {"not HTTP", "SSH-2.0-OpenSSH\r\n\r\n", true, ParseState::Malformed, 0, ""},
        {"bad status", "HTTP/1.1 2x0 OK\r\n\r\n", true, ParseState::Malformed, 0, ""},
        {"header without colon", "HTTP/1.1 200 OK\r\nbroken\r\n\r\n", true, ParseState::Malformed, 0, ""},
        {"head unfinished", "HTTP/1.1 200 OK\r\nX: y", false, ParseState::Incomplete, 0, ""},
        {"head unfinished, closed", "HTTP/1.1 200 OK\r\nX: y", true, ParseState::Malformed, 0, ""},
        {"head too long", "HTTP/1.1 200 OK\r\nX: " + QByteArray(20000, 'a'), false, ParseState::Malformed, 0, ""},
        {"body over the cap", "HTTP/1.0 200 OK\r\n\r\n" + QByteArray(70000, 'a'), false, ParseState::Malformed, 0, ""},
        {"nothing", "", true, ParseState::Malformed, 0, ""},
    };
    for (const Case& c : cases) {
        HttpResponse response;
        EXPECT_EQ(update::ParseHttpResponse(c.bytes, c.closed, 64 * 1024, response), c.state) << c.what;
        if (c.state == ParseState::Complete) {
            EXPECT_EQ(response.status, c.status) << c.what;
            EXPECT_EQ(response.body, c.body) << c.what;
        }
    }
}

}  // namespace
