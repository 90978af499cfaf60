#pragma once
// An up-down control beside an edit: two arrows that report a step up or
// down when pressed and again, after a short delay, at a steady rate while
// they are held; letting go ends the scrolling.

#include <QTimer>
#include <QWidget>

class QToolButton;

class SpinButton : public QWidget {
    Q_OBJECT
public:
    explicit SpinButton(QWidget* parent = nullptr);

    QToolButton* UpButton() const { return up_; }
    QToolButton* DownButton() const { return down_; }
    // True while an arrow is held down.
    bool IsHeld() const { return heldPosition_ >= 0; }

    static constexpr int kRepeatDelayMs = 300;
    static constexpr int kRepeatIntervalMs = 60;

Q_SIGNALS:
    // One step: position 1 for the up arrow, 0 for the down arrow.
    void Scrolled(int position);
    // The held arrow was let go.
    void EndScroll();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void Press(int position);
    void Release();
    void Repeat();

    QToolButton* up_;
    QToolButton* down_;
    QTimer repeat_;
    int heldPosition_ = -1;
};
