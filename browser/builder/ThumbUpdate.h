#pragma once
// The builder's listener interface and the message its listeners post.
//
// IThumbUpdate::OnThumbUpdate is called on a builder thread whenever a
// thumbnail is ready (after its fast pass and again after its better pass).
// A listener only posts: it never touches a widget, and it never adds or
// removes listeners from inside the call (listeners are called under the
// builder's listener lock). It may take g_csThumbCache; so nobody adds or
// removes a listener while holding g_csThumbCache.
//
// A thumbnail view registers for WM_THUMBS_UPDATED like this:
//   - it makes a platform::CommandPort for itself on the UI thread;
//   - its browser makes a ThumbUpdatePoster(port, browserTag) and hands it
//     to AddThumbnailListener;
//   - on WM_THUMBS_UPDATED with lParam 0 the view calls Delivered() and then
//     repaints its client area;
//   - before it goes, RemoveThumbnailListener(&poster) (after which the
//     poster is never called again), then port->Close().

#include <QString>

#include <atomic>
#include <cstdint>
#include <memory>

namespace platform {
class CommandPort;
}

// WM_USER + 55: a thumbnail is ready. wParam: the browser's tag, lParam: 0.
inline constexpr int WM_THUMBS_UPDATED = 0x0400 + 55;

inline constexpr int kThumbFailed = 1;

class IThumbUpdate {
public:
    virtual ~IThumbUpdate() = default;
    // Any builder thread; flag is 0 when the path's thumbnail is in the cache,
    // kThumbFailed when the builder gave up on the file (it cannot be read or
    // decoded, or is gone), so that a listener waiting for every file of a
    // folder ends.
    virtual void OnThumbUpdate(const QString& path, int flag) = 0;
};

// A listener that posts WM_THUMBS_UPDATED {wParam, 0} to a receiver for each
// new thumbnail (not for a failed file). While
// one post is waiting to be delivered, further updates post nothing more: a
// folder of a thousand thumbnails costs the view a repaint per delivery, not
// a thousand.
class ThumbUpdatePoster final : public IThumbUpdate {
public:
    ThumbUpdatePoster(std::shared_ptr<platform::CommandPort> port, std::int64_t wParam);
    void OnThumbUpdate(const QString& path, int flag) override;
    // Called by the receiver when it handles the message, before it repaints,
    // so that the next update posts again.
    void Delivered() { m_pending.store(false); }
    int Posts() const { return m_posts.load(); }

private:
    std::shared_ptr<platform::CommandPort> m_port;
    std::int64_t m_wParam;
    std::atomic<bool> m_pending{false};
    std::atomic<int> m_posts{0};
};
