// The dialog units of a font, as the forms lay out their controls.
#include "core/widgets/DialogUnits.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFontMetrics>

using widgets::DialogUnits;

namespace {

TEST(DialogUnits, AQuarterOfTheAverageLetterAcrossAndAnEighthOfTheHeightDown) {
    QFont font = QApplication::font();
    const DialogUnits du(font);
    const QFontMetrics metrics(font);
    const int letters = metrics.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    EXPECT_EQ(du.BaseWidth(), (letters / 26 + 1) / 2);
    EXPECT_EQ(du.BaseHeight(), metrics.height());
    EXPECT_EQ(du.X(4), du.BaseWidth());
    EXPECT_EQ(du.Y(8), du.BaseHeight());
    EXPECT_EQ(du.X(308), (308 * du.BaseWidth() + 2) / 4);
    EXPECT_EQ(du.Y(177), (177 * du.BaseHeight() + 4) / 8);
    // A larger font makes a larger form.
    font.setPointSizeF(font.pointSizeF() * 2);
    EXPECT_GT(DialogUnits(font).X(308), du.X(308));
    EXPECT_GT(DialogUnits(font).Y(177), du.Y(177));
}

}  // namespace
