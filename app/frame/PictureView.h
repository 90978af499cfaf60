#pragma once
// The frame's picture pane until the preview view takes its place: the open
// picture scaled to fit the pane, keeping its proportions, centred on white.
// Left and Right run Previous and Next.

#include "platform/imaging/Bitmap.h"

#include <QImage>
#include <QWidget>

#include <functional>
#include <memory>

class CPictureView : public QWidget {
public:
    explicit CPictureView(QWidget* parent = nullptr);

    // The picture to show; null shows none.
    void SetPicture(std::shared_ptr<const imaging::Bitmap> picture);
    bool HasPicture() const { return picture_ != nullptr; }

    // Called once with each key command (the command id).
    std::function<void(int id)> m_runCommand;
    // Called after the first paint that showed a picture.
    std::function<void()> m_firstPicturePainted;

    // Where the picture lands in a pane of `pane` size: scaled to fit (never
    // enlarged) and centred.
    static QRect FitRect(const QSize& picture, const QSize& pane);

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    std::shared_ptr<const imaging::Bitmap> picture_;
    // The picture scaled for the last pane size.
    QImage scaled_;
    bool firstPainted_ = false;
};
