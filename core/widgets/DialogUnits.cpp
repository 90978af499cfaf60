#include "core/widgets/DialogUnits.h"

#include <algorithm>

#include <QFontMetrics>

namespace widgets {

namespace {

// a × b ÷ c rounded half away from zero, as template coordinates are scaled.
int ScaleRounded(int a, int b, int c) {
    const long long p = static_cast<long long>(a) * b;
    return static_cast<int>(p >= 0 ? (p + c / 2) / c : (p - c / 2) / c);
}

}  // namespace

DialogUnits::DialogUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    const int letters =
        metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    baseWidth_ = std::max(1, (letters / 26 + 1) / 2);
    baseHeight_ = std::max(1, metrics.height());
}

int DialogUnits::X(int units) const { return ScaleRounded(units, baseWidth_, 4); }

int DialogUnits::Y(int units) const { return ScaleRounded(units, baseHeight_, 8); }

}  // namespace widgets
