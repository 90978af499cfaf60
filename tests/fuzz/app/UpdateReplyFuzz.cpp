// The update check's parsers over any bytes: the HTTP response, the first
// reply's query page and the second reply's tags. A query page that passes is
// a plain host and path; a body that passes keeps within the cap.
#include "app/update/HttpResponse.h"
#include "app/update/UpdateProtocol.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

void Check(bool condition) {
    if (!condition)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    constexpr qsizetype kCap = 4096;
    for (bool closed : {false, true}) {
        update::HttpResponse response;
        if (update::ParseHttpResponse(bytes, closed, kCap, response) == update::ParseState::Complete) {
            Check(response.body.size() <= kCap && response.status >= 0 && response.status <= 999);
        }
    }

    if (const auto page = update::ParseQueryPage(bytes)) {
        Check(!page->host.isEmpty() && page->path.startsWith(u'/'));
        for (QChar c : page->host + page->path)
            Check(c.unicode() > 32 && c.unicode() < 127 && c != u'?' && c != u'#');
    }

    update::UpdateReply reply;
    const QString text = update::DecodeReply(bytes);
    Check(update::ParseUpdateReply(text, reply) == !text.isEmpty());
    Check(reply.m_strMessage250.size() <= text.size() && reply.m_strUpdateUrl.size() <= text.size());
    return 0;
}
