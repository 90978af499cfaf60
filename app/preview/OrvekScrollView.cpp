#include "app/preview/OrvekScrollView.h"

#include <algorithm>
#include <cmath>

#include <QEvent>
#include <QScopedValueRollback>
#include <QScrollBar>

namespace {

int ToDevice(int logical, double ratio) { return static_cast<int>(std::lround(logical * ratio)); }

}  // namespace

COrvekScrollView::COrvekScrollView(QWidget* parent) : QAbstractScrollArea(parent) {
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    for (QScrollBar* bar : {horizontalScrollBar(), verticalScrollBar()}) {
        bar->installEventFilter(this);
        const Qt::Orientation orientation = bar->orientation();
        connect(bar, &QScrollBar::actionTriggered, this,
                [this, orientation](int action) { OnBarAction(orientation, action); });
    }
}

double COrvekScrollView::DevicePixelRatio() const { return viewport()->devicePixelRatioF(); }

void COrvekScrollView::SetScrollSizes(QSize total, QSize page, QSize line) {
    m_sizeOldTotal = m_sizeTotal;
    m_sizeTotal = total.expandedTo({0, 0});
    // A page is a tenth of the total and a line a tenth of a page, at least
    // one pixel each.
    m_sizePage =
        page.isEmpty() ? QSize(std::max(1, m_sizeTotal.width() / 10), std::max(1, m_sizeTotal.height() / 10)) : page;
    m_sizeLine =
        line.isEmpty() ? QSize(std::max(1, m_sizePage.width() / 10), std::max(1, m_sizePage.height() / 10)) : line;
    UpdateBars();
}

QPoint COrvekScrollView::GetScrollLimit() const {
    return {m_bHorzBar ? std::max(0, m_sizeTotal.width() - m_sizeClient.width()) : 0,
            m_bVertBar ? std::max(0, m_sizeTotal.height() - m_sizeClient.height()) : 0};
}

QSize COrvekScrollView::ClientSize() const { return m_sizeClient; }

COrvekScrollView::Bars COrvekScrollView::NeededBars() const {
    // The whole area the client and the bars share, and each bar's
    // thickness.
    const double ratio = DevicePixelRatio();
    const QSize area = contentsRect().size().expandedTo({0, 0});
    const int horzExtent = horizontalScrollBar()->sizeHint().height();
    const int vertExtent = verticalScrollBar()->sizeHint().width();
    const int width = ToDevice(area.width(), ratio), height = ToDevice(area.height(), ratio);
    const int horzBar = ToDevice(horzExtent, ratio), vertBar = ToDevice(vertExtent, ratio);
    const int tw = m_sizeTotal.width(), th = m_sizeTotal.height();

    Bars bars;
    bars.horizontal = width < tw || (width < tw + vertBar && height < th);
    bars.vertical = height < th || (height < th + horzBar && width < tw);
    bars.client = QSize(ToDevice(std::max(0, area.width() - (bars.vertical ? vertExtent : 0)), ratio),
                        ToDevice(std::max(0, area.height() - (bars.horizontal ? horzExtent : 0)), ratio));
    return bars;
}

void COrvekScrollView::UpdateBars() {
    if (m_bInsideUpdate)
        return;
    bool moved;
    {
        const QScopedValueRollback<bool> inside(m_bInsideUpdate, true);
        const Bars bars = NeededBars();
        auto position = [this](int total, int client, int oldTotal, int current, int& range) {
            range = total - client;
            if (range <= 0) {
                const int centred = m_bCenter ? range / 2 : 0;
                range = 0;
                return centred;
            }
            // Content that was centred counts from where it was centred in
            // this client: so content that grows out of the client stays
            // centred, and a new picture opens on its middle.
            if (current < 0)
                current = (oldTotal - client) / 2;
            int next = std::min(range, current);
            if (m_bCenter)
                next += (total - oldTotal) / 2;
            return std::clamp(next, 0, range);
        };
        int rangeX = 0, rangeY = 0;
        const QPoint next(
            position(m_sizeTotal.width(), bars.client.width(), m_sizeOldTotal.width(), m_ptScroll.x(), rangeX),
            position(m_sizeTotal.height(), bars.client.height(), m_sizeOldTotal.height(), m_ptScroll.y(), rangeY));
        m_sizeOldTotal = m_sizeTotal;
        m_sizeClient = bars.client;
        m_bHorzBar = bars.horizontal;
        m_bVertBar = bars.vertical;
        moved = next != m_ptScroll;
        m_ptScroll = next;
        ShowBar(Qt::Horizontal, bars.horizontal, rangeX, bars.client.width(), m_sizeLine.width(), next.x());
        ShowBar(Qt::Vertical, bars.vertical, rangeY, bars.client.height(), m_sizeLine.height(), next.y());
    }
    viewport()->update();
    if (moved)
        OnScrolled();
}

void COrvekScrollView::ShowBar(Qt::Orientation orientation, bool shown, int range, int page, int line, int position) {
    QScrollBar* bar = orientation == Qt::Horizontal ? horizontalScrollBar() : verticalScrollBar();
    // Only a change of policy lays the children out again (this may run
    // inside a paint of the viewport, when a view update answers a request).
    const Qt::ScrollBarPolicy policy = shown ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff;
    if (orientation == Qt::Horizontal && horizontalScrollBarPolicy() != policy)
        setHorizontalScrollBarPolicy(policy);
    else if (orientation == Qt::Vertical && verticalScrollBarPolicy() != policy)
        setVerticalScrollBarPolicy(policy);
    // The page step sets the thumb's share of the bar: the client's share of
    // the content. Clicks beside the thumb move by the view's own page size
    // (OnBarAction).
    bar->setRange(0, shown ? range : 0);
    bar->setPageStep(std::max(1, page));
    bar->setSingleStep(std::max(1, line));
    bar->setValue(shown ? std::max(0, position) : 0);
}

void COrvekScrollView::SetBarPositions() {
    const QScopedValueRollback<bool> inside(m_bInsideUpdate, true);
    if (m_bHorzBar)
        horizontalScrollBar()->setValue(std::max(0, m_ptScroll.x()));
    if (m_bVertBar)
        verticalScrollBar()->setValue(std::max(0, m_ptScroll.y()));
}

void COrvekScrollView::OnBarAction(Qt::Orientation orientation, int action) {
    if (action != QAbstractSlider::SliderPageStepAdd && action != QAbstractSlider::SliderPageStepSub)
        return;
    QScrollBar* bar = orientation == Qt::Horizontal ? horizontalScrollBar() : verticalScrollBar();
    const int page = orientation == Qt::Horizontal ? m_sizePage.width() : m_sizePage.height();
    const int step = action == QAbstractSlider::SliderPageStepAdd ? page : -page;
    bar->setSliderPosition(std::clamp(bar->value() + step, bar->minimum(), bar->maximum()));
}

bool COrvekScrollView::OnScrollBy(QSize delta, bool doScroll) {
    const QPoint limit = GetScrollLimit();
    auto move = [](bool bar, int current, int by, int max) { return bar ? std::clamp(current + by, 0, max) : current; };
    const QPoint next(move(m_bHorzBar, m_ptScroll.x(), delta.width(), limit.x()),
                      move(m_bVertBar, m_ptScroll.y(), delta.height(), limit.y()));
    if (next == m_ptScroll)
        return false;
    if (!doScroll)
        return true;
    m_ptScroll = next;
    SetBarPositions();
    viewport()->update();
    OnScrolled();
    return true;
}

void COrvekScrollView::ScrollToPosition(QPoint position) {
    OnScrollBy(QSize(position.x() - m_ptScroll.x(), position.y() - m_ptScroll.y()));
}

void COrvekScrollView::scrollContentsBy(int, int) {
    if (m_bInsideUpdate)
        return;
    // A bar moved by the user (drag, arrows, trough, wheel): its value is the
    // new position along its axis.
    const QPoint next(m_bHorzBar ? horizontalScrollBar()->value() : m_ptScroll.x(),
                      m_bVertBar ? verticalScrollBar()->value() : m_ptScroll.y());
    if (next == m_ptScroll)
        return;
    m_ptScroll = next;
    viewport()->update();
    OnScrolled();
}

bool COrvekScrollView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == horizontalScrollBar() || watched == verticalScrollBar()) {
        if (event->type() == QEvent::MouseButtonPress)
            OnScrollBarPressed();
        else if (event->type() == QEvent::MouseButtonRelease)
            OnScrollBarReleased();
    }
    return QAbstractScrollArea::eventFilter(watched, event);
}

void COrvekScrollView::OnSize() { UpdateBars(); }

void COrvekScrollView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    OnSize();
}

void COrvekScrollView::showEvent(QShowEvent* event) {
    QAbstractScrollArea::showEvent(event);
    // The device pixel ratio is the screen's from now on.
    UpdateBars();
}
