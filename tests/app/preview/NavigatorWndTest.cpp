// The navigator: where the scaled picture lies for wide, tall, tiny and
// 4000 x 1 pictures, the frame following the view, dragging the frame to
// each corner and the view following on release, the crop's bounds, and the
// frame drawn in inverted colours only while the view shows a part.

#include "PreviewFixtures.h"
#include "app/preview/NavigatorWnd.h"

using namespace previewtests;

namespace {

class NavigatorTest : public PreviewTest {
protected:
    void SetUp() override {
        PreviewTest::SetUp();
        navigator = std::make_unique<CNavigatorWnd>(settings);
        navigator->resize(100, 100);
        navigator->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(navigator.get()));
    }
    void TearDown() override {
        navigator.reset();
        PreviewTest::TearDown();
    }
    // A picture of one colour at `outW` x `outH` in a 300 x 200 view.
    void Show(int w, int h, int outW, int outH, QRgb colour = qRgb(64, 128, 32)) {
        MakeView(300, 200);
        QImage image(w, h, QImage::Format_RGB888);
        image.fill(colour);
        Open(image, outW, outH);
        navigator->SetView(view.get());
        navigator->SetDocument(doc.get());
        // The picture is made after the next painting.
        ASSERT_TRUE(QTest::qWaitFor([this] { return navigator->HasPicture(); }));
    }
    // Drags the frame from its centre by `by` and lets go.
    void DragFrame(QPoint by) {
        const QPoint start = navigator->ViewFrame().center();
        QTest::mousePress(navigator.get(), Qt::LeftButton, {}, start);
        EXPECT_TRUE(navigator->IsDragging());
        QTest::mouseMove(navigator.get(), start + by);
        QTest::mouseRelease(navigator.get(), Qt::LeftButton, {}, start + by);
        EXPECT_FALSE(navigator->IsDragging());
    }
    QImage GrabNavigator() const { return navigator->grab().toImage().convertToFormat(QImage::Format_RGB32); }

    std::unique_ptr<CNavigatorWnd> navigator;
};

TEST_F(NavigatorTest, ThePictureIsCentredWithItsAspectAndAtLeastOnePixel) {
    struct Case {
        int w, h;
        QRect image;
    };
    for (const Case c :
         {Case{4000, 1000, {0, 37, 100, 25}}, Case{1000, 4000, {37, 0, 25, 100}}, Case{3, 2, {0, 17, 100, 66}},
          Case{4000, 1, {0, 49, 100, 1}}, Case{1, 4000, {49, 0, 1, 100}}, Case{100, 100, {0, 0, 100, 100}}}) {
        SCOPED_TRACE(testing::Message() << c.w << " x " << c.h);
        Show(c.w, c.h, c.w, c.h);
        EXPECT_TRUE(navigator->HasPicture());
        EXPECT_EQ(navigator->GetImageRect(), c.image);
        EXPECT_EQ(navigator->Bounds(), c.image);
        // The frame lies inside the picture, at least one pixel each way.
        const QRect frame = navigator->ViewFrame();
        EXPECT_GE(frame.width(), 1);
        EXPECT_GE(frame.height(), 1);
        EXPECT_TRUE(c.image.contains(frame))
            << frame.x() << "," << frame.y() << " " << frame.width() << "x" << frame.height();
    }
}

TEST_F(NavigatorTest, TheFrameFollowsTheView) {
    Show(4000, 1000, 4000, 1000);
    view->ScrollToPosition({0, 0});
    EXPECT_EQ(navigator->ViewFrame().topLeft(), QPoint(0, 37));
    view->ScrollToPosition({2000, 500});
    const imaging::Rect visible = view->GetVisibleSourceRect();
    EXPECT_EQ(visible.x, 2000);
    // Rounded up: 2000 * 100 / 4000 and 500 * 25 / 1000; the right edge
    // likewise.
    EXPECT_EQ(navigator->ViewFrame().topLeft(), QPoint(50, 37 + 13));
    const int right = static_cast<int>((std::int64_t{2000 + visible.width} * 100 + 3999) / 4000);
    EXPECT_EQ(navigator->ViewFrame().x() + navigator->ViewFrame().width(), right);
}

// Dragged past each corner, the frame stops at the bounds, and the view
// scrolls so that its visible part begins where the frame is.
TEST_F(NavigatorTest, DraggingTheFrameToEachCornerScrollsTheView) {
    for (const auto& [w, h] :
         {std::pair{4000, 1000}, std::pair{1000, 4000}, std::pair{4000, 1}, std::pair{3000, 2000}}) {
        Show(w, h, w, h);
        const QRect image = navigator->GetImageRect();
        for (const QPoint corner :
             {QPoint(-1000, -1000), QPoint(1000, -1000), QPoint(-1000, 1000), QPoint(1000, 1000)}) {
            SCOPED_TRACE(testing::Message() << w << " x " << h << " to " << corner.x() << "," << corner.y());
            DragFrame(corner);
            const QRect box = navigator->ViewFrame();
            EXPECT_EQ(box.x(), corner.x() < 0 ? image.x() : image.x() + image.width() - box.width());
            EXPECT_EQ(box.y(), corner.y() < 0 ? image.y() : image.y() + image.height() - box.height());
            const QPoint limit = view->GetScrollLimit();
            const QPoint position = view->GetScrollPosition();
            auto expected = [](int offset, int total, int side, int limit) {
                return std::min<int>(limit, (std::int64_t{offset} * total + side - 1) / side);
            };
            if (view->HasHorizontalBar()) {
                EXPECT_EQ(position.x(), expected(box.x() - image.x(), w, image.width(), limit.x()));
                if (corner.x() < 0) {
                    EXPECT_EQ(position.x(), 0);
                }
            }
            if (view->HasVerticalBar()) {
                EXPECT_EQ(position.y(), expected(box.y() - image.y(), h, image.height(), limit.y()));
                if (corner.y() < 0) {
                    EXPECT_EQ(position.y(), 0);
                }
            }
            // The frame stays where it was dropped.
            EXPECT_EQ(navigator->ViewFrame(), box);
        }
        view.reset();
        frame.view = nullptr;
    }
}

TEST_F(NavigatorTest, APressOutsideTheFrameDragsNothing) {
    Show(4000, 1000, 4000, 1000);
    view->ScrollToPosition({0, 0});
    QTest::mousePress(navigator.get(), Qt::LeftButton, {}, QPoint(90, 50));
    EXPECT_FALSE(navigator->IsDragging());
    QTest::mouseRelease(navigator.get(), Qt::LeftButton, {}, QPoint(90, 50));
    EXPECT_EQ(view->GetScrollPosition(), QPoint(0, 0));
}

TEST_F(NavigatorTest, WithCropTheFrameStaysInTheKeptPart) {
    settings.m_nCorrectProp = 1;
    // A 1:1 output of a 2:1 picture keeps its middle half.
    Show(2000, 1000, 1000, 1000);
    EXPECT_EQ(navigator->GetImageRect(), QRect(0, 25, 100, 50));
    EXPECT_EQ(navigator->Bounds(), QRect(25, 25, 50, 50));
    EXPECT_TRUE(navigator->Bounds().contains(navigator->ViewFrame()));
    DragFrame({-1000, -1000});
    EXPECT_EQ(navigator->ViewFrame().topLeft(), QPoint(25, 25));
    // The view is at the start of the cut, which the frame shows too.
    EXPECT_EQ(view->GetScrollPosition(), QPoint(0, 0));
    EXPECT_EQ(view->GetVisibleSourceRect().x, 500);
    navigator->Refresh();
    EXPECT_EQ(navigator->ViewFrame().topLeft(), QPoint(25, 25));
    DragFrame({1000, 1000});
    EXPECT_EQ(navigator->ViewFrame().x() + navigator->ViewFrame().width(), 75);
    EXPECT_EQ(navigator->ViewFrame().y() + navigator->ViewFrame().height(), 75);
}

TEST_F(NavigatorTest, TheFrameIsInvertedAndDrawnOnlyWhileTheViewShowsAPart) {
    const QRgb colour = qRgb(64, 128, 32);
    const QRgb inverted = qRgb(255 - 64, 255 - 128, 255 - 32);
    Show(400, 300, 400, 300, colour);
    QImage grab = GrabNavigator();
    const QRect image = navigator->GetImageRect();
    EXPECT_EQ(Rgb(grab, image.x(), image.y()), colour);
    EXPECT_EQ(Rgb(grab, image.center().x(), image.center().y()), colour);

    SetOutput(4000, 3000);
    view->ScrollToPosition({0, 0});
    grab = GrabNavigator();
    const QRect frame = navigator->ViewFrame();
    ASSERT_LT(frame.width(), image.width());
    // The outline, the cross-hair to the right and below, nothing else.
    EXPECT_EQ(Rgb(grab, frame.x(), frame.y()), inverted);
    EXPECT_EQ(Rgb(grab, frame.right(), frame.bottom()), inverted);
    EXPECT_EQ(Rgb(grab, frame.center().x(), frame.center().y()), colour);
    const int cy = (frame.y() + frame.y() + frame.height()) / 2;
    const int cx = (frame.x() + frame.x() + frame.width()) / 2;
    EXPECT_EQ(Rgb(grab, image.right(), cy), inverted);
    EXPECT_EQ(Rgb(grab, cx, image.bottom()), inverted);
    EXPECT_EQ(Rgb(grab, image.right(), image.bottom()), colour);
    // While dragging the frame moves with the mouse; the view only follows
    // on release.
    const QPoint start = frame.center();
    QTest::mousePress(navigator.get(), Qt::LeftButton, {}, start);
    QTest::mouseMove(navigator.get(), start + QPoint(20, 10));
    EXPECT_EQ(navigator->DragFrame().topLeft(), frame.topLeft() + QPoint(20, 10));
    grab = GrabNavigator();
    EXPECT_EQ(Rgb(grab, frame.x() + 20, frame.y() + 10), inverted);
    EXPECT_EQ(Rgb(grab, frame.x(), frame.y()), colour);
    EXPECT_EQ(view->GetScrollPosition(), QPoint(0, 0));
    QTest::mouseRelease(navigator.get(), Qt::LeftButton, {}, start + QPoint(20, 10));
    EXPECT_GT(view->GetScrollPosition().x(), 0);
}

// A new image is placed at once, but its picture is scaled only after a
// painting without it, so that the window shows the view's picture first.
TEST_F(NavigatorTest, ThePictureIsMadeAfterAPaintingWithoutIt) {
    const QRgb colour = qRgb(200, 40, 90);
    Show(400, 300, 400, 300, qRgb(20, 20, 20));
    QImage image(800, 600, QImage::Format_RGB888);
    image.fill(colour);
    Open(image, 800, 600);
    navigator->SetDocument(doc.get());
    EXPECT_FALSE(navigator->HasPicture());
    EXPECT_EQ(navigator->GetImageRect(), QRect(0, 12, 100, 75));
    navigator->repaint();
    EXPECT_FALSE(navigator->HasPicture());
    ASSERT_TRUE(QTest::qWaitFor([this] { return navigator->HasPicture(); }));
    const QRect placed = navigator->GetImageRect();
    EXPECT_EQ(Rgb(GrabNavigator(), placed.center().x(), placed.center().y()), colour);
}

TEST_F(NavigatorTest, WithoutAnImageThereIsNoPicture) {
    Show(400, 300, 400, 300);
    ASSERT_TRUE(navigator->HasPicture());
    doc->OpenDocumentFile(Path("missing.png"));
    navigator->SetDocument(doc.get());
    EXPECT_FALSE(navigator->HasPicture());
    QTest::mousePress(navigator.get(), Qt::LeftButton, {}, QPoint(50, 50));
    EXPECT_FALSE(navigator->IsDragging());
}

}  // namespace
