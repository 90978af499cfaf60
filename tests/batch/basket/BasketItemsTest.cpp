// The basket's operations on its items: sizes from the settings and from the
// image's header, adding files by drop, paste and the command line, removing
// the selected items, the click that gives the settings an item's own, the
// tooltip, loading and saving batch files with the basket unchanged on any
// failure, and the immediate thumbnail load.
#include "batch/basket/BasketItems.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QTemporaryDir>

#include <cmath>
#include <limits>

#include "batch/basket/BasketStrings.h"
#include "batch/basket/BasketThumbnail.h"
#include "batch/basket/BatchFile.h"
#include "browser/cache/ThumbCache.h"
#include "browser/items/ItemList.h"
#include "core/settings/AppSettings.h"
#include "platform/resources/StringTable.h"
#include "support/FifoFixtures.h"
#include "support/FileFixtures.h"
#include "tests/batch/BatchFixtures.h"
#include "tests/batch/ModeNames.h"

namespace {

using platform::PromptAnswer;

AppSettings PixelSettings(int w, int h, int correction) {
    AppSettings s;
    s.m_nWidth = w;
    s.m_nHeight = h;
    s.m_fDpi = 300.0f;
    s.m_nCorrectProp = correction;
    s.m_nInterpolMode = 6;
    return s;
}

// A picture file of w x h at the given resolution.
QString WritePicture(const QString& path, int w, int h, double dpi = 72.0, const char* format = "PNG") {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    image.setDotsPerMeterX(static_cast<int>(std::lround(dpi / 0.0254)));
    image.setDotsPerMeterY(static_cast<int>(std::lround(dpi / 0.0254)));
    EXPECT_TRUE(image.save(path, format)) << path.toStdString();
    return path;
}

struct SizeCase {
    const char* name;
    AppSettings settings;
    std::optional<ItemImageFacts> facts;
    bool keepOwn;
    int width, height;
    float dpi;
};

AppSettings Percent(double w, double h) {
    AppSettings s = PixelSettings(10, 10, 0);
    s.m_nInPercents = 1;
    s.m_dPercentW = w;
    s.m_dPercentH = h;
    return s;
}

TEST(ComputeItemSize, FollowsTheSettingsAndTheImage) {
    const ItemImageFacts landscape{3000, 2000, 240.0}, portrait{2000, 3000, 240.0}, tie{4000, 3000, 240.0};
    const SizeCase cases[] = {
        {"percent 50 x 50 of 1001 x 667", Percent(50, 50), ItemImageFacts{1001, 667, 72.0}, false, 501, 334, 300.0f},
        {"percent of an unreadable image", Percent(50, 50), std::nullopt, false, 0, 0, 300.0f},
        {"percent with one side 0 is pixels", Percent(50, 0), landscape, false, 10, 6, 300.0f},
        {"keep aspect, landscape", PixelSettings(640, 480, 0), landscape, false, 640, 426, 300.0f},
        {"keep aspect, portrait", PixelSettings(640, 480, 0), portrait, false, 320, 480, 300.0f},
        {"keep aspect, a tie takes the second branch", PixelSettings(640, 480, 0), tie, false, 640, 480, 300.0f},
        {"keep aspect, unreadable image", PixelSettings(640, 480, 0), std::nullopt, false, 640, 480, 300.0f},
        // The panel's own pairs (one side typed, the other derived from it
        // with the image's aspect) come out as the panel shows them.
        {"width 800 typed for 1500 x 1000", PixelSettings(800, 533, 0), ItemImageFacts{1500, 1000, 72.0}, false, 800,
         533, 300.0f},
        {"width 799 typed for 1500 x 1000", PixelSettings(799, 532, 0), ItemImageFacts{1500, 1000, 72.0}, false, 799,
         532, 300.0f},
        {"height 800 typed for 1000 x 1500", PixelSettings(533, 800, 0), ItemImageFacts{1000, 1500, 72.0}, false, 533,
         800, 300.0f},
        {"width 1000 typed for 4000 x 3001", PixelSettings(1000, 750, 0), ItemImageFacts{4000, 3001, 72.0}, false, 1000,
         750, 300.0f},
        // A side made from the other is at least one pixel.
        {"keep aspect, 4 x 2000", PixelSettings(160, 120, 0), ItemImageFacts{4, 2000, 72.0}, false, 1, 120, 300.0f},
        {"keep aspect, 2000 x 4", PixelSettings(160, 120, 0), ItemImageFacts{2000, 4, 72.0}, false, 160, 1, 300.0f},
        // A resolution the file states beyond the settings' range.
        {"own size, 0.01 dpi", PixelSettings(640, 480, 0), ItemImageFacts{20, 10, 0.01}, true, 20, 10, 1.0f},
        {"own size, 1e9 dpi", PixelSettings(640, 480, 0), ItemImageFacts{20, 10, 1e9}, true, 20, 10, 100000.0f},
        {"crop", PixelSettings(640, 480, 1), portrait, false, 640, 480, 300.0f},
        {"none", PixelSettings(640, 480, 2), landscape, false, 640, 480, 300.0f},
        {"own size", PixelSettings(640, 480, 0), ItemImageFacts{1200, 800, 72.0}, true, 1200, 800, 72.0f},
        {"own size of an unreadable image stays", PixelSettings(640, 480, 0), std::nullopt, true, 11, 22, 33.0f},
        // Products past 32 bits: 100000 x 3000000000 would wrap.
        {"keep aspect in 64 bits", PixelSettings(100000, 100000, 0), ItemImageFacts{3000000000LL, 2000000000LL, 72.0},
         false, 100000, 66666, 300.0f},
        {"keep aspect in 64 bits, tall", PixelSettings(100000, 100000, 0),
         ItemImageFacts{2000000000LL, 3000000000LL, 72.0}, false, 66666, 100000, 300.0f},
    };
    for (const SizeCase& c : cases) {
        CItem item(AppSettings{});
        item.m_nTargetWidth = 11;
        item.m_nTargetHeight = 22;
        item.m_fTargetDpi = 33.0f;
        ComputeItemSize(item, c.keepOwn, c.settings, c.facts);
        EXPECT_EQ(item.m_nTargetWidth, c.width) << c.name;
        EXPECT_EQ(item.m_nTargetHeight, c.height) << c.name;
        EXPECT_EQ(item.m_fTargetDpi, c.dpi) << c.name;
        // The algorithm and correction always follow the settings.
        EXPECT_EQ(item.m_nMode, c.settings.m_nInterpolMode) << c.name;
        EXPECT_EQ(item.m_nCorrection, c.settings.m_nCorrectProp) << c.name;
    }
}

TEST(ComputeItemSize, PercentagesBeyondAnyOutputAreBroughtIntoRange) {
    // 1e300 % would overflow an int conversion; a tiny one would give 0.
    CItem huge(AppSettings{});
    ComputeItemSize(huge, false, Percent(1e300, 1e-9), ItemImageFacts{1000, 1000, 72.0});
    EXPECT_GT(huge.m_nTargetWidth, 0);
    EXPECT_LE(huge.m_nTargetWidth, 100000);
    EXPECT_GT(huge.m_nTargetHeight, 0);
}

class BasketFilesTest : public ::testing::Test {
protected:
    QString Path(const QString& name) const { return dir_.path() + u'/' + name; }
    QString Picture(const QString& name, int w, int h, double dpi = 72.0) {
        return WritePicture(Path(name), w, h, dpi);
    }
    std::vector<QString> Paths() const {
        std::vector<QString> paths;
        for (const auto& item : items_)
            paths.push_back(item->m_strPath);
        return paths;
    }
    std::vector<CItem*> Items() {
        std::vector<CItem*> pointers;
        for (auto& item : items_)
            pointers.push_back(item.get());
        return pointers;
    }

    QTemporaryDir dir_;
    CITEMLIST items_;
    AppSettings settings_ = PixelSettings(640, 480, 0);
};

TEST_F(BasketFilesTest, HeaderGivesSizeAndResolution) {
    const auto facts = ReadItemImageFacts(Picture(QStringLiteral("a.png"), 120, 80, 150.0));
    ASSERT_TRUE(facts.has_value());
    EXPECT_EQ(facts->width, 120);
    EXPECT_EQ(facts->height, 80);
    EXPECT_NEAR(facts->dpi, 150.0, 0.05);
    const QString jpeg = WritePicture(Path(QStringLiteral("b.jpg")), 64, 48, 96.0, "JPEG");
    ASSERT_TRUE(ReadItemImageFacts(jpeg).has_value());
    EXPECT_EQ(ReadItemImageFacts(jpeg)->width, 64);
    ASSERT_TRUE(WriteFile(Path(QStringLiteral("notes.txt")), "not a picture"));
    EXPECT_FALSE(ReadItemImageFacts(Path(QStringLiteral("notes.txt"))).has_value());
    EXPECT_FALSE(ReadItemImageFacts(Path(QStringLiteral("missing.png"))).has_value());
}

TEST_F(BasketFilesTest, DroppedFilesKeepTheirOwnSizeWithApplyToNewOff) {
    settings_.m_nApplyToAll = 0;
    ASSERT_EQ(AddBasketFiles(items_, {Picture(QStringLiteral("big.png"), 1200, 800, 72.0)}, settings_), 1);
    const CItem& item = *items_.begin()->get();
    EXPECT_EQ(item.m_nTargetWidth, 1200);
    EXPECT_EQ(item.m_nTargetHeight, 800);
    EXPECT_NEAR(item.m_fTargetDpi, 72.0f, 0.05f);
    EXPECT_EQ(item.m_nMode, 6);
    EXPECT_EQ(item.m_bSelected, 0);
}

TEST_F(BasketFilesTest, DroppedFilesTakeThePanelsSettingsWithApplyToNewOn) {
    settings_.m_nApplyToAll = 1;
    AddBasketFiles(items_, {Picture(QStringLiteral("big.png"), 3000, 2000)}, settings_);
    const CItem& item = *items_.begin()->get();
    EXPECT_EQ(item.m_nTargetWidth, 640);
    EXPECT_EQ(item.m_nTargetHeight, 426);
    EXPECT_EQ(item.m_fTargetDpi, 300.0f);
}

// Pictures far narrower or flatter than the box get one pixel on their
// short side, and the run resizes them rather than calling them unreadable.
TEST_F(BasketFilesTest, NarrowPicturesFittedIntoTheBoxAreResized) {
    settings_ = PixelSettings(160, 120, 0);
    settings_.m_nApplyToAll = 1;
    settings_.m_nInterpolMode = 3;
    const QStringList files = {Picture(QStringLiteral("narrow.png"), 4, 2000),
                               Picture(QStringLiteral("flat.png"), 2000, 4)};
    ASSERT_EQ(AddBasketFiles(items_, files, settings_), 2);
    const std::vector<CItem*> items = Items();
    EXPECT_EQ(QSize(items[0]->m_nTargetWidth, items[0]->m_nTargetHeight), QSize(1, 120));
    EXPECT_EQ(QSize(items[1]->m_nTargetWidth, items[1]->m_nTargetHeight), QSize(160, 1));

    const QString out = Path(QStringLiteral("out/"));
    ASSERT_TRUE(QDir().mkpath(out));
    settings_.m_strOutFolder = out;
    batchtests::RecordingReporter reporter;
    BatchThreadProc(BatchRun::Snapshot(items_, settings_), reporter, nullptr);
    EXPECT_EQ(reporter.Statuses(), (std::vector<int>{BATCH_ITEM_STARTED, BATCH_ITEM_STARTED}));
    for (const QString& log : reporter.Logs())
        EXPECT_FALSE(log.contains(QStringLiteral("cannot be read"))) << log.toStdString();
    EXPECT_EQ(QImage(out + QStringLiteral("narrow.png")).size(), QSize(1, 120));
    EXPECT_EQ(QImage(out + QStringLiteral("flat.png")).size(), QSize(160, 1));
}

// An item the run cannot size is called unreadable only when its file is:
// a readable picture with a side of 0 is told its output cannot be made. An
// unreadable one (an empty JPEG file added to the basket keeps its 0 x 0)
// gets that one block, and no output of 0 x 0 pixels is announced for it.
TEST_F(BasketFilesTest, OnlyAnUnreadableFileIsCalledUnreadable) {
    ASSERT_TRUE(WriteFile(Path(QStringLiteral("notes.png")), "not a picture"));
    ASSERT_TRUE(WriteFile(Path(QStringLiteral("zero.jpg")), ""));
    ASSERT_EQ(AddBasketFiles(items_, {Path(QStringLiteral("zero.jpg"))}, settings_), 1);
    ASSERT_EQ((*items_.begin())->m_nTargetWidth, 0);
    BatchRun run;
    run.options.sameFolder = 1;
    run.items.push_back(batchtests::MakeItem(Picture(QStringLiteral("narrow.png"), 4, 2000), 0, 120, 3));
    run.items.push_back(batchtests::MakeItem(Path(QStringLiteral("notes.png")), 0, 0, 3));
    run.items.push_back(**items_.begin());
    batchtests::RecordingReporter reporter;
    BatchThreadProc(run, reporter, nullptr);
    EXPECT_EQ(reporter.Statuses(),
              (std::vector<int>{BATCH_ITEM_STARTED, BATCH_ITEM_NO_MEMORY, BATCH_ITEM_NO_SIZE, BATCH_ITEM_NO_SIZE}));
    ASSERT_EQ(reporter.Logs().size(), 4u);
    EXPECT_FALSE(reporter.Logs()[1].contains(QStringLiteral("cannot be read")));
    EXPECT_TRUE(reporter.Logs()[2].contains(QStringLiteral("cannot be read")));
    EXPECT_EQ(reporter.Logs()[3],
              QStringLiteral("File 3 from 3\nInput file\nFolder: %1/\nName: zero.jpg\nCan't read the "
                             "image size of\n%1/zero.jpg!\nThe file cannot be read or is not "
                             "an image.\n\n")
                  .arg(dir_.path()));
    for (const QString& log : reporter.Logs())
        EXPECT_FALSE(log.contains(QStringLiteral("RESIZED_TO_0x0"))) << log.toStdString();
    EXPECT_EQ(Entries(dir_.path()), (QStringList{"narrow.png", "notes.png", "zero.jpg"}));
}

TEST_F(BasketFilesTest, AFileAlreadyInTheBasketAsksForASecondCopy) {
    const QString a = Picture(QStringLiteral("a.png"), 10, 10);
    AddBasketFiles(items_, {a}, settings_);
    {
        ScriptedAnswers answers({PromptAnswer::No});
        // The same file with other letter case counts as the same.
        EXPECT_EQ(
            AddBasketFiles(items_, {Path(QStringLiteral("A.PNG"))}, settings_) + AddBasketFiles(items_, {a}, settings_),
            0);
        ASSERT_EQ(answers.Questions().size(), 2u);
        const QString asked = answers.Questions()[1].text;
        EXPECT_TRUE(asked.contains(a)) << asked.toStdString();
        EXPECT_TRUE(asked.startsWith(QStringLiteral("File\n"))) << asked.toStdString();
        EXPECT_TRUE(asked.contains(QStringLiteral("is already selected for batch."))) << asked.toStdString();
        EXPECT_EQ(answers.Questions()[1].buttons, platform::PromptButtons::YesNo);
    }
    EXPECT_EQ(items_.GetCount(), 1u);
    ScriptedAnswers yes({PromptAnswer::Yes});
    EXPECT_EQ(AddBasketFiles(items_, {a}, settings_), 1);
    EXPECT_EQ(Paths(), (std::vector<QString>{a, a}));
}

TEST_F(BasketFilesTest, AnyFileIsAddedWholeAndInOrder) {
    // No extension filter and no cut at 260 characters.
    QString deep = dir_.path();
    while (deep.size() < 300)
        deep += QStringLiteral("/a-rather-long-folder-name");
    ASSERT_TRUE(QDir().mkpath(deep));
    const QString longPath = WritePicture(deep + QStringLiteral("/picture.png"), 20, 10);
    ASSERT_GT(longPath.size(), 300);
    ASSERT_TRUE(WriteFile(Path(QStringLiteral("notes.txt")), "text"));
    const QString missing = Path(QStringLiteral("gone.jpg"));
    std::vector<QString> thumbnails;
    const int added = AddBasketFiles(items_, {longPath, Path(QStringLiteral("notes.txt")), missing}, settings_,
                                     [&](const QString& path) { thumbnails.push_back(path); });
    EXPECT_EQ(added, 3);
    EXPECT_EQ(Paths(), (std::vector<QString>{longPath, Path(QStringLiteral("notes.txt")), missing}));
    EXPECT_EQ(thumbnails, Paths());
    // Files that cannot be read keep 0 x 0 with their own size; the run reports them.
    EXPECT_EQ(Items()[1]->m_nTargetWidth, 0);
    EXPECT_EQ(Items()[0]->m_nTargetWidth, 20);
}

TEST_F(BasketFilesTest, TheCommandLineReplacesTheBasketWithTheFilesThatExist) {
    AddBasketFiles(items_, {Picture(QStringLiteral("old.png"), 5, 5)}, settings_);
    const QString a = Picture(QStringLiteral("a.png"), 30, 20), b = Picture(QStringLiteral("b.png"), 20, 30);
    ReplaceBasketFiles(items_, {a, Path(QStringLiteral("missing.png")), b}, settings_);
    EXPECT_EQ(Paths(), (std::vector<QString>{a, b}));
    EXPECT_EQ(Items()[1]->m_nTargetWidth, 20);
    EXPECT_EQ(Items()[1]->m_nTargetHeight, 30);
}

// A named pipe among the pictures would block the probe of its header for
// ever: from the command line, a drop or a paste it never becomes an item,
// it is named on the log, and the other files are added.
TEST_F(BasketFilesTest, NamedPipesNeverBecomeItems) {
    const QString a = Picture(QStringLiteral("a.png"), 30, 20), c = Picture(QStringLiteral("c.png"), 20, 30);
    const QString pipe = Path(QStringLiteral("b.jpg"));
    ASSERT_TRUE(fifotests::MakeFifo(pipe));
    fifotests::LogCapture log;
    int dropped = -1;
    std::vector<QString> thumbnails;
    CITEMLIST dropTarget;
    ASSERT_TRUE(fifotests::FinishesWithin({pipe}, [&] {
        ReplaceBasketFiles(items_, {a, pipe, c}, settings_);
        dropped =
            AddBasketFiles(dropTarget, {pipe, c}, settings_, [&](const QString& path) { thumbnails.push_back(path); });
    }));
    EXPECT_EQ(Paths(), (std::vector<QString>{a, c}));
    EXPECT_EQ(Items()[1]->m_nTargetWidth, 20);
    EXPECT_EQ(dropped, 1);
    EXPECT_EQ(dropTarget.GetCount(), 1u);
    EXPECT_EQ(thumbnails, std::vector<QString>{c});
    EXPECT_EQ(log.Count(QStringLiteral("basket: ") + pipe + QStringLiteral(" is not a regular file")), 1);
}

TEST_F(BasketFilesTest, ApplyingSettingsToAllOrToTheSelected) {
    const QString a = Picture(QStringLiteral("a.png"), 300, 200), b = Picture(QStringLiteral("b.png"), 200, 300);
    AddBasketFiles(items_, {a, b}, settings_);
    Items()[1]->m_bSelected = 1;
    ApplySettingsToSelected(items_, PixelSettings(60, 60, 0));
    EXPECT_EQ(Items()[0]->m_nTargetWidth, 300);
    EXPECT_EQ(Items()[1]->m_nTargetWidth, 40);
    EXPECT_EQ(Items()[1]->m_nTargetHeight, 60);
    ApplySettingsToAll(items_, PixelSettings(90, 90, 2));
    for (CItem* item : Items()) {
        EXPECT_EQ(item->m_nTargetWidth, 90);
        EXPECT_EQ(item->m_nCorrection, 2);
    }
}

TEST_F(BasketFilesTest, RemoveSelectedDeletesOnlyTheSelected) {
    for (const char* name : {"a.png", "b.png", "c.png", "d.png"})
        AddBasketFiles(items_, {Picture(QLatin1String(name), 4, 4)}, settings_);
    Items()[0]->m_bSelected = 1;
    Items()[2]->m_bSelected = 1;
    Items()[3]->m_bSelected = 1;
    EXPECT_EQ(RemoveSelectedItems(items_), 3);
    EXPECT_EQ(Paths(), (std::vector<QString>{Path(QStringLiteral("b.png"))}));
    EXPECT_EQ(RemoveSelectedItems(items_), 0);
}

TEST(ApplyItemSettings, TheClickGivesTheSettingsTheItemsOwn) {
    CItem item(AppSettings{});
    item.m_nTargetWidth = 800;
    item.m_nTargetHeight = 600;
    item.m_fTargetDpi = 72.0f;
    item.m_nMode = 3;
    item.m_nCorrection = 2;
    AppSettings s = PixelSettings(1, 2, 0);
    ASSERT_TRUE(ApplyItemSettings(item, s));
    EXPECT_EQ(s.m_nWidth, 800);
    EXPECT_EQ(s.m_nHeight, 600);
    EXPECT_EQ(s.m_fDpi, 72.0f);
    EXPECT_EQ(s.m_nInterpolMode, 3);
    EXPECT_EQ(s.m_nCorrectProp, 2);
}

TEST(ApplyItemSettings, NeverSizedOrDamagedItemsLeaveTheSettings) {
    struct Case {
        const char* name;
        int w, h;
        float dpi;
        int mode, correction;
    };
    const Case cases[] = {
        {"never sized", 0, 0, 72.0f, 3, 0},
        {"width only", 640, 0, 72.0f, 3, 0},
        {"a mode past the table", 640, 480, 72.0f, 10, 0},
        {"a negative mode", 640, 480, 72.0f, -1, 0},
        {"a correction past the table", 640, 480, 72.0f, 3, 3},
        {"a negative size", -640, 480, 72.0f, 3, 0},
        {"a resolution that is not a number", 640, 480, std::numeric_limits<float>::quiet_NaN(), 3, 0},
        {"a size no output may have", 2000000, 480, 72.0f, 3, 0},
    };
    for (const Case& c : cases) {
        CItem item(AppSettings{});
        item.m_nTargetWidth = c.w;
        item.m_nTargetHeight = c.h;
        item.m_fTargetDpi = c.dpi;
        item.m_nMode = c.mode;
        item.m_nCorrection = c.correction;
        AppSettings s = PixelSettings(1, 2, 1);
        EXPECT_FALSE(ApplyItemSettings(item, s)) << c.name;
        EXPECT_EQ(s.m_nWidth, 1) << c.name;
        EXPECT_EQ(s.m_nInterpolMode, 6) << c.name;
        EXPECT_EQ(s.m_nCorrectProp, 1) << c.name;
    }
}

TEST(BasketToolTip, ThreeLinesOfTheItemsSettings) {
    CITEMLIST items;
    CItem* item = items.AddTail(std::make_unique<CItem>(AppSettings{}, QStringLiteral("/a.jpg")));
    item->m_nTargetWidth = 800;
    item->m_nTargetHeight = 600;
    item->m_fTargetDpi = 72.0f;
    item->m_nMode = 3;
    EXPECT_EQ(BasketToolTipText(items, 0), QStringLiteral("Resize to: 800x600\nResolution: 72 DPI\nBicubic"));
    item->m_fTargetDpi = 72.5f;
    for (int mode = 0; mode < 10; ++mode) {
        item->m_nMode = mode;
        EXPECT_EQ(BasketToolTipText(items, 0),
                  QStringLiteral("Resize to: 800x600\nResolution: 72.5 DPI\n") + batchtests::kModeNames[mode])
            << mode;
    }
    // A damaged file's mode shows its number.
    item->m_nMode = 42;
    EXPECT_EQ(BasketToolTipText(items, 0), QStringLiteral("Resize to: 800x600\nResolution: 72.5 DPI\n42"));
    EXPECT_TRUE(BasketToolTipText(items, 1).isEmpty());
    EXPECT_TRUE(BasketToolTipText(items, -1).isEmpty());
}

TEST(BasketStrings, TheBasketsTexts) {
    EXPECT_EQ(BasketEmptyHint(), QStringLiteral("Drag'n'drop images into this area"));
    EXPECT_EQ(platform::LoadResString(IDS_LOAD_BATCH_TITLE), QStringLiteral("Load batch"));
    EXPECT_EQ(platform::LoadResString(IDS_SAVE_BATCH_TITLE), QStringLiteral("Save batch"));
    EXPECT_TRUE(platform::StringTableError().isEmpty()) << platform::StringTableError().toStdString();
}

class BatchFileLoadTest : public BasketFilesTest {
protected:
    void SetUp() override {
        AddBasketFiles(items_, {Picture(QStringLiteral("kept.png"), 8, 8)}, settings_);
        before_ = Items();
    }
    void ExpectUnchanged() {
        EXPECT_EQ(Items(), before_);
        EXPECT_EQ(Paths(), (std::vector<QString>{Path(QStringLiteral("kept.png"))}));
    }
    std::vector<CItem*> before_;
};

TEST_F(BatchFileLoadTest, LoadsTheItemsWhoseFilesExistInFileOrder) {
    const QString a = Picture(QStringLiteral("a.png"), 8, 8), c = Picture(QStringLiteral("c.png"), 8, 8);
    const std::vector<BatchFileRecord> records = {
        {a, 640, 480, 300.0f, 4, 0},
        {Path(QStringLiteral("gone.png")), 1, 1, 1.0f, 1, 1},
        {c, 0, 0, 96.0f, 12, 9},  // out of range: kept as stored, refused where used
    };
    ASSERT_TRUE(WriteBatchFile(Path(QStringLiteral("b.vpb")), records, nullptr));
    ScriptedAnswers answers;
    fifotests::LogCapture log;
    ASSERT_TRUE(LoadBatchFileInto(items_, Path(QStringLiteral("b.vpb")), settings_));
    EXPECT_TRUE(answers.Questions().empty());
    ASSERT_EQ(Paths(), (std::vector<QString>{a, c}));
    // The picture that is gone is left out with a word on the log.
    EXPECT_EQ(log.Lines(), (QStringList{"basket: 1 of the 3 pictures of " + Path(QStringLiteral("b.vpb")) +
                                            " are gone and are left out:",
                                        "basket:   " + Path(QStringLiteral("gone.png"))}));
    EXPECT_EQ(BatchFileRecord::Of(*Items()[0]), records[0]);
    EXPECT_EQ(BatchFileRecord::Of(*Items()[1]), records[2]);
    for (CItem* item : Items())
        EXPECT_EQ(item->m_bSelected, 0);
}

// Resolutions no one can type, from a damaged batch file: the run refuses
// them as it refuses the other values out of range, and writes only the
// item whose values are sound.
TEST_F(BatchFileLoadTest, ResolutionsOutOfRangeAreRefusedByTheRun) {
    const QString picture = Picture(QStringLiteral("p.png"), 40, 30);
    std::vector<BatchFileRecord> records;
    for (const float dpi : {std::numeric_limits<float>::quiet_NaN(), -1.0f, 1e30f, 150.0f})
        records.push_back({picture, 20, 15, dpi, 3, 0});
    ASSERT_TRUE(WriteBatchFile(Path(QStringLiteral("dpi.vpb")), records, nullptr));
    ASSERT_TRUE(LoadBatchFileInto(items_, Path(QStringLiteral("dpi.vpb")), settings_));
    ASSERT_EQ(items_.GetCount(), 4u);

    const QString out = Path(QStringLiteral("out/"));
    ASSERT_TRUE(QDir().mkpath(out));
    settings_.m_strOutFolder = out;
    settings_.m_nOverwriteMethod = 2;  // each item its own output
    settings_.m_nOutFormat = 1;
    batchtests::RecordingReporter reporter;
    BatchThreadProc(BatchRun::Snapshot(items_, settings_), reporter, nullptr);
    EXPECT_EQ(reporter.Statuses(),
              (std::vector<int>{BATCH_ITEM_STARTED, BATCH_ITEM_NO_MEMORY, BATCH_ITEM_STARTED, BATCH_ITEM_NO_MEMORY,
                                BATCH_ITEM_STARTED, BATCH_ITEM_NO_MEMORY, BATCH_ITEM_STARTED}));
    EXPECT_EQ(Entries(out), QStringList{QStringLiteral("p.jpg")});
    EXPECT_NEAR(QImage(out + QStringLiteral("p.jpg")).dotsPerMeterX() * 0.0254, 150.0, 0.5);
}

TEST_F(BatchFileLoadTest, AnEmptyBatchFileEmptiesTheBasket) {
    ASSERT_TRUE(WriteBatchFile(Path(QStringLiteral("empty.vpb")), {}, nullptr));
    EXPECT_TRUE(LoadBatchFileInto(items_, Path(QStringLiteral("empty.vpb")), settings_));
    EXPECT_TRUE(items_.IsEmpty());
}

TEST_F(BatchFileLoadTest, DamagedShortAndHugeFilesLeaveTheBasketUnchanged) {
    const std::vector<BatchFileRecord> records = {{Path(QStringLiteral("kept.png")), 640, 480, 300.0f, 4, 0},
                                                  {Path(QStringLiteral("kept.png")), 64, 48, 30.0f, 1, 1}};
    std::vector<std::uint8_t> whole = EncodeBatchFile(records);
    std::vector<std::uint8_t> hugeCount = whole;
    hugeCount[46] = hugeCount[47] = hugeCount[48] = 0xFF;
    hugeCount[49] = 0x7F;
    const std::vector<std::uint8_t> shortFile(whole.begin(), whole.end() - 1);
    std::vector<std::uint8_t> settingsFile = whole;
    const char16_t other[] = u"ORVEK Vespera 2.0 Setti";
    for (int i = 0; i < 23; ++i)
        settingsFile[2 * i] = static_cast<std::uint8_t>(other[i]);
    for (const auto& bytes : {hugeCount, shortFile, settingsFile}) {
        ASSERT_TRUE(WriteFile(Path(QStringLiteral("bad.vpb")),
                              QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()))));
        ScriptedAnswers answers;
        EXPECT_FALSE(LoadBatchFileInto(items_, Path(QStringLiteral("bad.vpb")), settings_));
        ASSERT_EQ(answers.Questions().size(), 1u);
        EXPECT_EQ(answers.Questions()[0].text, QStringLiteral("Wrong file!"));
        EXPECT_EQ(answers.Questions()[0].buttons, platform::PromptButtons::Ok);
        ExpectUnchanged();
    }
}

TEST_F(BatchFileLoadTest, AFileThatCannotBeReadSaysWhy) {
    ScriptedAnswers answers;
    EXPECT_FALSE(LoadBatchFileInto(items_, Path(QStringLiteral("none.vpb")), settings_));
    ASSERT_EQ(answers.Questions().size(), 1u);
    EXPECT_TRUE(answers.Questions()[0].text.startsWith(QStringLiteral("Can't read the batch file\n") +
                                                       Path(QStringLiteral("none.vpb")) + u'\n'))
        << answers.Questions()[0].text.toStdString();
    ExpectUnchanged();
}

TEST_F(BatchFileLoadTest, NamedPipesAreNeitherReadNorLoadedAsItems) {
    const QString a = Picture(QStringLiteral("a.png"), 8, 8);
    const QString pipe = Path(QStringLiteral("p.jpg"));
    ASSERT_TRUE(fifotests::MakeFifo(pipe));
    const std::vector<BatchFileRecord> records = {{a, 640, 480, 300.0f, 4, 0}, {pipe, 64, 48, 72.0f, 4, 0}};
    ASSERT_TRUE(WriteBatchFile(Path(QStringLiteral("b.vpb")), records, nullptr));
    ScriptedAnswers answers;
    ASSERT_TRUE(LoadBatchFileInto(items_, Path(QStringLiteral("b.vpb")), settings_));
    EXPECT_EQ(Paths(), (std::vector<QString>{a}));

    // A pipe in the batch file's own place: refused at once with the reason.
    const QString pipeFile = Path(QStringLiteral("pipe.vpb"));
    ASSERT_TRUE(fifotests::MakeFifo(pipeFile));
    EXPECT_FALSE(LoadBatchFileInto(items_, pipeFile, settings_));
    ASSERT_EQ(answers.Questions().size(), 1u);
    EXPECT_EQ(answers.Questions()[0].text,
              QStringLiteral("Can't read the batch file\n") + pipeFile + QStringLiteral("\nNot a regular file"));
    EXPECT_EQ(Paths(), (std::vector<QString>{a}));
}

TEST_F(BatchFileLoadTest, SavedBasketsLoadBackAsTheyWere) {
    const QString a = Picture(QStringLiteral("a.png"), 30, 20);
    AddBasketFiles(items_, {a}, PixelSettings(100, 100, 1));
    const std::vector<BatchFileRecord> saved = BatchRecordsOf(items_);
    ASSERT_TRUE(SaveBatchFileFrom(items_, Path(QStringLiteral("s.vpb"))));
    CITEMLIST loaded;
    ASSERT_TRUE(LoadBatchFileInto(loaded, Path(QStringLiteral("s.vpb")), AppSettings{}));
    EXPECT_EQ(BatchRecordsOf(loaded), saved);
}

TEST_F(BatchFileLoadTest, AFailedSaveSaysWhy) {
    ScriptedAnswers answers;
    EXPECT_FALSE(SaveBatchFileFrom(items_, Path(QStringLiteral("no-folder/s.vpb"))));
    ASSERT_EQ(answers.Questions().size(), 1u);
    EXPECT_TRUE(answers.Questions()[0].text.startsWith(QStringLiteral("Can't save the batch file\n")));
}

class ThumbnailAtOnceTest : public BasketFilesTest {
protected:
    CMapStringToObPlus cache_;
};

TEST_F(ThumbnailAtOnceTest, ACurrentCachedCellStaysAndAStaleOneIsReplaced) {
    const QString a = Picture(QStringLiteral("a.png"), 200, 100);
    ASSERT_TRUE(LoadThumbnailAtOnce(a, cache_, {}));
    CellRef first;
    ASSERT_TRUE(cache_.LookupInMemory(a, first));
    EXPECT_TRUE(first->HasThumbnailData());
    ASSERT_TRUE(LoadThumbnailAtOnce(a, cache_, {}));
    CellRef same;
    ASSERT_TRUE(cache_.LookupInMemory(a, same));
    EXPECT_EQ(same, first);
    same.reset();

    // The file changed: a new cell; whoever holds the old one keeps it whole.
    first->m_timeFile -= 10;
    ASSERT_TRUE(LoadThumbnailAtOnce(a, cache_, {}));
    CellRef replaced;
    ASSERT_TRUE(cache_.LookupInMemory(a, replaced));
    EXPECT_NE(replaced, first);
    EXPECT_EQ(first.use_count(), 1);
    EXPECT_TRUE(first->HasThumbnailData());
}

TEST_F(ThumbnailAtOnceTest, AFailedLoadLeavesNoEntry) {
    const QString notes = Path(QStringLiteral("notes.txt"));
    ASSERT_TRUE(WriteFile(notes, "text"));
    auto stale = std::make_shared<CPaletteItemImg>();
    cache_.SetAt(notes, stale);
    int made = 0;
    EXPECT_FALSE(LoadThumbnailAtOnce(notes, cache_, [&] {
        ++made;
        return std::make_shared<CPaletteItemImg>();
    }));
    EXPECT_EQ(made, 1);
    CellRef cell;
    EXPECT_FALSE(cache_.LookupInMemory(notes, cell));
    EXPECT_FALSE(LoadThumbnailAtOnce(Path(QStringLiteral("missing.png")), cache_, {}));
    EXPECT_EQ(cache_.GetCount(), 0u);
}

}  // namespace
