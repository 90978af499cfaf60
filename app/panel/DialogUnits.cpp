#include "app/panel/DialogUnits.h"

#include <QFontMetrics>

#include <algorithm>

namespace {

// Rounded a × b / c, as the layout of dialog templates computes it.
int MulDivRounded(int a, int b, int c) {
    const long long product = static_cast<long long>(a) * b;
    const long long half = c / 2;
    return static_cast<int>(product >= 0 ? (product + half) / c : (product - half) / c);
}

}  // namespace

DialogUnits::DialogUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    // The average width of the 52 letters, rounded to the nearest pixel.
    const int letters =
        metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    baseX_ = std::max(1, (letters / 26 + 1) / 2);
    baseY_ = std::max(1, metrics.height());
}

int DialogUnits::ToPixelsX(int units) const { return MulDivRounded(units, baseX_, 4); }

int DialogUnits::ToPixelsY(int units) const { return MulDivRounded(units, baseY_, 8); }

QRect DialogUnits::ToPixels(const QRect& units) const {
    const int left = ToPixelsX(units.x());
    const int top = ToPixelsY(units.y());
    const int right = ToPixelsX(units.x() + units.width());
    const int bottom = ToPixelsY(units.y() + units.height());
    return QRect(left, top, right - left, bottom - top);
}
