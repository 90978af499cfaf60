#include "browser/builder/ThumbUpdate.h"

#include "platform/commands/PostedCommand.h"

ThumbUpdatePoster::ThumbUpdatePoster(std::shared_ptr<platform::CommandPort> port, std::int64_t wParam)
    : m_port(std::move(port)), m_wParam(wParam) {}

void ThumbUpdatePoster::OnThumbUpdate(const QString&, int flag) {
    // A file the builder gave up on keeps its generic icon: nothing to redraw.
    if (flag == kThumbFailed || m_pending.exchange(true))
        return;
    if (m_port && m_port->Post(WM_THUMBS_UPDATED, m_wParam, 0))
        m_posts.fetch_add(1);
    else
        m_pending.store(false);
}
