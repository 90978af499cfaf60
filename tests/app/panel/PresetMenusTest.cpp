// The three preset menus: their entries and ids, the reading of paper and
// resolution texts, and each entry chosen through the panel's buttons.

#include "PanelTestSupport.h"
#include "app/panel/PresetMenus.h"

#include <QRegularExpression>

#include <cmath>
#include <set>

namespace {

struct MenuCase {
    int button;
    int menu;
    int first;
    int last;
    std::size_t entries;
};

const MenuCase kMenus[] = {
    {IDC_SCREEN_PRESETS, IDR_SIZE_PRESETS, 0, 0, 17},
    {IDC_PAPER_PRESETS, IDR_PAPER_PRESETS, ID_PAPER_FIRST, ID_PAPER_LAST, 51},
    {IDC_RES_PRESETS, IDR_RES_PRESETS, ID_RES_FIRST, ID_RES_LAST, 10},
};

std::vector<PresetMenuEntry> Commands(int menu) {
    std::vector<PresetMenuEntry> commands;
    for (const PresetMenuEntry& entry : PresetMenuEntries(menu)) {
        if (entry.id != 0)
            commands.push_back(entry);
    }
    return commands;
}

// The command id of the paper entry with this text, or 0.
int PaperEntryId(const char* text) {
    for (const PresetMenuEntry& entry : Commands(IDR_PAPER_PRESETS)) {
        if (QString::fromUtf8(entry.text) == QString::fromLatin1(text))
            return entry.id;
    }
    return 0;
}

TEST(PresetMenus, EveryEntryHasAnIdOfItsOwnInItsRange) {
    std::set<int> ids;
    for (const MenuCase& m : kMenus) {
        SCOPED_TRACE(m.menu);
        const std::vector<PresetMenuEntry> commands = Commands(m.menu);
        EXPECT_EQ(commands.size(), m.entries);
        for (const PresetMenuEntry& entry : commands) {
            EXPECT_TRUE(ids.insert(entry.id).second) << entry.text;
            if (m.first != 0) {
                EXPECT_GE(entry.id, m.first) << entry.text;
                EXPECT_LE(entry.id, m.last) << entry.text;
            }
            EXPECT_EQ(PresetMenuText(m.menu, entry.id), QString::fromUtf8(entry.text));
        }
    }
    // The pixel menu: 32771-32786 and 33157.
    for (int id = ID_SIZE_ORIGINAL; id <= ID_SIZE_DVD_NTSC_FULL; ++id)
        EXPECT_TRUE(ids.count(id)) << id;
    EXPECT_TRUE(ids.count(ID_SIZE_1600));
    // The paper range holds exactly the paper entries.
    EXPECT_EQ(ID_PAPER_LAST - ID_PAPER_FIRST + 1, 51);
    // Nothing of the three menus takes the ids the frame posts in between.
    for (int posted : {32838, 32839, 32840, 32841})
        EXPECT_FALSE(ids.count(posted)) << posted;
}

TEST(PresetMenus, MenusAreBuiltWithTheirSeparators) {
    auto* menu = BuildPresetMenu(IDR_SIZE_PRESETS, nullptr);
    const QList<QAction*> actions = menu->actions();
    ASSERT_EQ(actions.size(), 19);
    EXPECT_EQ(actions[0]->text(), QStringLiteral("Original size"));
    EXPECT_TRUE(actions[1]->isSeparator());
    EXPECT_EQ(actions[11]->text(), QStringLiteral("HD (1920x1080)"));
    EXPECT_TRUE(actions[12]->isSeparator());
    EXPECT_EQ(actions[18]->data().toInt(), ID_SIZE_1600);
    EXPECT_EQ(menu->title(), QStringLiteral("Predefined sizes"));
    delete menu;
    EXPECT_EQ(PresetMenuTitle(IDR_PAPER_PRESETS), QStringLiteral("Print Predefined sizes"));
    EXPECT_EQ(PresetMenuTitle(IDR_RES_PRESETS), QStringLiteral("Predefined res"));
    EXPECT_TRUE(PresetMenuEntries(999).empty());
}

TEST(PresetMenus, PixelPresetsAreTheSizesTheirTextsName) {
    static const QRegularExpression size(QStringLiteral("\\((\\d+)x(\\d+)\\)$"));
    ASSERT_EQ(PixelPresets().size(), 16u);
    for (const PixelPreset& preset : PixelPresets()) {
        const QString text = PresetMenuText(IDR_SIZE_PRESETS, preset.id);
        const QRegularExpressionMatch match = size.match(text);
        ASSERT_TRUE(match.hasMatch()) << text.toStdString();
        EXPECT_EQ(preset.width, match.captured(1).toInt()) << text.toStdString();
        EXPECT_EQ(preset.height, match.captured(2).toInt()) << text.toStdString();
    }
}

TEST(PresetMenus, PaperValuesAndEntries) {
    struct Value {
        const char* text;
        std::optional<double> value;
    };
    const Value values[] = {
        {"8 1/2", 8.5}, {"3 7/8", 3.875}, {"148.5", 148.5}, {"1/2", 0.5}, {"11", 11.0},
        {"8 1/0", {}},  {"x/2", {}},      {"8 1/", {}},     {"/2", {}},   {"a 1/2", {}},
    };
    for (const Value& v : values) {
        SCOPED_TRACE(v.text);
        EXPECT_EQ(ParsePaperValue(QString::fromLatin1(v.text)), v.value);
    }
    struct Entry {
        const char* text;
        std::optional<PaperSize> size;
    };
    const Entry entries[] = {
        {"A4 (210x297 mm)", PaperSize{210, 297, true}},
        {"A6 Card (105x148.5 mm)", PaperSize{105, 148.5, true}},
        {"US Letter (8 1/2x11 inch)", PaperSize{8.5, 11, false}},
        {"6 3/4 Envelope (3 5/8x6 1/2 inch)", PaperSize{3.625, 6.5, false}},
        {"Statement (5 1/2x8 1/2 inch)", PaperSize{5.5, 8.5, false}},
        {"No size", std::nullopt},
        {"Broken (210 mm)", std::nullopt},
        {"Zero (0x297 mm)", std::nullopt},
        {"Open (210x297 mm", std::nullopt},
        {"Unit (210x297)", std::nullopt},
    };
    for (const Entry& e : entries) {
        SCOPED_TRACE(e.text);
        const std::optional<PaperSize> size = ParsePaperEntry(QString::fromLatin1(e.text));
        ASSERT_EQ(size.has_value(), e.size.has_value());
        if (size) {
            EXPECT_DOUBLE_EQ(size->first, e.size->first);
            EXPECT_DOUBLE_EQ(size->second, e.size->second);
            EXPECT_EQ(size->millimetres, e.size->millimetres);
        }
    }
    EXPECT_EQ(ParseResolutionEntry(QStringLiteral("300 DPI")), 300.0);
    EXPECT_EQ(ParseResolutionEntry(QStringLiteral("4800 DPI")), 4800.0);
    EXPECT_EQ(ParseResolutionEntry(QStringLiteral("Default Printer")), std::nullopt);
    EXPECT_EQ(ParseResolutionEntry(QStringLiteral("0 DPI")), std::nullopt);
}

// A second, independent reading of a paper text: "(W x H unit)" with
// values such as "8 1/2".
double ReadValue(const QString& text) {
    static const QRegularExpression fraction(QStringLiteral("^(?:(\\d+) )?(\\d)/(\\d)$"));
    const QRegularExpressionMatch match = fraction.match(text);
    if (!match.hasMatch())
        return text.toDouble();
    return match.captured(1).toDouble() + match.captured(2).toDouble() / match.captured(3).toDouble();
}

// ---------------------------------------------------------------------------
// Through the panel

TEST_F(PanelTest, EveryPaperEntryGivesTheSizeItsTextSays) {
    static const QRegularExpression paper(QStringLiteral("\\(([^x()]+)x([^()]+) (mm|inch)\\)$"));
    settings.m_nSizeUnits = 1;  // millimetres
    Open(std::nullopt);
    settings.m_bBatchMode = 1;  // the paper button is live without an image in batch mode
    panel->SetBatchMode();
    for (const PresetMenuEntry& entry : Commands(IDR_PAPER_PRESETS)) {
        const QString text = QString::fromUtf8(entry.text);
        SCOPED_TRACE(entry.text);
        const QRegularExpressionMatch match = paper.match(text);
        ASSERT_TRUE(match.hasMatch());
        const bool mm = match.captured(3) == QStringLiteral("mm");
        double a = ReadValue(match.captured(1));
        double b = ReadValue(match.captured(2));
        if (a > b)
            std::swap(a, b);  // upright without an image
        auto pixels = [mm](double side) { return static_cast<int>(mm ? side * 300.0 / 25.4 : side * 300.0); };
        settings.m_nWidth = settings.m_nHeight = 1;
        ASSERT_TRUE(ChoosePreset(IDC_PAPER_PRESETS, entry.id));
        EXPECT_EQ(settings.m_nWidth, pixels(a));
        EXPECT_EQ(settings.m_nHeight, pixels(b));
        EXPECT_NEAR(Text(IDC_PRINT_WIDTH).toDouble(), mm ? a : a * 25.4, 1e-3 * b);
        EXPECT_NEAR(Text(IDC_PRINT_HEIGHT).toDouble(), mm ? b : b * 25.4, 1e-3 * b);
    }
}

TEST_F(PanelTest, PaperPresetCases) {
    struct Case {
        const char* entry;
        int imageWidth, imageHeight;  // 0: no image
        int correction;
        int sizeUnits;
        int width, height;
        const char* printWidth;
        const char* printHeight;
    };
    const Case cases[] = {
        {"A4 (210x297 mm)", 0, 0, 0, 1, 2480, 3507, "210", "297"},  // 3507.87, truncated
        {"A4 (210x297 mm)", 0, 0, 0, 2, 2480, 3507, "21", "29.7"},
        {"A4 (210x297 mm)", 0, 0, 0, 0, 2480, 3507, "8.26772", "11.6929"},
        {"US Letter (8 1/2x11 inch)", 4000, 3000, 2, 0, 3300, 2550, "11", "8.5"},
        {"Photo (6x4 inch)", 4000, 3000, 0, 0, 1600, 1200, "5.33333", "4"},
        {"A5 (148x210 mm)", 0, 0, 0, 1, 1748, 2480, "148", "210"},
        {"#14 Envelope (5x11 1/2 inch)", 0, 0, 0, 0, 1500, 3450, "5", "11.5"},
        {"#14 Envelope (5x11 1/2 inch)", 3000, 3000, 2, 3, 1500, 3450, "30", "69"},  // square: upright
        {"Ledger (17x11 inch)", 3000, 4000, 2, 4, 3300, 5100, "792", "1224"},        // portrait: turned
        {"A6 Card (105x148.5 mm)", 0, 0, 0, 0, 1240, 1753, "4.13386", "5.84646"},    // 1753.9
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.entry << " " << c.imageWidth << "x" << c.imageHeight);
        DefaultSettings(settings);
        settings.m_nCorrectProp = c.correction;
        settings.m_nSizeUnits = c.sizeUnits;
        settings.m_bBatchMode = 1;
        Open(c.imageWidth ? std::optional(MakeImage(c.imageWidth, c.imageHeight)) : std::nullopt);
        const int id = PaperEntryId(c.entry);
        ASSERT_NE(id, 0);
        ASSERT_TRUE(ChoosePreset(IDC_PAPER_PRESETS, id));
        EXPECT_EQ(settings.m_nWidth, c.width);
        EXPECT_EQ(settings.m_nHeight, c.height);
        EXPECT_EQ(Text(IDC_PRINT_WIDTH), QString::fromLatin1(c.printWidth));
        EXPECT_EQ(Text(IDC_PRINT_HEIGHT), QString::fromLatin1(c.printHeight));
        EXPECT_GE(host.batchRefreshes, 1);
    }
}

// Paper sides are truncated to whole pixels, after a tolerance for the
// rounding of a stored resolution: a PNG written at 300 dpi holds 11811 dots
// per metre, which read back as 299.9994 dpi, and 6 inches at that are
// 1799.996 pixels.
TEST_F(PanelTest, PaperPresetTruncatesPastTheRoundingOfAStoredResolution) {
    constexpr float kPng300Dpi = 11811 * 0.0254f;
    struct Case {
        const char* entry;
        float dpi;
        int imageWidth, imageHeight;  // 0: no image
        int correction;
        int width, height;
    };
    const Case cases[] = {
        {"Photo (6x4 inch)", kPng300Dpi, 6000, 4000, 0, 1800, 1200},
        {"Photo (6x4 inch)", kPng300Dpi, 0, 0, 0, 1200, 1800},
        {"Photo (6x4 inch)", kPng300Dpi, 4000, 6000, 0, 1200, 1800},
        {"Photo (10x8 inch)", kPng300Dpi, 3000, 2400, 0, 3000, 2400},
        {"Photo (5x3 1/2 inch)", kPng300Dpi, 5000, 3500, 0, 1500, 1050},
        {"A4 (210x297 mm)", 300.0f, 0, 0, 0, 2480, 3507},              // 2480.31 x 3507.87
        {"A4 (210x297 mm)", kPng300Dpi, 0, 0, 0, 2480, 3507},          // 2480.31 x 3507.86
        {"A4 (210x297 mm)", 72.0f, 1000, 800, 2, 841, 595},            // across: 841.89 x 595.28
        {"A6 Card (105x148.5 mm)", 300.0f, 1000, 800, 2, 1753, 1240},  // 1753.94 x 1240.16
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.entry << " at " << c.dpi << " " << c.imageWidth << "x" << c.imageHeight);
        DefaultSettings(settings);
        settings.m_bBatchMode = 1;
        settings.m_nCorrectProp = c.correction;
        settings.m_fDpi = 96.0f;
        Open(c.imageWidth ? std::optional(MakeImage(c.imageWidth, c.imageHeight, c.dpi)) : std::nullopt);
        if (c.imageWidth)
            ASSERT_TRUE(ChoosePreset(IDC_RES_PRESETS, ID_RES_ORIGINAL));  // the picture's own resolution
        else
            settings.m_fDpi = c.dpi;
        const int id = PaperEntryId(c.entry);
        ASSERT_NE(id, 0);
        ASSERT_TRUE(ChoosePreset(IDC_PAPER_PRESETS, id));
        EXPECT_EQ(settings.m_nWidth, c.width);
        EXPECT_EQ(settings.m_nHeight, c.height);
        EXPECT_EQ(Text(IDC_WIDTH), QString::number(c.width));
        EXPECT_EQ(Text(IDC_HEIGHT), QString::number(c.height));
    }
}

TEST_F(PanelTest, PaperPresetIsNotLimitedToTheTypedRange) {
    settings.m_fDpi = 4800.0f;
    settings.m_nCorrectProp = 2;
    Open(MakeImage(3000, 4000));
    ASSERT_TRUE(ChoosePreset(IDC_PAPER_PRESETS, ID_PAPER_FIRST));  // A0
    EXPECT_EQ(settings.m_nWidth, 158929);
    EXPECT_EQ(settings.m_nHeight, 224692);
    EXPECT_EQ(Text(IDC_RAW_SIZE), QStringLiteral("Raw size: 99.8GB"));
    // A resolution change later stays within what an int holds.
    ASSERT_TRUE(ChoosePreset(IDC_RES_PRESETS, ID_RES_4800));
    EXPECT_EQ(settings.m_nWidth, 158929);
    ASSERT_TRUE(ChoosePreset(IDC_RES_PRESETS, ID_RES_72));
    EXPECT_EQ(settings.m_nWidth, 2384);
}

TEST_F(PanelTest, PixelPresetCases) {
    struct Case {
        int id;
        int imageWidth, imageHeight;
        int correction;
        int width, height;
    };
    const Case cases[] = {
        {ID_SIZE_640, 3000, 4000, 0, 360, 480},        {ID_SIZE_640, 3000, 4000, 2, 640, 480},
        {ID_SIZE_HD, 4000, 3000, 0, 1440, 1080},       {ID_SIZE_DVD_NTSC_FULL, 4000, 3000, 1, 720, 480},
        {ID_SIZE_1600, 1600, 1200, 0, 1600, 1200},     {ID_SIZE_MULTIMEDIA, 10, 1000, 0, 3, 240},
        {ID_SIZE_ORIGINAL, 4000, 3000, 0, 4000, 3000}, {ID_SIZE_ORIGINAL, 1234, 567, 2, 1234, 567},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.id << " " << c.imageWidth << "x" << c.imageHeight);
        DefaultSettings(settings);
        settings.m_nCorrectProp = c.correction;
        Open(MakeImage(c.imageWidth, c.imageHeight));
        ASSERT_TRUE(ChoosePreset(IDC_SCREEN_PRESETS, c.id));
        EXPECT_EQ(settings.m_nWidth, c.width);
        EXPECT_EQ(settings.m_nHeight, c.height);
        EXPECT_EQ(Text(IDC_WIDTH), QString::number(c.width));
        EXPECT_EQ(Text(IDC_HEIGHT), QString::number(c.height));
        EXPECT_EQ(doc.redraws, 1);
    }
}

TEST_F(PanelTest, EveryPixelPresetWithoutAnImageInBatchMode) {
    settings.m_bBatchMode = 1;
    Open(std::nullopt);
    for (const PixelPreset& preset : PixelPresets()) {
        SCOPED_TRACE(preset.id);
        ASSERT_TRUE(ChoosePreset(IDC_SCREEN_PRESETS, preset.id));
        EXPECT_EQ(settings.m_nWidth, preset.width);
        EXPECT_EQ(settings.m_nHeight, preset.height);
    }
    // "Original size" needs an image.
    EXPECT_FALSE(ChoosePreset(IDC_SCREEN_PRESETS, ID_SIZE_ORIGINAL));
    panel->RunCommand(ID_SIZE_ORIGINAL);
    EXPECT_EQ(settings.m_nWidth, 1600);
}

TEST_F(PanelTest, ResolutionPresetCases) {
    struct Case {
        int id;
        int editPrints;
        int width, height;
        float dpi;
        const char* shown;
        const char* printWidth = "10";  // inches, kept while editing pixels
    };
    // From 3000 x 2000 at 300 dpi, the image at 72 dpi.
    const Case cases[] = {
        {ID_RES_72, 0, 720, 480, 72.0f, "72"},           {ID_RES_96, 0, 960, 640, 96.0f, "96"},
        {ID_RES_120, 0, 1200, 800, 120.0f, "120"},       {ID_RES_300, 0, 3000, 2000, 300.0f, "300"},
        {ID_RES_600, 0, 6000, 4000, 600.0f, "600"},      {ID_RES_1200, 0, 12000, 8000, 1200.0f, "1200"},
        {ID_RES_2400, 0, 24000, 16000, 2400.0f, "2400"}, {ID_RES_4800, 0, 48000, 32000, 4800.0f, "4800"},
        {ID_RES_ORIGINAL, 0, 720, 480, 72.0f, "72"},     {ID_RES_72, 1, 3000, 2000, 72.0f, "72", "41.6667"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.id << " prints " << c.editPrints);
        DefaultSettings(settings);
        settings.m_nWidth = 3000;
        settings.m_nHeight = 2000;
        settings.m_nEditPrints = c.editPrints;
        settings.m_nCorrectProp = 2;
        Open(MakeImage(4000, 3000, 72.0f));
        ASSERT_TRUE(ChoosePreset(IDC_RES_PRESETS, c.id));
        EXPECT_FLOAT_EQ(settings.m_fDpi, c.dpi);
        EXPECT_EQ(settings.m_nWidth, c.width);
        EXPECT_EQ(settings.m_nHeight, c.height);
        EXPECT_EQ(Text(IDC_RESOLUTION), QString::fromLatin1(c.shown));
        EXPECT_EQ(Text(IDC_PRINT_WIDTH), QString::fromLatin1(c.printWidth));
    }
}

TEST_F(PanelTest, DefaultPrinterEntryWithAndWithoutAPrinter) {
    printerDpi = 600;
    settings.m_nWidth = 3000;
    settings.m_nHeight = 2000;
    settings.m_nCorrectProp = 2;
    Open(MakeImage(4000, 3000));
    EXPECT_EQ(printerQueries, 0);  // asked only when needed
    ASSERT_TRUE(ChoosePreset(IDC_RES_PRESETS, ID_RES_PRINTER));
    EXPECT_FLOAT_EQ(settings.m_fDpi, 600.0f);
    EXPECT_EQ(settings.m_nWidth, 6000);
    ASSERT_TRUE(ChoosePreset(IDC_RES_PRESETS, ID_RES_PRINTER));
    EXPECT_EQ(printerQueries, 1);  // and kept

    printerDpi.reset();
    panel->SetPrinterQuery([this] {
        ++printerQueries;
        return printerDpi;
    });
    EXPECT_FALSE(ChoosePreset(IDC_RES_PRESETS, ID_RES_PRINTER));  // disabled
    EXPECT_FALSE(panel->QueryCommand(ID_RES_PRINTER).enabled);
    panel->RunCommand(ID_RES_PRINTER);  // and, if it came anyway, nothing changes
    EXPECT_FLOAT_EQ(settings.m_fDpi, 600.0f);
    EXPECT_EQ(settings.m_nWidth, 6000);
}

TEST_F(PanelTest, OriginalResolutionNeedsAnImage) {
    Open(std::nullopt);
    EXPECT_FALSE(panel->QueryCommand(ID_RES_ORIGINAL).enabled);
    EXPECT_FALSE(ChoosePreset(IDC_RES_PRESETS, ID_RES_ORIGINAL));
    panel->RunCommand(ID_RES_ORIGINAL);
    EXPECT_FLOAT_EQ(settings.m_fDpi, 300.0f);
    // The other entries work without an image.
    ASSERT_TRUE(ChoosePreset(IDC_RES_PRESETS, ID_RES_96));
    EXPECT_FLOAT_EQ(settings.m_fDpi, 96.0f);
}

TEST_F(PanelTest, EveryPresetCommandReachesThePanelThroughItsTable) {
    settings.m_bBatchMode = 1;
    printerDpi = 360;
    Open(MakeImage(4000, 3000));
    for (const MenuCase& m : kMenus) {
        for (const PresetMenuEntry& entry : Commands(m.menu)) {
            SCOPED_TRACE(entry.text);
            EXPECT_TRUE(panel->QueryCommand(entry.id).enabled);
            EXPECT_TRUE(panel->RunCommand(entry.id));
        }
    }
    EXPECT_FALSE(panel->RunCommand(ID_PAPER_LAST + 1));
    EXPECT_FALSE(panel->RunCommand(ID_RES_FIRST - 1));
}

TEST_F(PanelTest, PresetButtonsOpenAtTheButtonOrTheCursor) {
    settings.m_bBatchMode = 1;
    Open(std::nullopt);
    auto* button = Control<QPushButton>(IDC_RES_PRESETS);
    QCursor::setPos(button->mapToGlobal(QPoint(-50, -50)));
    Click(IDC_RES_PRESETS);
    QMenu* menu = panel->ActivePresetMenu();
    ASSERT_NE(menu, nullptr);
    EXPECT_TRUE(menu->isVisible());
    EXPECT_EQ(menu->title(), QStringLiteral("Predefined res"));
    EXPECT_EQ(menu->actions().size(), 11);
    const QPoint centre = button->mapToGlobal(button->rect().center());
    EXPECT_LE((menu->pos() - centre).manhattanLength(), 2);
    menu->close();
}

}  // namespace
