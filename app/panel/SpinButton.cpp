#include "app/panel/SpinButton.h"

#include <QEvent>
#include <QToolButton>

SpinButton::SpinButton(QWidget* parent) : QWidget(parent), up_(new QToolButton(this)), down_(new QToolButton(this)) {
    for (QToolButton* arrow : {up_, down_}) {
        arrow->setFocusPolicy(Qt::NoFocus);
        arrow->setAutoRaise(false);
    }
    up_->setArrowType(Qt::UpArrow);
    down_->setArrowType(Qt::DownArrow);
    connect(up_, &QToolButton::pressed, this, [this] { Press(1); });
    connect(down_, &QToolButton::pressed, this, [this] { Press(0); });
    connect(up_, &QToolButton::released, this, &SpinButton::Release);
    connect(down_, &QToolButton::released, this, &SpinButton::Release);
    connect(&repeat_, &QTimer::timeout, this, &SpinButton::Repeat);
}

void SpinButton::resizeEvent(QResizeEvent* /*event*/) {
    const int half = height() / 2;
    up_->setGeometry(0, 0, width(), half);
    down_->setGeometry(0, half, width(), height() - half);
}

void SpinButton::changeEvent(QEvent* event) {
    // A control disabled while an arrow is held gets no release.
    if (event->type() == QEvent::EnabledChange && !isEnabled() && IsHeld())
        Release();
    QWidget::changeEvent(event);
}

void SpinButton::Press(int position) {
    heldPosition_ = position;
    Q_EMIT Scrolled(position);
    repeat_.start(kRepeatDelayMs);
}

void SpinButton::Repeat() {
    if (!IsHeld()) {
        repeat_.stop();
        return;
    }
    repeat_.setInterval(kRepeatIntervalMs);
    Q_EMIT Scrolled(heldPosition_);
}

void SpinButton::Release() {
    if (!IsHeld())
        return;
    repeat_.stop();
    heldPosition_ = -1;
    Q_EMIT EndScroll();
}
