// The resize panel's fields: typing pixels, percentages, print sizes and
// resolutions, the units, the correction, the lock, the labels and which
// controls take input.

#include "PanelTestSupport.h"
#include "app/panel/ResizePanelTemplate.h"
#include "core/widgets/DialogUnits.h"
#include "platform/resources/StringTable.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QRadioButton>
#include <QStyle>
#include <QStyleFactory>
#include <QStyleOptionComboBox>

#include <algorithm>

namespace {

// ---------------------------------------------------------------------------
// Pixels and the aspect rule

TEST_F(PanelTest, KeepAspectTypedWidthGivesTheHeight) {
    Open(MakeImage(4000, 3000));
    Type(IDC_WIDTH, QStringLiteral("1000"));
    EXPECT_EQ(settings.m_nWidth, 1000);
    EXPECT_EQ(settings.m_nHeight, 750);
    EXPECT_EQ(Text(IDC_HEIGHT), QStringLiteral("750"));
    // The print fields follow: 1000 and 750 pixels at 300 dpi in inches.
    EXPECT_EQ(Text(IDC_PRINT_WIDTH), QStringLiteral("3.3333"));
    EXPECT_EQ(Text(IDC_PRINT_HEIGHT), QStringLiteral("2.5"));
    EXPECT_GT(doc.redraws, 0);
}

TEST_F(PanelTest, KeepAspectTypedHeightGivesTheWidth) {
    Open(MakeImage(4000, 3000));
    Type(IDC_HEIGHT, QStringLiteral("300"));
    EXPECT_EQ(settings.m_nWidth, 400);
    EXPECT_EQ(Text(IDC_WIDTH), QStringLiteral("400"));
}

TEST_F(PanelTest, WidthOutOfRangeIsRefusedAndTheStoredWidthReturnsOnLeaving) {
    Open(MakeImage(4000, 3000));
    Type(IDC_WIDTH, QStringLiteral("1000"));
    // Typed key by key: no prefix of these is a width of 3 to 100000.
    for (const char* refused : {"2", "-5", "1e3", "", "x7", "0"}) {
        SCOPED_TRACE(refused);
        Type(IDC_WIDTH, QString::fromLatin1(refused));
        EXPECT_EQ(settings.m_nWidth, 1000);
        EXPECT_EQ(settings.m_nHeight, 750);
        Leave(IDC_WIDTH);
        EXPECT_EQ(Text(IDC_WIDTH), QStringLiteral("1000"));
    }
    // Both bounds are accepted; a digit more is not.
    Type(IDC_WIDTH, QStringLiteral("3"));
    EXPECT_EQ(settings.m_nWidth, 3);
    Type(IDC_WIDTH, QStringLiteral("100000"));
    EXPECT_EQ(settings.m_nWidth, 100000);
    EXPECT_EQ(settings.m_nHeight, 75000);
    QTest::keyClick(Edit(IDC_WIDTH), Qt::Key_End);
    QTest::keyClick(Edit(IDC_WIDTH), Qt::Key_0);
    EXPECT_EQ(Text(IDC_WIDTH), QStringLiteral("1000000"));
    EXPECT_EQ(settings.m_nWidth, 100000);
    Leave(IDC_WIDTH);
    EXPECT_EQ(Text(IDC_WIDTH), QStringLiteral("100000"));
}

TEST_F(PanelTest, CorrectionNoneAndCropLeaveTheOtherSide) {
    for (int correction : {1, 2}) {
        SCOPED_TRACE(correction);
        DefaultSettings(settings);
        settings.m_nCorrectProp = correction;
        Open(MakeImage(4000, 3000));
        Type(IDC_WIDTH, QStringLiteral("1000"));
        EXPECT_EQ(settings.m_nWidth, 1000);
        EXPECT_EQ(settings.m_nHeight, 480);
        Click(IDC_EDIT_PRINTS);
        Type(IDC_PRINT_HEIGHT, QStringLiteral("2"));
        EXPECT_EQ(settings.m_nHeight, 600);
        EXPECT_EQ(settings.m_nWidth, 1000);
    }
}

TEST_F(PanelTest, SwitchingToKeepAspectFitsTheSizeToTheImage) {
    struct Case {
        int imageWidth, imageHeight, width, height;
        int fittedWidth, fittedHeight;
    };
    const Case cases[] = {
        {1000, 10, 3, 3, 3, 3},  // the height stays at 3
        {4000, 3000, 1000, 1000, 1000, 750},
        {3000, 4000, 1000, 1000, 750, 1000},
        {100000, 100000, 100000, 50000, 50000, 50000},  // products beyond 32 bits
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.imageWidth << "x" << c.imageHeight);
        DefaultSettings(settings);
        settings.m_nCorrectProp = 2;
        settings.m_nWidth = c.width;
        settings.m_nHeight = c.height;
        Open(MakeImage(c.imageWidth, c.imageHeight));
        Choose(IDC_CORRECTION, 0);
        EXPECT_EQ(settings.m_nCorrectProp, 0);
        EXPECT_EQ(settings.m_nWidth, c.fittedWidth);
        EXPECT_EQ(settings.m_nHeight, c.fittedHeight);
        EXPECT_EQ(Text(IDC_WIDTH), QString::number(c.fittedWidth));
        EXPECT_EQ(Text(IDC_HEIGHT), QString::number(c.fittedHeight));
        EXPECT_GT(doc.redraws, 0);
    }
}

TEST_F(PanelTest, AlgorithmComboStoresTheMode) {
    Open(MakeImage(640, 480));
    auto* combo = Control<QComboBox>(IDC_ALGORITHM);
    ASSERT_EQ(combo->count(), 10);
    EXPECT_EQ(combo->itemText(0), QStringLiteral("Nearest Neigbor"));
    EXPECT_EQ(combo->itemText(9), QStringLiteral("ORVEK Super-Resolution"));
    EXPECT_EQ(combo->currentIndex(), 4);
    Choose(IDC_ALGORITHM, 7);
    EXPECT_EQ(combo->currentIndex(), 7);
    EXPECT_EQ(settings.m_nInterpolMode, 7);
    EXPECT_GT(doc.redraws, 0);
}

// ---------------------------------------------------------------------------
// Percent

TEST_F(PanelTest, PercentStoresPixelsAndShowsTwoDecimalsLater) {
    settings.m_nInPercents = 1;
    Open(MakeImage(1000, 500));
    Type(IDC_WIDTH, QStringLiteral("33.333"));
    EXPECT_EQ(settings.m_nWidth, 333);
    EXPECT_DOUBLE_EQ(settings.m_dPercentW, 33.333);
    // Keep aspect: the height follows and shows the typed percentage.
    EXPECT_EQ(settings.m_nHeight, 166);
    EXPECT_EQ(Text(IDC_HEIGHT), QStringLiteral("33.333"));
    Leave(IDC_WIDTH);
    EXPECT_EQ(Text(IDC_WIDTH), QStringLiteral("33.3"));
    EXPECT_DOUBLE_EQ(settings.m_dPercentW, 33.3);
}

TEST_F(PanelTest, PercentRangeFollowsTheImage) {
    settings.m_nInPercents = 1;
    settings.m_nCorrectProp = 2;
    Open(MakeImage(1000, 500));
    struct Case {
        const char* typed;
        int width;  // 777 when no prefix of the text was accepted
    };
    // 3 to 100000 pixels of a 1000-pixel side: 0.3 % to 10000 %. Typing
    // "10001" stops at "1000".
    const Case cases[] = {{"0.3", 3}, {"0.29", 777}, {"10000", 100000}, {"10001", 10000}, {"50", 500}, {"abc", 777}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        settings.m_nWidth = 777;
        Type(IDC_WIDTH, QString::fromLatin1(c.typed));
        EXPECT_EQ(settings.m_nWidth, c.width);
    }
}

TEST_F(PanelTest, PercentWithoutImageShowsTheStoredPercentagesAndStoresNothing) {
    settings.m_nInPercents = 1;
    settings.m_dPercentW = 50;
    settings.m_dPercentH = 25;
    settings.m_bBatchMode = 1;  // the edits are live in batch mode
    Open(std::nullopt);
    EXPECT_EQ(Text(IDC_WIDTH), QStringLiteral("50"));
    EXPECT_EQ(Text(IDC_HEIGHT), QStringLiteral("25"));
    EXPECT_EQ(Text(IDC_PRINT_WIDTH), QString());
    EXPECT_EQ(Text(IDC_PRINT_HEIGHT), QString());
    Type(IDC_WIDTH, QStringLiteral("80"));
    EXPECT_DOUBLE_EQ(settings.m_dPercentW, 50);
    EXPECT_EQ(settings.m_nWidth, 640);
}

TEST_F(PanelTest, PixelUnitsComboSwitchesTheShownUnit) {
    settings.m_nWidth = 500;
    settings.m_nHeight = 250;
    Open(MakeImage(1000, 1000));
    Choose(IDC_PIXEL_UNITS, 1);
    EXPECT_EQ(settings.m_nInPercents, 1);
    EXPECT_EQ(Text(IDC_WIDTH), QStringLiteral("50"));
    EXPECT_EQ(Text(IDC_HEIGHT), QStringLiteral("25"));
    Choose(IDC_PIXEL_UNITS, 0);
    EXPECT_EQ(settings.m_nInPercents, 0);
    EXPECT_EQ(Text(IDC_WIDTH), QStringLiteral("500"));
}

// ---------------------------------------------------------------------------
// Print size and length units

TEST_F(PanelTest, TypedPrintSizeInEachLengthUnit) {
    struct Case {
        int sizeUnits;
        float dpi;
        const char* typed;
        int pixels;
        const char* unitLabel;
    };
    const Case cases[] = {
        {0, 300, "2", 600, "in"},
        {1, 300, "25.4", 300, "mm"},
        {2, 300, "2.54", 300, "cm"},
        {3, 72, "6", 72, "picas"},
        {4, 72, "72", 72, "pt"},
        {1, 300, "210", 2480, "mm"},
        {0, 96, "0.5", 48, "in"},
        // Truncated: 297 mm are 3507.87 pixels at 300 dpi; but 6 inches at
        // the 299.9994 dpi of a PNG's 11811 dots per metre, 1799.996, are
        // taken for the 1800 that the stored resolution rounded away.
        {1, 300, "297", 3507, "mm"},
        {0, 11811 * 0.0254f, "6", 1800, "in"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.sizeUnits << " " << c.typed);
        DefaultSettings(settings);
        settings.m_nSizeUnits = c.sizeUnits;
        settings.m_fDpi = c.dpi;
        settings.m_nEditPrints = 1;
        settings.m_nCorrectProp = 2;
        Open(MakeImage(4000, 3000));
        EXPECT_EQ(Text(IDC_PRINT_WIDTH_UNIT), QString::fromLatin1(c.unitLabel));
        Type(IDC_PRINT_WIDTH, QString::fromLatin1(c.typed));
        EXPECT_EQ(settings.m_nWidth, c.pixels);
        EXPECT_EQ(Text(IDC_WIDTH), QString::number(c.pixels));
    }
}

TEST_F(PanelTest, PrintFieldsInEachLengthUnitAndRange) {
    struct Case {
        int sizeUnits;
        const char* width;  // 1000 pixels at 300 dpi
        const char* belowRange;
        const char* lowest;
    };
    const Case cases[] = {
        {0, "3.3333", "0.003", "0.00333334"}, {1, "84.6667", "0.08", "0.0846667"}, {2, "8.4667", "0.008", "0.00846667"},
        {3, "20", "0.019", "0.02"},           {4, "240", "0.23", "0.24"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sizeUnits);
        DefaultSettings(settings);
        settings.m_nSizeUnits = c.sizeUnits;
        settings.m_nWidth = 1000;
        settings.m_nEditPrints = 1;
        settings.m_nCorrectProp = 2;
        Open(MakeImage(4000, 3000));
        EXPECT_EQ(Text(IDC_PRINT_WIDTH), QString::fromLatin1(c.width));
        Type(IDC_PRINT_WIDTH, QString::fromLatin1(c.belowRange));
        EXPECT_EQ(settings.m_nWidth, 1000);
        Leave(IDC_PRINT_WIDTH);
        EXPECT_EQ(Text(IDC_PRINT_WIDTH), QString::fromLatin1(c.width));
        Type(IDC_PRINT_WIDTH, QString::fromLatin1(c.lowest));
        EXPECT_EQ(settings.m_nWidth, 3);  // one pixel, then at least three
    }
}

TEST_F(PanelTest, LargePrintSizesAreRoundedWithoutOverflow) {
    // 100000 pixels at 1 dpi in points: 7200000 points, far above what a
    // 32-bit product of ten thousandths holds.
    settings.m_nSizeUnits = 4;
    settings.m_fDpi = 1.0f;
    settings.m_nWidth = 100000;
    settings.m_nHeight = 99999;
    Open(MakeImage(100000, 100000));
    EXPECT_EQ(Text(IDC_PRINT_WIDTH), QStringLiteral("7.2e+06"));
    EXPECT_EQ(Text(IDC_PRINT_HEIGHT), QStringLiteral("7.19993e+06"));
}

TEST_F(PanelTest, LengthUnitComboRedisplaysWithAnImageOnly) {
    settings.m_nWidth = 1000;
    Open(MakeImage(4000, 3000));
    Choose(IDC_SIZE_UNITS, 1);
    EXPECT_EQ(settings.m_nSizeUnits, 1);
    EXPECT_EQ(Text(IDC_PRINT_WIDTH), QStringLiteral("84.6667"));
    EXPECT_EQ(Text(IDC_PRINT_WIDTH_UNIT), QStringLiteral("mm"));
    EXPECT_EQ(Text(IDC_ORIG_PRINTSIZE), QStringLiteral("338.67x254.00 mm"));

    // Without an image the change has no effect, and the combo says so.
    DefaultSettings(settings);
    settings.m_bBatchMode = 1;
    Open(std::nullopt);
    Control(IDC_SIZE_UNITS)->setFocus(Qt::OtherFocusReason);
    QTest::keyClick(Control(IDC_SIZE_UNITS), Qt::Key_Down);
    EXPECT_EQ(settings.m_nSizeUnits, 0);
    EXPECT_EQ(Control<QComboBox>(IDC_SIZE_UNITS)->currentIndex(), 0);
    EXPECT_EQ(Text(IDC_PRINT_WIDTH_UNIT), QStringLiteral("in"));
}

// ---------------------------------------------------------------------------
// Resolution

TEST_F(PanelTest, RetypedResolutionRescalesFromTheValuesWhenTypingBegan) {
    settings.m_nWidth = 1000;
    settings.m_nHeight = 800;
    settings.m_nCorrectProp = 2;
    Open(MakeImage(4000, 3000));
    Type(IDC_RESOLUTION, QStringLiteral("150"));  // "1", "15", "150"
    EXPECT_FLOAT_EQ(settings.m_fDpi, 150.0f);
    EXPECT_EQ(settings.m_nWidth, 500);
    EXPECT_EQ(settings.m_nHeight, 400);
    // The print size stayed.
    EXPECT_EQ(Text(IDC_PRINT_WIDTH), QStringLiteral("3.3333"));
    // A new edit starts from the new values.
    Leave(IDC_RESOLUTION);
    Type(IDC_RESOLUTION, QStringLiteral("300"));
    EXPECT_EQ(settings.m_nWidth, 1000);
    EXPECT_EQ(settings.m_nHeight, 800);
}

TEST_F(PanelTest, RetypedResolutionWhileEditingPrintSizeKeepsThePixels) {
    settings.m_nWidth = 1000;
    settings.m_nHeight = 800;
    settings.m_nEditPrints = 1;
    settings.m_nCorrectProp = 2;
    Open(MakeImage(4000, 3000));
    EXPECT_EQ(Text(IDC_PRINT_WIDTH), QStringLiteral("3.3333"));
    Type(IDC_RESOLUTION, QStringLiteral("150"));
    EXPECT_EQ(settings.m_nWidth, 1000);
    EXPECT_EQ(settings.m_nHeight, 800);
    EXPECT_EQ(Text(IDC_PRINT_WIDTH), QStringLiteral("6.6667"));
    EXPECT_EQ(Text(IDC_PRINT_HEIGHT), QStringLiteral("5.3333"));
}

TEST_F(PanelTest, ResolutionRescaleIsLimitedAndNeverOverflows) {
    settings.m_nWidth = 100000;
    settings.m_nHeight = 100000;
    settings.m_fDpi = 1.0f;
    settings.m_nCorrectProp = 2;
    Open(MakeImage(4000, 3000));
    Type(IDC_RESOLUTION, QStringLiteral("100000"));
    EXPECT_FLOAT_EQ(settings.m_fDpi, 100000.0f);
    EXPECT_EQ(settings.m_nWidth, 100000);
    EXPECT_EQ(settings.m_nHeight, 100000);
    Leave(IDC_RESOLUTION);
    Type(IDC_RESOLUTION, QStringLiteral("1"));
    EXPECT_EQ(settings.m_nWidth, 3);
}

TEST_F(PanelTest, ResolutionInEachUnitAndItsRange) {
    struct Case {
        int resUnits;
        const char* typed;
        bool accepted;
        float dpi;
        const char* shownAfter;
    };
    const Case cases[] = {
        {0, "150", true, 150.0f, "150"},
        {0, "0.5", false, 300.0f, "300"},
        {0, "100000", true, 100000.0f, "100000"},
        {1, "11.811", true, 299.9994f, "11.81"},
        {1, "0.039", false, 300.0f, "11.81"},
        {2, "118.11", true, 299.9994f, "118.11"},
        {2, "0.39", false, 300.0f, "118.11"},
        {2, "0.394", true, 1.00076f, "0.39"},
        {2, "39370.07", true, 99999.98f, "39370.1"},
        {2, "39371", false, 9999.98f, "3937"},
        {0, "0,5", false, 300.0f, "300"},
        {0, "100001", false, 10000.0f, "10000"},  // stops at "10000"
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.resUnits << " " << c.typed);
        DefaultSettings(settings);
        settings.m_nResUnits = c.resUnits;
        settings.m_nEditPrints = 1;
        Open(MakeImage(4000, 3000));
        EXPECT_EQ(Text(IDC_RES_UNIT_LABEL), platform::LoadResString(c.resUnits == 0 ? 79 : c.resUnits == 1 ? 80 : 82));
        Type(IDC_RESOLUTION, QString::fromLatin1(c.typed));
        EXPECT_NEAR(settings.m_fDpi, c.dpi, c.dpi * 1e-6f);
        Leave(IDC_RESOLUTION);
        EXPECT_EQ(Text(IDC_RESOLUTION), QString::fromLatin1(c.shownAfter));
    }
}

TEST_F(PanelTest, AResolutionOfZeroNeverDivides) {
    // As a hand-edited settings file could leave it; the image has none.
    settings.m_fDpi = 0.0f;
    settings.m_nWidth = 1000;
    Open(MakeImage(4000, 3000, 0.0f));
    EXPECT_EQ(Text(IDC_RESOLUTION), QStringLiteral("1"));
    EXPECT_EQ(Text(IDC_PRINT_WIDTH), QStringLiteral("1000"));  // inches at 1 dpi
    EXPECT_EQ(Text(IDC_RAW_SIZE), QStringLiteral("Raw size: 1.4MB"));
    // "Original" of an image without a resolution gives 96 dpi.
    panel->RunCommand(ID_RES_ORIGINAL);
    EXPECT_FLOAT_EQ(settings.m_fDpi, 96.0f);
    EXPECT_EQ(settings.m_nWidth, 96000);  // the print size stays
}

TEST_F(PanelTest, ResolutionUnitComboRedisplays) {
    Open(MakeImage(4000, 3000, 300.0f));
    Choose(IDC_RES_UNITS, 2);
    EXPECT_EQ(settings.m_nResUnits, 2);
    EXPECT_EQ(Text(IDC_RESOLUTION), QStringLiteral("118.11"));
    EXPECT_EQ(Text(IDC_ORIG_RESOLUTION), QStringLiteral("118.11 dots per cm"));
    EXPECT_FLOAT_EQ(settings.m_fDpi, 300.0f);
}

// ---------------------------------------------------------------------------
// Edit pixels or print size, the lock, "Apply to All"

TEST_F(PanelTest, EditRadiosSwitchTheLiveFields) {
    Open(MakeImage(4000, 3000));
    EXPECT_TRUE(Control(IDC_WIDTH)->isEnabled());
    EXPECT_FALSE(Control(IDC_PRINT_WIDTH)->isEnabled());
    Click(IDC_EDIT_PRINTS);
    EXPECT_EQ(settings.m_nEditPrints, 1);
    EXPECT_FALSE(Control(IDC_WIDTH)->isEnabled());
    EXPECT_FALSE(Control(IDC_HEIGHT_SPIN)->isEnabled());
    EXPECT_TRUE(Control(IDC_PRINT_HEIGHT)->isEnabled());
    EXPECT_TRUE(Control(IDC_PRINT_WIDTH_SPIN)->isEnabled());
    Click(IDC_EDIT_PIXELS);
    EXPECT_EQ(settings.m_nEditPrints, 0);
    EXPECT_TRUE(Control(IDC_HEIGHT)->isEnabled());
    EXPECT_FALSE(Control(IDC_PRINT_HEIGHT)->isEnabled());
}

TEST_F(PanelTest, LockCheckWritesTheLockOrApplyToNew) {
    Open(MakeImage(640, 480));
    EXPECT_EQ(Text(IDC_LOCK), QStringLiteral("&Lock settings"));
    Click(IDC_LOCK);
    EXPECT_EQ(settings.m_nLockSettings, 1);
    EXPECT_EQ(settings.m_nApplyToAll, 1);
    settings.m_bBatchMode = 1;
    panel->SetBatchMode();
    EXPECT_EQ(Text(IDC_LOCK), QStringLiteral("Apply to &new"));
    EXPECT_TRUE(Control<QCheckBox>(IDC_LOCK)->isChecked());  // m_nApplyToAll
    Click(IDC_LOCK);
    EXPECT_EQ(settings.m_nApplyToAll, 0);
    EXPECT_EQ(settings.m_nLockSettings, 1);
    settings.m_bBatchMode = 0;
    panel->SetBatchMode();
    EXPECT_TRUE(Control<QCheckBox>(IDC_LOCK)->isChecked());  // m_nLockSettings again
    EXPECT_EQ(Control(IDC_LOCK)->toolTip(), platform::LoadResString(33149));
}

TEST_F(PanelTest, BatchModeShowsApplyToAllAndTellsTheBasket) {
    Open(MakeImage(640, 480));
    EXPECT_FALSE(Control(IDC_APPLY_ALL)->isVisible());
    settings.m_bBatchMode = 1;
    panel->SetBatchMode();
    ASSERT_TRUE(Control(IDC_APPLY_ALL)->isVisible());
    EXPECT_EQ(Control(IDC_LOCK)->toolTip(), platform::LoadResString(33150));
    Click(IDC_APPLY_ALL);
    EXPECT_EQ(host.applyToAll, 1);
    Type(IDC_WIDTH, QStringLiteral("320"));
    EXPECT_EQ(host.batchRefreshes, 3);  // each keystroke
    settings.m_bBatchMode = 0;
    panel->SetBatchMode();
    EXPECT_FALSE(Control(IDC_APPLY_ALL)->isVisible());
    Type(IDC_WIDTH, QStringLiteral("640"));
    EXPECT_EQ(host.batchRefreshes, 3);
}

// ---------------------------------------------------------------------------
// Enable rules

TEST_F(PanelTest, EnableRulesWithAndWithoutImageAndInBatchMode) {
    struct Case {
        bool image;
        bool batch;
        int editPrints;
        bool pixelEdits, printEdits, resolution, presets;
    };
    const Case cases[] = {
        {false, false, 0, false, false, false, false}, {false, false, 1, false, false, false, false},
        {false, true, 0, true, true, true, true},      {false, true, 1, true, true, true, true},
        {true, false, 0, true, false, true, true},     {true, false, 1, false, true, true, true},
        {true, true, 0, true, false, true, true},      {true, true, 1, false, true, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "image " << c.image << " batch " << c.batch << " prints " << c.editPrints);
        DefaultSettings(settings);
        settings.m_bBatchMode = c.batch;
        settings.m_nEditPrints = c.editPrints;
        Open(c.image ? std::optional(MakeImage(640, 480)) : std::nullopt);
        for (int id : {IDC_WIDTH, IDC_WIDTH_SPIN, IDC_HEIGHT, IDC_HEIGHT_SPIN})
            EXPECT_EQ(Control(id)->isEnabled(), c.pixelEdits) << id;
        for (int id : {IDC_PRINT_WIDTH, IDC_PRINT_WIDTH_SPIN, IDC_PRINT_HEIGHT, IDC_PRINT_HEIGHT_SPIN})
            EXPECT_EQ(Control(id)->isEnabled(), c.printEdits) << id;
        for (int id : {IDC_RESOLUTION, IDC_RESOLUTION_SPIN, IDC_PIXEL_UNITS})
            EXPECT_EQ(Control(id)->isEnabled(), c.resolution) << id;
        for (int id : {IDC_SCREEN_PRESETS, IDC_PAPER_PRESETS})
            EXPECT_EQ(Control(id)->isEnabled(), c.presets) << id;
        EXPECT_TRUE(Control(IDC_RES_PRESETS)->isEnabled());
        EXPECT_EQ(Control(IDC_APPLY_ALL)->isVisible(), c.batch);
        EXPECT_EQ(Text(IDC_RAW_SIZE).isEmpty(), !c.image);
        EXPECT_EQ(Text(IDC_ORIG_SIZE).isEmpty(), !c.image);
    }
}

TEST_F(PanelTest, UnboundPanelNotifiesNoDocument) {
    settings.m_bBatchMode = 1;
    panel = std::make_unique<CResizeDlgBar>(settings);
    panel->show();
    auto* edit = Edit(IDC_WIDTH);
    edit->selectAll();
    QTest::keyClicks(edit, QStringLiteral("800"));
    EXPECT_EQ(settings.m_nWidth, 800);
    EXPECT_EQ(panel->Document(), nullptr);
}

// ---------------------------------------------------------------------------
// Labels

TEST_F(PanelTest, RawSizeOfTheOutput) {
    struct Case {
        const char* width;
        const char* height;
        const char* label;
    };
    const Case cases[] = {
        {"640", "480", "Raw size: 900.0KB"},     {"1000", "1000", "Raw size: 2.9MB"},
        {"10000", "10000", "Raw size: 286.1MB"}, {"100000", "100000", "Raw size: 27.9GB"},
        {"3", "3", "Raw size: 0.0KB"},
    };
    settings.m_nCorrectProp = 2;
    Open(MakeImage(4000, 3000));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.width);
        Type(IDC_WIDTH, QString::fromLatin1(c.width));
        Type(IDC_HEIGHT, QString::fromLatin1(c.height));
        EXPECT_EQ(Text(IDC_RAW_SIZE), QString::fromLatin1(c.label));
    }
}

TEST_F(PanelTest, OriginalImageLabelsInEachUnit) {
    struct Case {
        int sizeUnits;
        int resUnits;
        const char* printSize;
        const char* resolution;
    };
    const Case cases[] = {
        {0, 0, "3.33x2.67 inches", "300 dots per inch"}, {1, 1, "84.67x67.73 mm", "11.81 dots per mm"},
        {2, 2, "8.47x6.77 cm", "118.11 dots per cm"},    {3, 0, "20x16 picas", "300 dots per inch"},
        {4, 0, "240x192 points", "300 dots per inch"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sizeUnits);
        DefaultSettings(settings);
        settings.m_nSizeUnits = c.sizeUnits;
        settings.m_nResUnits = c.resUnits;
        Open(MakeImage(1000, 800, 300.0f, imaging::PixelFormat32bppARGB));
        EXPECT_EQ(Text(IDC_ORIG_SIZE), QStringLiteral("1000x800 pixels"));
        EXPECT_EQ(Text(IDC_ORIG_DEPTH), QStringLiteral("32 bits per pixel"));
        EXPECT_EQ(Text(IDC_ORIG_RAWSIZE), QStringLiteral("Raw size: 3.1MB"));
        EXPECT_EQ(Text(IDC_ORIG_PRINTSIZE), QString::fromLatin1(c.printSize));
        EXPECT_EQ(Text(IDC_ORIG_RESOLUTION), QString::fromLatin1(c.resolution));
    }
}

TEST_F(PanelTest, ImageWithoutResolutionShowsNoPrintSize) {
    Open(MakeImage(1000, 801, 0.0f, imaging::PixelFormat8bppIndexed));
    EXPECT_EQ(Text(IDC_ORIG_DEPTH), QStringLiteral("8 bits per pixel"));
    EXPECT_EQ(Text(IDC_ORIG_RAWSIZE), QStringLiteral("Raw size: 782.2KB"));
    EXPECT_EQ(Text(IDC_ORIG_PRINTSIZE), QString());
    EXPECT_EQ(Text(IDC_ORIG_RESOLUTION), QString());
}

TEST_F(PanelTest, SettingsChangedElsewhereShowOnTheNextRefresh) {
    Open(MakeImage(4000, 3000));
    // As a settings file or a basket item leaves them.
    settings.m_nWidth = 1024;
    settings.m_nHeight = 768;
    settings.m_nSizeUnits = 1;
    settings.m_nResUnits = 2;
    settings.m_nCorrectProp = 1;
    settings.m_nInterpolMode = 9;
    panel->SetImageInfo(&doc);
    EXPECT_EQ(Text(IDC_WIDTH), QStringLiteral("1024"));
    EXPECT_EQ(Control<QComboBox>(IDC_SIZE_UNITS)->currentIndex(), 1);
    EXPECT_EQ(Control<QComboBox>(IDC_RES_UNITS)->currentIndex(), 2);
    EXPECT_EQ(Control<QComboBox>(IDC_CORRECTION)->currentIndex(), 1);
    EXPECT_EQ(Control<QComboBox>(IDC_ALGORITHM)->currentIndex(), 9);
    EXPECT_EQ(Text(IDC_PRINT_WIDTH_UNIT), QStringLiteral("mm"));
}

TEST_F(PanelTest, TooltipsAndCaption) {
    Open(MakeImage(640, 480));
    EXPECT_EQ(panel->windowTitle(), QStringLiteral("Resize settings"));
    EXPECT_EQ(Control(IDC_PIXEL_UNITS)->toolTip(), QStringLiteral("Sets unuts for above fields"));
    EXPECT_EQ(Control(IDC_PAPER_PRESETS)->toolTip(), QStringLiteral("Sets standard phisical output size"));
    EXPECT_EQ(Control(IDC_APPLY_ALL)->toolTip(),
              QStringLiteral("Click to apply current settings to all images for batch processing"));
}

// ---------------------------------------------------------------------------
// The form

TEST_F(PanelTest, ControlsAreLaidOutInDialogUnitsOfTheFont) {
    Open(std::nullopt);
    QWidget* form = panel->widget();
    const widgets::DialogUnits units(form->font());
    EXPECT_GT(units.BaseWidth(), 0);
    EXPECT_GT(units.BaseHeight(), 0);
    EXPECT_EQ(Control(IDC_WIDTH)->geometry(), units.ToPixels(QRect(38, 68, 40, 12)));
    // The form and the controls at its right edge are wider by what the
    // algorithm list lacks for its longest name in this font.
    const int lack = std::max(0, Control(IDC_ALGORITHM)->sizeHint().width() - units.X(98));
    EXPECT_EQ(panel->NavigatorFrame()->geometry(), units.ToPixels(QRect(4, 260, 142, 96)).adjusted(0, 0, lack, 0));
    EXPECT_EQ(Control(IDC_ALGORITHM)->geometry(), units.ToPixels(QRect(48, 198, 98, 12)).adjusted(0, 0, lack, 0));
    EXPECT_EQ(Control(IDC_CORRECTION)->width(), Control(IDC_ALGORITHM)->width());
    EXPECT_EQ(form->size(), units.ToPixels(QSize(150, 360)) + QSize(lack, 0));
    // A larger font gives a larger form.
    QFont larger = form->font();
    larger.setPointSizeF(larger.pointSizeF() * 2);
    EXPECT_GT(widgets::DialogUnits(larger).X(150), units.X(150));

    // Every control of the template exists with its id, in tab order.
    EXPECT_EQ(panel->NavigatorFrame(), panel->GetDlgItem(IDC_NAVIGATOR));
    QWidget* focus = Control(IDC_WIDTH);
    const int tabOrder[] = {IDC_HEIGHT,       IDC_PIXEL_UNITS,   IDC_SCREEN_PRESETS, IDC_PRINT_WIDTH,
                            IDC_PRINT_HEIGHT, IDC_PAPER_PRESETS, IDC_RESOLUTION,     IDC_RES_PRESETS};
    for (int id : tabOrder) {
        focus = focus->nextInFocusChain();
        while (focus->focusPolicy() == Qt::NoFocus || ControlId(focus) < 0)
            focus = focus->nextInFocusChain();
        EXPECT_EQ(ControlId(focus), id);
    }
}

TEST_F(PanelTest, LabelMnemonicsFocusTheirFields) {
    Open(MakeImage(640, 480));
    Control(IDC_ALGORITHM)->setFocus(Qt::OtherFocusReason);
    QTest::keyClick(panel.get(), Qt::Key_W, Qt::AltModifier);
    EXPECT_TRUE(Control(IDC_WIDTH)->hasFocus());
    QTest::keyClick(panel.get(), Qt::Key_G, Qt::AltModifier);
    EXPECT_TRUE(Control(IDC_HEIGHT)->hasFocus());
    QTest::keyClick(panel.get(), Qt::Key_S, Qt::AltModifier);
    EXPECT_TRUE(Control(IDC_RESOLUTION)->hasFocus());
    QTest::keyClick(panel.get(), Qt::Key_R, Qt::AltModifier);  // "Edit p&rint size", clicked after a moment
    EXPECT_TRUE(QTest::qWaitFor([this] { return settings.m_nEditPrints == 1; }, 30000));
}

// The closed algorithm list shows each name whole: its text field is wide
// enough by the font's measure, and the grab shows the text's last pixels
// where the font puts them, inside the field.
TEST_F(PanelTest, TheAlgorithmListShowsEveryNameWhole) {
    Open(MakeImage(4000, 3000));
    auto* combo = Control<QComboBox>(IDC_ALGORITHM);
    const QFontMetrics metrics = combo->fontMetrics();
    for (int i = 0; i < combo->count(); ++i) {
        combo->setCurrentIndex(i);
        QApplication::processEvents();
        const QString text = combo->currentText();
        SCOPED_TRACE(text.toStdString());
        QStyleOptionComboBox option;
        option.initFrom(combo);
        option.currentText = text;
        const QRect field =
            combo->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, combo);
        // The label is drawn one pixel in from each side of the field.
        EXPECT_GE(field.width() - 2, metrics.horizontalAdvance(text));

        const QImage grab = combo->grab().toImage();
        int inkRight = -1;
        for (int x = field.left(); x <= field.right(); ++x)
            for (int y = field.top(); y <= field.bottom(); ++y)
                if (grab.pixelColor(x, y).lightness() < 110)
                    inkRight = std::max(inkRight, x);
        const int expectedRight = field.left() + 1 + metrics.boundingRect(text).right();
        EXPECT_GE(inkRight, expectedRight - 2);
        EXPECT_LT(inkRight, field.right());
    }
}

// The open algorithm list shows every name whole, in a style that widens a
// popup list to its entries and in one that keeps it at the list's width,
// while the closed list keeps the panel's width.
TEST_F(PanelTest, TheOpenAlgorithmListShowsItsLongestNameWhole) {
    Open(MakeImage(4000, 3000));
    auto* combo = Control<QComboBox>(IDC_ALGORITHM);
    for (const char* styleName : {"Fusion", "Windows"}) {
        std::unique_ptr<QStyle> style(QStyleFactory::create(QString::fromLatin1(styleName)));
        ASSERT_NE(style, nullptr) << styleName;
        combo->setStyle(style.get());
        QApplication::processEvents();
        const int closedWidth = combo->width();
        combo->setFocus(Qt::OtherFocusReason);
        QTest::keyClick(combo, Qt::Key_F4);
        QAbstractItemView* list = combo->view();
        ASSERT_TRUE(QTest::qWaitFor([list] { return list->isVisible(); })) << styleName;
        int widest = 0;
        for (int i = 0; i < combo->count(); ++i)
            widest = std::max(widest, list->fontMetrics().horizontalAdvance(combo->itemText(i)));
        EXPECT_GE(list->viewport()->width(), widest) << styleName;
        EXPECT_GE(list->viewport()->width(), list->sizeHintForColumn(0)) << styleName;
        QTest::keyClick(list, Qt::Key_Escape);
        ASSERT_TRUE(QTest::qWaitFor([list] { return !list->isVisible(); })) << styleName;
        EXPECT_EQ(combo->width(), closedWidth) << styleName;
        combo->setStyle(nullptr);
    }
}

}  // namespace
