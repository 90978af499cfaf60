#include "app/frame/IconZoomAnimation.h"

#include "app/frame/IconZoom.h"

#include "imagefiles/CpuSpeed.h"

#include <utility>

std::vector<int> IconZoomAnimation::StepsTo(int zoom, int cpuMHz) {
    const bool slow = IsSlowCpu(cpuMHz);
    if (zoom == kLargeIconsZoom)
        return slow ? std::vector<int>{67, 78, 89} : std::vector<int>{68, 74, 80, 86, 92};
    return slow ? std::vector<int>{100, 89, 78} : std::vector<int>{100, 94, 88, 82, 76};
}

IconZoomAnimation::IconZoomAnimation(std::function<void(int)> showStep, QObject* parent)
    : QObject(parent), showStep_(std::move(showStep)) {
    timer_.setInterval(kStepMs);
    QObject::connect(&timer_, &QTimer::timeout, this, [this] { Advance(); });
}

void IconZoomAnimation::Start(std::vector<int> steps, std::function<void()> finish) {
    Finish();
    steps_ = std::move(steps);
    finish_ = std::move(finish);
    next_ = 0;
    running_ = true;
    Advance();
    if (running_)
        timer_.start();
}

void IconZoomAnimation::Advance() {
    if (!running_)
        return;
    if (next_ >= steps_.size()) {
        Finish();
        return;
    }
    showStep_(steps_[next_++]);
}

void IconZoomAnimation::Finish() {
    if (!running_)
        return;
    timer_.stop();
    running_ = false;
    steps_.clear();
    next_ = 0;
    // The callback may start the next animation: it runs from a copy.
    const std::function<void()> finish = std::exchange(finish_, nullptr);
    if (finish)
        finish();
}
