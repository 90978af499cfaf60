// The preview on a screen with a device pixel ratio of 2: one output pixel
// is one device pixel, in the view, its scroll sizes, panning and the
// navigator.

#include <QApplication>

#include "PreviewFixtures.h"
#include "app/preview/NavigatorWnd.h"

using namespace previewtests;

namespace {

class HighDpiTest : public PreviewTest {};

TEST_F(HighDpiTest, OneOutputPixelIsOneDevicePixel) {
    ASSERT_EQ(qApp->devicePixelRatio(), 2.0);
    MakeView(200, 150);
    const QImage source = doctests::Gradient(400, 300);
    Open(source, 400, 300);
    EXPECT_EQ(view->ClientSize(), QSize(400, 300));
    EXPECT_FALSE(view->HasHorizontalBar());
    EXPECT_EQ(view->GetScrollPosition(), QPoint(0, 0));
    const QPixmap pixmap = view->viewport()->grab();
    EXPECT_EQ(pixmap.devicePixelRatio(), 2.0);
    const QImage grab = pixmap.toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(grab.size(), QSize(400, 300));
    for (const QPoint p : {QPoint(0, 0), QPoint(1, 0), QPoint(0, 1), QPoint(123, 77), QPoint(399, 299)})
        EXPECT_EQ(Rgb(grab, p.x(), p.y()), source.pixel(p) | 0xFF000000u) << p.x() << "," << p.y();
}

TEST_F(HighDpiTest, ScrollSizesAndPanningAreInDevicePixels) {
    MakeView(200, 150);
    Open(doctests::Gradient(400, 300), 800, 600);
    const QSize client = view->ClientSize();
    EXPECT_EQ(client.width(), 2 * view->viewport()->width());
    EXPECT_EQ(view->GetScrollLimit(), QPoint(800 - client.width(), 600 - client.height()));
    view->ScrollToPosition({100, 100});
    QWidget* viewport = view->viewport();
    QTest::mousePress(viewport, Qt::LeftButton, {}, QPoint(100, 70));
    QTest::mouseMove(viewport, QPoint(90, 65));
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, QPoint(90, 65));
    EXPECT_EQ(view->GetScrollPosition(), QPoint(120, 110));
}

TEST_F(HighDpiTest, TheNavigatorDrawsInDevicePixels) {
    MakeView(200, 150);
    QImage image(4000, 1000, QImage::Format_RGB888);
    image.fill(Qt::gray);
    Open(image, 4000, 1000);
    CNavigatorWnd navigator(settings);
    navigator.resize(50, 50);
    navigator.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&navigator));
    navigator.SetView(view.get());
    navigator.SetDocument(doc.get());
    EXPECT_EQ(navigator.GetImageRect(), QRect(0, 37, 100, 25));
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QT_SCALE_FACTOR", "2");
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
