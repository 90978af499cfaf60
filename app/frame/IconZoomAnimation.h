#pragma once
// The thumbnails growing or shrinking to a new icon size. The zoom goes
// through a few steps towards the new size, one step per tick of a timer
// (the event loop runs between them, nothing waits), and each step is shown
// at once by whoever started the animation; after the last step the new size
// itself is applied with its final layout.
//
// User-interface thread only.

#include <QObject>
#include <QTimer>

#include <functional>
#include <vector>

class IconZoomAnimation : public QObject {
public:
    // The time between two steps.
    static constexpr int kStepMs = 15;

    // The zooms shown on the way to `zoom` (100 for Large Icons, anything
    // else is Small Icons, 66), for a processor of `cpuMHz` (0 or below when
    // it could not be measured): three steps below 500 MHz, five otherwise.
    static std::vector<int> StepsTo(int zoom, int cpuMHz);

    // `showStep` shows one intermediate zoom.
    explicit IconZoomAnimation(std::function<void(int)> showStep, QObject* parent = nullptr);

    // Shows the first of `steps` now and the others on the next ticks, then
    // calls `finish`, which applies the new size; with no steps it finishes
    // at once. An animation still running is finished first.
    void Start(std::vector<int> steps, std::function<void()> finish);
    bool IsRunning() const { return running_; }
    // The next step now: what each tick of the timer does (tests drive the
    // animation through it instead of waiting for the timer).
    void Advance();
    // Applies the new size at once, skipping the steps left.
    void Finish();

private:
    std::function<void(int)> showStep_;
    std::function<void()> finish_;
    QTimer timer_;
    std::vector<int> steps_;
    std::size_t next_ = 0;
    bool running_ = false;
};
