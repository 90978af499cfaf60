#include "app/frame/PictureView.h"

#include <QKeyEvent>
#include <QPainter>

namespace {
// The commands of the View menu's Next and Previous.
constexpr int kNextImage = 32858;
constexpr int kPreviousImage = 32859;
}  // namespace

CPictureView::CPictureView(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setAutoFillBackground(false);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CPictureView::SetPicture(std::shared_ptr<const imaging::Bitmap> picture) {
    picture_ = std::move(picture);
    scaled_ = QImage();
    update();
}

QRect CPictureView::FitRect(const QSize& picture, const QSize& pane) {
    if (picture.isEmpty() || pane.isEmpty())
        return {};
    QSize fitted = picture;
    if (picture.width() > pane.width() || picture.height() > pane.height())
        fitted = picture.scaled(pane, Qt::KeepAspectRatio);
    fitted = fitted.expandedTo(QSize(1, 1));
    return QRect(QPoint((pane.width() - fitted.width()) / 2, (pane.height() - fitted.height()) / 2), fitted);
}

void CPictureView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    if (!picture_)
        return;
    const QRect target = FitRect(picture_->Image().size(), size());
    if (target.isEmpty())
        return;
    if (scaled_.size() != target.size())
        scaled_ = picture_->Image().scaled(target.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    painter.drawImage(target.topLeft(), scaled_);
    if (!firstPainted_) {
        firstPainted_ = true;
        if (m_firstPicturePainted)
            m_firstPicturePainted();
    }
}

void CPictureView::keyPressEvent(QKeyEvent* event) {
    if (event->modifiers() == Qt::NoModifier && m_runCommand &&
        (event->key() == Qt::Key_Left || event->key() == Qt::Key_Right)) {
        m_runCommand(event->key() == Qt::Key_Right ? kNextImage : kPreviousImage);
        return;
    }
    QWidget::keyPressEvent(event);
}
