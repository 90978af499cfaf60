#pragma once
// Dialog units: the layout unit of dialog templates, a quarter of the dialog
// font's average character width across and an eighth of its height down.
// Converting through the font keeps a form's proportions whatever the
// desktop's font and its size.

#include <QFont>
#include <QPoint>
#include <QRect>
#include <QSize>

namespace widgets {

class DialogUnits {
public:
    explicit DialogUnits(const QFont& font);

    // The base units in pixels: the average width of the 52 Latin letters,
    // rounded, and the font's height.
    int BaseWidth() const { return baseWidth_; }
    int BaseHeight() const { return baseHeight_; }

    int X(int units) const;
    int Y(int units) const;
    QPoint ToPixels(QPoint units) const { return {X(units.x()), Y(units.y())}; }
    QSize ToPixels(QSize units) const { return {X(units.width()), Y(units.height())}; }
    QRect ToPixels(const QRect& units) const { return {ToPixels(units.topLeft()), ToPixels(units.size())}; }

private:
    int baseWidth_;
    int baseHeight_;
};

}  // namespace widgets
