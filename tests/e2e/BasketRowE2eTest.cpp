// The basket row of the real program at a first start (no settings yet),
// in the default layout (Large Icons, toolbar shown), opened with three
// pictures: it shows whole cells, thumbnail and caption, and no vertical
// scroll bar, the same row that Small Icons and then Large Icons lay out.

#include "tests/e2e/E2eSession.h"

#include <QImage>

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>

namespace {

constexpr QRgb kRed = qRgb(230, 20, 20);

bool IsNear(QRgb pixel, QRgb colour, int tolerance) {
    return std::abs(qRed(pixel) - qRed(colour)) <= tolerance && std::abs(qGreen(pixel) - qGreen(colour)) <= tolerance &&
           std::abs(qBlue(pixel) - qBlue(colour)) <= tolerance;
}

// The rows of the red thumbnail in the column through its centre.
struct Patch {
    QPoint centre;
    int top = 0, bottom = 0;  // inclusive
};

std::optional<Patch> RedPatch(const QImage& shot) {
    const std::optional<QPoint> centre = CentreNear(shot, kRed, 40);
    if (!centre)
        return std::nullopt;
    Patch patch{*centre, centre->y(), centre->y()};
    while (patch.top > 0 && IsNear(shot.pixel(centre->x(), patch.top - 1), kRed, 40))
        --patch.top;
    while (patch.bottom + 1 < shot.height() && IsNear(shot.pixel(centre->x(), patch.bottom + 1), kRed, 40))
        ++patch.bottom;
    return patch;
}

// Dark pixels of a caption's text in the band below the thumbnail.
int CaptionPixels(const QImage& shot, const Patch& patch) {
    int dark = 0;
    for (int y = patch.bottom + 8; y <= patch.bottom + 26 && y < shot.height(); ++y)
        for (int x = patch.centre.x() - 30; x <= patch.centre.x() + 30; ++x)
            dark += qRed(shot.pixel(x, y)) < 90 && qGreen(shot.pixel(x, y)) < 90 && qBlue(shot.pixel(x, y)) < 90;
    return dark;
}

// Pixels that differ between the two screenshots along the row through the
// thumbnail's centre and down its column to below the caption.
int Differences(const QImage& a, const QImage& b, const Patch& patch) {
    if (a.size() != b.size())
        return a.width() * a.height();
    int differ = 0;
    for (int x = 0; x < a.width(); ++x)
        differ += !IsNear(a.pixel(x, patch.centre.y()), b.pixel(x, patch.centre.y()), 10);
    for (int y = patch.centre.y(); y <= patch.bottom + 30 && y < a.height(); ++y)
        differ += !IsNear(a.pixel(patch.centre.x(), y), b.pixel(patch.centre.x(), y), 10);
    return differ;
}

}  // namespace

TEST(BasketRow, AtAFirstStartItShowsWholeCellsAndNoVerticalBar) {
    E2eSession session;
    QStringList pictures;
    const QRgb colours[] = {qRgb(20, 200, 20), kRed, qRgb(20, 20, 230)};
    for (int i = 0; i < 3; ++i) {
        pictures << session.Home() + QStringLiteral("/%1.png").arg(QChar(u'a' + i));
        ASSERT_TRUE(SaveSolidPicture(pictures.back(), colours[i], {320, 240}));
    }
    ASSERT_TRUE(session.Start(pictures));
    const unsigned long window = session.FindWindow(QStringLiteral("^ORVEK Vespera 3"));
    ASSERT_NE(window, 0u) << session.ErrorOutput().toStdString();

    // The picture's thumbnail is 220 x 165 at the large size, its black
    // border inside: the whole of it and its caption below are on the screen.
    // The thumbnails are built in the background, so the first screenshot is
    // the one that shows all three, to compare with the row laid out later.
    QImage first;
    std::optional<Patch> patch;
    const auto everyThumbnailShown = [&](const QImage& shot) {
        for (const QRgb colour : colours)
            if (!CentreNear(shot, colour, 40))
                return false;
        return true;
    };
    ASSERT_TRUE(E2eSession::WaitFor(
        [&] {
            first = session.Screenshot(window);
            patch = RedPatch(first);
            return patch && CaptionPixels(first, *patch) > 10 && everyThumbnailShown(first);
        },
        20000))
        << (patch ? patch->bottom - patch->top + 1 : 0);
    EXPECT_LE(std::abs(patch->bottom - patch->top + 1 - 163), 1);

    // Small Icons, then Large Icons: the row they fit is the one shown.
    ASSERT_TRUE(session.SendKeysEach(window, {"alt+v", "s", "Return"}));
    ASSERT_TRUE(E2eSession::WaitFor(
        [&] {
            const std::optional<Patch> small = RedPatch(session.Screenshot(window));
            return small && std::abs(small->bottom - small->top + 1 - 107) <= 1;
        },
        10000));
    ASSERT_TRUE(session.SendKeysEach(window, {"alt+v", "l"}));
    QImage fitted;
    ASSERT_TRUE(E2eSession::WaitFor(
        [&] {
            fitted = session.Screenshot(window);
            return Differences(first, fitted, *patch) == 0;
        },
        10000))
        << Differences(first, fitted, *patch) << " pixels differ";

    ASSERT_TRUE(session.CloseWindow(window));
    EXPECT_EQ(session.WaitForExit(), std::optional<int>(0));
}
