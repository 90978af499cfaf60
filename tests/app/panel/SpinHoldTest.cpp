// The resize panel's spins: a step per click, clamping into the field's
// range, the arrow keys, and held view updates while an arrow is held down.

#include "PanelTestSupport.h"

namespace {

// Generous: the panel's timers run late on a loaded machine.
constexpr int kPanelTimeoutMs = 30000;

TEST_F(PanelTest, SpinStepsEachFieldAndClampsIntoItsRange) {
    struct Case {
        int spin;
        int edit;
        bool up;
        const char* start;  // typed before the click
        const char* after;
    };
    const Case cases[] = {
        {IDC_WIDTH_SPIN, IDC_WIDTH, true, "640", "641"},
        {IDC_WIDTH_SPIN, IDC_WIDTH, false, "3", "3"},
        {IDC_HEIGHT_SPIN, IDC_HEIGHT, true, "100000", "100000"},
        {IDC_HEIGHT_SPIN, IDC_HEIGHT, false, "480", "479"},
        {IDC_RESOLUTION_SPIN, IDC_RESOLUTION, false, "300", "299"},
        {IDC_RESOLUTION_SPIN, IDC_RESOLUTION, false, "1.5", "1"},
        {IDC_RESOLUTION_SPIN, IDC_RESOLUTION, true, "100000", "100000"},
    };
    settings.m_nCorrectProp = 2;
    Open(MakeImage(4000, 3000));
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.spin << " " << c.start);
        Type(c.edit, QString::fromLatin1(c.start));
        ClickSpin(c.spin, c.up);
        EXPECT_EQ(Text(c.edit), QString::fromLatin1(c.after));
    }
    EXPECT_EQ(settings.m_nHeight, 100000);
    EXPECT_FLOAT_EQ(settings.m_fDpi, 100000.0f);
}

TEST_F(PanelTest, PrintSpinClampsToOnePixelOfPrintSize) {
    settings.m_nEditPrints = 1;
    settings.m_nCorrectProp = 2;
    Open(MakeImage(4000, 3000));
    Type(IDC_PRINT_WIDTH, QStringLiteral("0.5"));
    EXPECT_EQ(settings.m_nWidth, 150);
    ClickSpin(IDC_PRINT_WIDTH_SPIN, false);
    // 1 / 300 inch, written so that it reads back inside the range.
    EXPECT_EQ(settings.m_nWidth, 3);
    EXPECT_TRUE(Text(IDC_PRINT_WIDTH).startsWith(QStringLiteral("0.00333333")));
    // Up from there: "%g" of 1.00333... reads back as 300.999 pixels, within
    // the tolerance of 301.
    ClickSpin(IDC_PRINT_WIDTH_SPIN, true);
    EXPECT_EQ(Text(IDC_PRINT_WIDTH), QStringLiteral("1.00333"));
    EXPECT_EQ(settings.m_nWidth, 301);
}

TEST_F(PanelTest, SpinInPercentModeStepsOnePercent) {
    settings.m_nInPercents = 1;
    Open(MakeImage(1000, 500));
    Type(IDC_WIDTH, QStringLiteral("50"));
    ClickSpin(IDC_WIDTH_SPIN, true);
    EXPECT_EQ(Text(IDC_WIDTH), QStringLiteral("51"));
    EXPECT_EQ(settings.m_nWidth, 510);
    EXPECT_EQ(settings.m_nHeight, 255);
}

TEST_F(PanelTest, ResolutionSpinRescalesThePixelsFromWhereSpinningBegan) {
    settings.m_nWidth = 3000;
    settings.m_nHeight = 2000;
    settings.m_nCorrectProp = 2;
    Open(MakeImage(4000, 3000));
    for (int i = 0; i < 3; ++i)
        ClickSpin(IDC_RESOLUTION_SPIN, true);
    EXPECT_FLOAT_EQ(settings.m_fDpi, 303.0f);
    // 2000 x 303 / 300, not 2000 rounded up at each of 301, 302 and 303.
    EXPECT_EQ(settings.m_nWidth, 3030);
    EXPECT_EQ(settings.m_nHeight, 2020);
    // Any other change starts a new base.
    Type(IDC_HEIGHT, QStringLiteral("1000"));
    ClickSpin(IDC_RESOLUTION_SPIN, false);
    EXPECT_EQ(settings.m_nHeight, 997);
}

TEST_F(PanelTest, HeldArrowHoldsViewUpdatesUntilItIsReleased) {
    Open(MakeImage(4000, 3000));
    auto* spin = Control<SpinButton>(IDC_WIDTH_SPIN);
    QTest::mousePress(spin->UpButton(), Qt::LeftButton);
    EXPECT_TRUE(doc.hold);
    EXPECT_EQ(settings.m_nWidth, 641);
    // The arrow repeats while it is held; the views wait, and so does the
    // timer that releases held updates (ticked here, at once, by the test).
    ASSERT_TRUE(QTest::qWaitFor([&] { return settings.m_nWidth > 643; }, kPanelTimeoutMs));
    panel->ReleaseHeldUpdates();
    EXPECT_EQ(settings.m_nHeight, settings.m_nWidth * 3 / 4);
    EXPECT_TRUE(doc.hold);
    EXPECT_EQ(doc.redraws, 0);
    EXPECT_GT(doc.updateCalls, 2);
    QTest::mouseRelease(spin->UpButton(), Qt::LeftButton);
    EXPECT_FALSE(doc.hold);
    EXPECT_EQ(doc.redraws, 1);
    // Released: the arrow is no longer held, and a repeat steps only a held
    // arrow, so nothing steps on.
    EXPECT_FALSE(spin->IsHeld());
}

TEST_F(PanelTest, TimerReleasesHeldUpdatesWhenNoKeyOrButtonIsDown) {
    Open(MakeImage(4000, 3000));
    // As after an end-of-scroll notice that never came.
    doc.hold = true;
    EXPECT_TRUE(QTest::qWaitFor([this] { return !doc.hold; }, kPanelTimeoutMs));
    EXPECT_EQ(doc.redraws, 1);
}

TEST_F(PanelTest, ArrowKeysInAnEditStepItsSpinAndHoldWhileDown) {
    settings.m_nCorrectProp = 2;
    Open(MakeImage(4000, 3000));
    QLineEdit* edit = Edit(IDC_HEIGHT);
    edit->setFocus(Qt::OtherFocusReason);
    QTest::keyPress(edit, Qt::Key_Up);
    EXPECT_EQ(settings.m_nHeight, 481);
    EXPECT_TRUE(doc.hold);
    // A key is down: the timer's tick leaves the hold alone.
    panel->ReleaseHeldUpdates();
    EXPECT_TRUE(doc.hold);
    EXPECT_EQ(doc.redraws, 0);
    QTest::keyRelease(edit, Qt::Key_Up);
    EXPECT_FALSE(doc.hold);
    EXPECT_EQ(doc.redraws, 1);
    QTest::keyClick(edit, Qt::Key_Down);
    QTest::keyClick(edit, Qt::Key_Down);
    EXPECT_EQ(settings.m_nHeight, 479);
    EXPECT_EQ(Text(IDC_HEIGHT), QStringLiteral("479"));
}

}  // namespace
