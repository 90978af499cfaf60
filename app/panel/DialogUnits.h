#pragma once
// Dialog units, the measure of the panel's layout: a horizontal unit is a
// quarter of the dialog font's average character width, a vertical unit an
// eighth of its height, so the layout grows with the font.

#include <QFont>
#include <QRect>

class DialogUnits {
public:
    explicit DialogUnits(const QFont& font);

    int BaseX() const { return baseX_; }
    int BaseY() const { return baseY_; }

    int ToPixelsX(int units) const;
    int ToPixelsY(int units) const;
    // A rectangle in dialog units (x, y, width, height) in pixels.
    QRect ToPixels(const QRect& units) const;

private:
    int baseX_;
    int baseY_;
};
