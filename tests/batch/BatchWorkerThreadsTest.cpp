// The batch worker on real files: mixed formats with per-item sizes and
// modes, failures that let the run go on and those that stop it, Cancel
// during an engine resize, the policies, and an item made from the item
// before it.

#include "batch/BatchWorker.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <algorithm>
#include <atomic>
#include <limits>
#include <map>
#include <memory>
#include <new>
#include <thread>

#include "batch/BatchOutputFile.h"
#include "batch/BatchTempFolder.h"
#include "batch/SourcePrefetch.h"
#include "browser/items/ItemList.h"
#include "core/resize/InterpolMode.h"
#include "engine/RSProgress.h"
#include "platform/files/FolderEntries.h"
#include "platform/files/LocalFileName.h"
#include "platform/files/RegularFile.h"
#include "platform/imaging/Bitmap.h"
#include "tests/batch/BatchFixtures.h"
#include "tests/batch/ModeNames.h"
#include "tests/core/saving/SavingFixtures.h"
#include "tests/support/DamagedImages.h"
#include "tests/support/FifoFixtures.h"
#include "tests/support/FileFixtures.h"
#include "tests/support/TransparentPictures.h"

namespace {

using batchtests::MakeItem;
using batchtests::OptionsFor;
using batchtests::RecordingReporter;
using batchtests::WritePicture;

struct Decoded {
    int width = 0, height = 0;
    double dpi = 0;
    bool ok = false;
};

Decoded Decode(const QString& path) {
    const auto bitmap = imaging::Bitmap::FromFile(QFile::encodeName(path).toStdString());
    if (!bitmap)
        return {};
    return {bitmap->Width(), bitmap->Height(), bitmap->HorizontalResolution(), true};
}

class BatchWorkerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folders_.IsValid());
        g_bAbortResize.store(0);
    }
    void TearDown() override { g_bAbortResize.store(0); }

    QString Picture(const QString& name, int w = 40, int h = 30, int seed = 0) {
        const QString path = src_ + name;
        EXPECT_TRUE(WritePicture(path, w, h, seed)) << path.toStdString();
        return path;
    }

    batchtests::SourceAndOutput folders_;
    QTemporaryDir& dir_ = folders_.dir;
    const QString& src_ = folders_.src;
    const QString& out_ = folders_.out;
};

// The run's sources take three bytes a pixel, with the colours the 32-bit
// decode gives; other formats come as they always do.
TEST_F(BatchWorkerTest, AColourJpegSourceIsReadAsPacked24BitPixels) {
    const QString jpeg = Picture(QStringLiteral("a.jpg"), 61, 37, 3);
    const auto source = DecodeBatchSource(jpeg);
    ASSERT_NE(source, nullptr);
    EXPECT_EQ(source->Image().format(), QImage::Format_BGR888);
    const auto wide = imaging::Bitmap::FromFile(QFile::encodeName(jpeg).toStdString());
    ASSERT_NE(wide, nullptr);
    EXPECT_EQ(source->Image(), wide->Image().convertToFormat(QImage::Format_BGR888));
    const QString png = Picture(QStringLiteral("b.png"), 20, 10);
    const auto other = DecodeBatchSource(png);
    ASSERT_NE(other, nullptr);
    EXPECT_EQ(other->Image(), imaging::Bitmap::FromFile(QFile::encodeName(png).toStdString())->Image());
}

TEST_F(BatchWorkerTest, TwentyPicturesOfMixedFormatsSizesAndModes) {
    const char* const formats[] = {"jpg", "png", "bmp", "tif", "gif"};
    BatchRun run;
    run.options = OptionsFor(out_, 1, 0);
    for (int i = 0; i < 20; ++i) {
        const QString name = QString("p%1.%2").arg(i).arg(formats[i % 5]);
        // Every mode; enlargements, as the super-resolution modes need.
        run.items.push_back(
            MakeItem(Picture(name, 40, 30, i), 48 + 2 * i, 36 + i, i % 10, 72.0f + static_cast<float>(i)));
    }
    RecordingReporter reporter;
    EXPECT_EQ(BatchThreadProc(run, reporter, nullptr), 1);

    ASSERT_EQ(reporter.Statuses(), std::vector<int>(20, BATCH_ITEM_STARTED));
    EXPECT_EQ(reporter.Finished(), 1);
    const auto reports = reporter.Reports();
    for (int i = 0; i < 20; ++i) {
        SCOPED_TRACE(i);
        const CItem& item = run.items[i];
        EXPECT_EQ(reports[i].index, i + 1);
        EXPECT_EQ(reports[i].total, 20);
        EXPECT_EQ(reports[i].item.m_strPath, item.m_strPath);
        const QString output = out_ + QString("p%1.%2").arg(i).arg(formats[i % 5]);
        EXPECT_EQ(reports[i].outputPath, output);
        const Decoded decoded = Decode(output);
        ASSERT_TRUE(decoded.ok);
        EXPECT_EQ(decoded.width, item.m_nTargetWidth);
        EXPECT_EQ(decoded.height, item.m_nTargetHeight);
        if (i % 5 != 4) {  // GIF has no resolution
            EXPECT_NEAR(decoded.dpi, item.m_fTargetDpi, 0.5);
        }
    }
    // Nothing but the outputs is left in the folder.
    EXPECT_EQ(Entries(out_).size(), 20);
}

// Each item's block names its algorithm; the default one among them.
TEST_F(BatchWorkerTest, TheLogNamesEveryAlgorithm) {
    BatchRun run;
    run.options = OptionsFor(out_, 1, 0);
    for (int mode = 0; mode < kInterpolModeCount; ++mode)
        run.items.push_back(MakeItem(Picture(QString("m%1.png").arg(mode), 40, 30, mode), 48, 36, mode));
    RecordingReporter reporter;
    EXPECT_EQ(BatchThreadProc(run, reporter, nullptr), 1);
    const std::vector<QString> logs = reporter.Logs();
    ASSERT_EQ(logs.size(), std::size_t{kInterpolModeCount});
    for (int mode = 0; mode < kInterpolModeCount; ++mode) {
        const QString block = QString(
                                  "File %1 from 10\nInput file\nFolder: %2\nName: m%3.png\nOutput file\n"
                                  "Folder: %4\nName:m%3.png\nSize: 48x36 pixels, 96 DPI\nAlgorithm: %5\n\n")
                                  .arg(mode + 1)
                                  .arg(src_)
                                  .arg(mode)
                                  .arg(out_)
                                  .arg(QLatin1String(batchtests::kModeNames[mode]));
        EXPECT_EQ(logs[mode].toStdString(), block.toStdString()) << mode;
    }
}

// With "Don't change", a .jpeg or .tiff source is written as JPEG or TIFF
// under its own extension, as a .jpg or .tif source is.
TEST_F(BatchWorkerTest, FourLetterExtensionsKeepTheirFormat) {
    BatchRun run;
    run.options = OptionsFor(out_, 1, 0);
    run.items.push_back(MakeItem(Picture("a.jpeg"), 20, 15));
    run.items.push_back(MakeItem(Picture("b.TIFF"), 20, 15));

    RecordingReporter reporter;
    BatchThreadProc(run, reporter, nullptr);
    EXPECT_EQ(reporter.Statuses(), (std::vector<int>{BATCH_ITEM_STARTED, BATCH_ITEM_STARTED}));
    EXPECT_EQ(Entries(out_), (QStringList{"a.jpeg", "b.TIFF"}));
    const struct {
        const char* name;
        QByteArray magic;
    } outputs[] = {{"a.jpeg", QByteArray("\xFF\xD8\xFF", 3)}, {"b.TIFF", QByteArray("II*", 3)}};
    for (const auto& output : outputs) {
        QFile file(out_ + output.name);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << output.name;
        EXPECT_EQ(file.read(3), output.magic) << output.name;
        const Decoded decoded = Decode(out_ + output.name);
        EXPECT_TRUE(decoded.ok && decoded.width == 20 && decoded.height == 15) << output.name;
    }
}

// Transparency is not kept: the outputs of a transparent GIF and an alpha
// PNG are white where the sources were transparent.
TEST_F(BatchWorkerTest, TransparentSourcesComeOutWhiteWhereTheyWereTransparent) {
    constexpr int kW = 40, kH = 20;
    const struct {
        const char* name;
        QByteArray bytes;
        int mode;
    } sources[] = {
        {"clear.gif", transparent::TransparentGif(kW, kH), 4},
        {"alpha.png", transparent::AlphaPng(kW, kH), 6},
    };
    BatchRun run;
    run.options = OptionsFor(out_, 1, 0);
    for (const auto& source : sources) {
        QFile file(src_ + QString::fromLatin1(source.name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(source.bytes) == source.bytes.size());
        file.close();
        run.items.push_back(MakeItem(file.fileName(), 2 * kW, 2 * kH, source.mode));
    }
    RecordingReporter reporter;
    BatchThreadProc(run, reporter, nullptr);
    EXPECT_EQ(reporter.Statuses(), (std::vector<int>{BATCH_ITEM_STARTED, BATCH_ITEM_STARTED}));
    for (const auto& source : sources) {
        SCOPED_TRACE(source.name);
        const QImage output(out_ + QString::fromLatin1(source.name));
        ASSERT_EQ(output.size(), QSize(2 * kW, 2 * kH));
        const bool band = QString::fromLatin1(source.name).endsWith(QStringLiteral(".png"));
        for (const int x : {3, 7, 13, 17, 23, 27, 33, 37}) {  // away from the edges between the parts
            const QRgb want = transparent::ExpectedOverWhite(x, kW, band);
            const QRgb got = output.pixel(2 * x, kH);
            EXPECT_TRUE(transparent::NearColour(got, want, 12)) << x;
        }
    }
}

// A JPEG cut short is an unreadable source, not a success with grey rows.
TEST_F(BatchWorkerTest, ASourceCutShortIsUnreadableAndTheRunGoesOn) {
    BatchRun run;
    run.options = OptionsFor(out_, 1, 1);
    const QString whole = Picture("whole.jpg", 300, 200);
    QFile file(whole);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    file.close();
    const QString cut = src_ + "cut.jpg";
    ASSERT_TRUE(WriteFile(cut, bytes.left(bytes.size() * 3 / 10)));
    run.items.push_back(MakeItem(cut, 30, 20));
    run.items.push_back(MakeItem(whole, 30, 20));

    RecordingReporter reporter;
    BatchThreadProc(run, reporter, nullptr);
    EXPECT_EQ(reporter.Statuses(), (std::vector<int>{BATCH_ITEM_OPEN_FAILED, BATCH_ITEM_STARTED}));
    EXPECT_TRUE(reporter.Logs()[0].contains("Can't open file\n" + cut + "!")) << reporter.Logs()[0].toStdString();
    EXPECT_EQ(Entries(out_), (QStringList{"whole.jpg"}));
}

// Damaged files whose every marker and block is there: a JPEG cut in half
// with its end marker, a JPEG and a GIF whose headers claim far more pixels
// than their data holds. Each is unreadable, not a success in grey or black.
TEST_F(BatchWorkerTest, DamagedSourcesAreUnreadableAndTheRunGoesOn) {
    BatchRun run;
    run.options = OptionsFor(out_, 1, 1);
    const QStringList damaged = {src_ + "half.jpg", src_ + "huge.jpg", src_ + "tall.gif"};
    ASSERT_TRUE(WriteFile(damaged[0], damaged::JpegCutWithEnd()));
    ASSERT_TRUE(WriteFile(damaged[1], damaged::JpegClaiming(30000, 30000)));
    ASSERT_TRUE(WriteFile(damaged[2], damaged::GifClaimingRows(1, 4, 65535)));
    for (const QString& path : damaged)
        run.items.push_back(MakeItem(path, 30, 20));
    run.items.push_back(MakeItem(Picture("whole.jpg"), 30, 20));

    RecordingReporter reporter;
    BatchThreadProc(run, reporter, nullptr);
    EXPECT_EQ(reporter.Statuses(), (std::vector<int>{BATCH_ITEM_OPEN_FAILED, BATCH_ITEM_OPEN_FAILED,
                                                     BATCH_ITEM_OPEN_FAILED, BATCH_ITEM_STARTED}));
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(reporter.Logs()[i].contains("Can't open file\n" + damaged[i] + "!"))
            << reporter.Logs()[i].toStdString();
    EXPECT_EQ(Entries(out_), (QStringList{"whole.jpg"}));
}

TEST_F(BatchWorkerTest, MissingAndCorruptSourcesAreLoggedAndTheRunGoesOn) {
    BatchRun run;
    run.options = OptionsFor(out_, 1, 1);
    run.items.push_back(MakeItem(Picture("a.jpg"), 20, 15));
    const QString gone = Picture("b.jpg");
    run.items.push_back(MakeItem(gone, 20, 15));
    const QString corrupt = src_ + "c.jpg";
    ASSERT_TRUE(WriteFile(corrupt, QByteArray("\xFF\xD8\xFF\xE0 not really a picture", 24)));
    run.items.push_back(MakeItem(corrupt, 20, 15));
    run.items.push_back(MakeItem(Picture("d.png"), 20, 15, 6));
    ASSERT_TRUE(QFile::remove(gone));  // deleted before its turn

    RecordingReporter reporter;
    BatchThreadProc(run, reporter, nullptr);
    EXPECT_EQ(reporter.Statuses(), (std::vector<int>{BATCH_ITEM_STARTED, BATCH_ITEM_OPEN_FAILED, BATCH_ITEM_OPEN_FAILED,
                                                     BATCH_ITEM_STARTED}));
    const auto logs = reporter.Logs();
    EXPECT_EQ(logs[1],
              "File 2 from 4\nInput file\nFolder: " + src_ + "\nName: b.jpg\nCan't open file\n" + gone + "!\n\n");
    EXPECT_TRUE(logs[2].startsWith("File 3 from 4\n")) << logs[2].toStdString();
    EXPECT_TRUE(logs[2].contains("Can't open file\n" + corrupt + "!"));
    EXPECT_TRUE(Decode(out_ + "a.jpg").ok);
    EXPECT_TRUE(Decode(out_ + "d.jpg").ok);
    EXPECT_EQ(Entries(out_), (QStringList{"a.jpg", "d.jpg"}));
}

TEST_F(BatchWorkerTest, AReadOnlyOutputFolderStopsTheRunWithStatus6) {
    BatchRun run;
    run.options = OptionsFor(out_, 1, 1);
    run.items.push_back(MakeItem(Picture("a.jpg"), 20, 15));
    run.items.push_back(MakeItem(Picture("b.jpg"), 20, 15));
    ASSERT_TRUE(batchtests::MakeReadOnly(out_));
    RecordingReporter reporter;
    {
        const batchtests::HonourFileModes modes;
        if (!modes.Active())
            GTEST_SKIP() << "file modes cannot be made to hold for this user";
        BatchThreadProc(run, reporter, nullptr);
    }
    batchtests::MakeWritable(out_);
    EXPECT_EQ(reporter.Statuses(), (std::vector<int>{BATCH_ITEM_STARTED, BATCH_ITEM_WRITE_FAILED}));
    EXPECT_EQ(reporter.Logs()[1], "Can't write file\n" + out_ + "a.jpg!\nPermission denied\n\n");
    EXPECT_EQ(reporter.Finished(), 1);
    EXPECT_TRUE(Entries(out_).isEmpty());
}

// Sets the abort flag at the engine's first report of progress and counts
// the reports after it.
class CancellingProgress : public CRSProgress {
public:
    int Progress(int percent) override {
        const int result = CRSProgress::Progress(percent);
        if (g_bAbortResize.load()) {
            ++afterAbort;
        } else if (percent > 0) {
            g_bAbortResize.store(1);
        }
        return result;
    }
    std::atomic<int> afterAbort{0};
};

TEST_F(BatchWorkerTest, CancelDuringAnEngineResizeStopsWithinARowAndWritesNothing) {
    for (int mode : {5, 6, 9}) {
        SCOPED_TRACE(mode);
        BatchRun run;
        run.options = OptionsFor(out_, 1, 1);
        run.items.push_back(MakeItem(Picture("a.jpg", 200, 150), 400, 300, mode));
        run.items.push_back(MakeItem(Picture("b.jpg"), 20, 15, mode));
        RecordingReporter reporter;
        CancellingProgress progress;
        BatchThreadProc(run, reporter, &progress);
        EXPECT_EQ(reporter.Statuses(), (std::vector<int>{BATCH_ITEM_STARTED, BATCH_ITEM_CANCELLED}));
        EXPECT_EQ(reporter.Logs()[1], "Operation canceled by user!\n\n");
        EXPECT_LE(progress.afterAbort.load(), 2);
        EXPECT_TRUE(Entries(out_).isEmpty()) << Entries(out_).join(' ').toStdString();
        g_bAbortResize.store(0);
    }
}

TEST_F(BatchWorkerTest, AnAbortBeforeTheFirstItemEndsTheRunWithTheCancelLine) {
    BatchRun run;
    run.options = OptionsFor(out_, 1, 1);
    run.items.push_back(MakeItem(Picture("a.jpg"), 20, 15));
    g_bAbortResize.store(1);
    RecordingReporter reporter;
    BatchThreadProc(run, reporter, nullptr);
    EXPECT_EQ(reporter.Statuses(), std::vector<int>{BATCH_ITEM_CANCELLED});
    EXPECT_EQ(reporter.Finished(), 1);
    EXPECT_TRUE(Entries(out_).isEmpty());
}

// Cancel while the worker is held at each stage of the first item, or
// between the first and the second: the run always ends with the cancel's
// line, and only an item finished before the cancel has its output.
struct CancelAt {
    BatchStage stage;
    std::size_t item;
    std::vector<int> statuses;
    QStringList outputs;
};

TEST_F(BatchWorkerTest, ACancelAtAnyStageEndsWithTheCancelLine) {
    const CancelAt cases[] = {
        {BatchStage::Decode, 0, {BATCH_ITEM_CANCELLED}, {}},
        {BatchStage::Resize, 0, {BATCH_ITEM_STARTED, BATCH_ITEM_CANCELLED}, {}},
        {BatchStage::Save, 0, {BATCH_ITEM_STARTED, BATCH_ITEM_CANCELLED}, {}},
        {BatchStage::ItemStart, 1, {BATCH_ITEM_STARTED, BATCH_ITEM_CANCELLED}, {"a.jpg"}},
    };
    for (const int inFlight : {1, 4})
        for (const int mode : {4, 9}) {
            for (const CancelAt& at : cases) {
                SCOPED_TRACE(testing::Message() << "in flight " << inFlight << " mode " << mode << " stage "
                                                << static_cast<int>(at.stage));
                QDir(out_).removeRecursively();
                QDir().mkpath(out_);
                BatchRun run;
                run.options = OptionsFor(out_, 1, 1);
                for (const char* name : {"a.jpg", "b.jpg", "c.jpg"})
                    run.items.push_back(MakeItem(Picture(name, 60, 40), 90, 60, mode));
                run.itemsInFlight = inFlight;
                RecordingReporter reporter;
                CRSProgress progress;
                batchtests::StageGate gate(at.stage, at.item);
                std::thread worker = StartBatchThread(run, reporter, &progress);
                ASSERT_TRUE(gate.WaitReached(60000));
                // With items in flight the resize may begin before the log
                // shows the item: the cancel comes once it does.
                ASSERT_TRUE(reporter.WaitReports(at.statuses.size() - 1, 60000));
                g_bAbortResize.store(1);
                gate.Release();
                worker.join();
                g_bAbortResize.store(0);
                EXPECT_EQ(reporter.Statuses(), at.statuses);
                EXPECT_EQ(reporter.Logs().back(), "Operation canceled by user!\n\n");
                EXPECT_EQ(reporter.Finished(), 1);
                // No temporary is left beside the outputs.
                EXPECT_EQ(Entries(out_), at.outputs);
            }
        }
}

TEST_F(BatchWorkerTest, AnEmptyRunEndsAtOnce) {
    RecordingReporter reporter;
    BatchThreadProc(BatchRun{}, reporter, nullptr);
    EXPECT_TRUE(reporter.Statuses().empty());
    EXPECT_EQ(reporter.Finished(), 1);
}

TEST_F(BatchWorkerTest, PoliciesOnAnExistingOutput) {
    const QString source = Picture("a.jpg");
    const QString old = out_ + "a.jpg";
    ASSERT_TRUE(WritePicture(old, 8, 8));
    const QByteArray oldBytes = ReadFile(old);

    RecordingReporter skip;
    BatchRun run;
    run.items.push_back(MakeItem(source, 20, 15));
    run.items.push_back(MakeItem(Picture("b.jpg"), 20, 15));
    run.options = OptionsFor(out_, 0, 1);
    BatchThreadProc(run, skip, nullptr);
    EXPECT_EQ(skip.Statuses(), (std::vector<int>{BATCH_ITEM_SKIPPED, BATCH_ITEM_STARTED}));
    EXPECT_EQ(skip.Logs()[0], "File 1 from 2\nInput file\nFolder: " + src_ +
                                  "\nName: a.jpg\nOutput file a.jpg already exists!\nSkip resizing!\n\n");
    EXPECT_EQ(ReadFile(old), oldBytes);

    run.items.pop_back();
    RecordingReporter unique;
    run.options = OptionsFor(out_, 2, 1);
    BatchThreadProc(run, unique, nullptr);
    EXPECT_EQ(unique.Reports().at(0).outputPath, out_ + "a_1.jpg");
    EXPECT_EQ(Decode(out_ + "a_1.jpg").width, 20);
    EXPECT_EQ(ReadFile(old), oldBytes);

    RecordingReporter overwrite;
    run.options = OptionsFor(out_, 1, 1);
    BatchThreadProc(run, overwrite, nullptr);
    EXPECT_EQ(overwrite.Statuses(), std::vector<int>{BATCH_ITEM_STARTED});
    EXPECT_EQ(Decode(old).width, 20);
    EXPECT_EQ(Entries(out_), (QStringList{"a.jpg", "a_1.jpg", "b.jpg"}));
}

TEST_F(BatchWorkerTest, TheSourceIsNeverOverwritten) {
    const QString source = Picture("a.jpg");
    const QByteArray bytes = ReadFile(source);
    BatchRun run;
    run.options = OptionsFor(src_, 1, 0);
    run.items.push_back(MakeItem(source, 20, 15));
    run.items.push_back(MakeItem(Picture("b.png"), 20, 15));
    RecordingReporter reporter;
    BatchThreadProc(run, reporter, nullptr);
    EXPECT_EQ(reporter.Statuses(), (std::vector<int>{BATCH_ITEM_STARTED, BATCH_ITEM_WRITE_FAILED}));
    // The reason on its own line, as for the other failed writes.
    EXPECT_EQ(reporter.Logs()[1],
              "Can't write file\n" + source +
                  "!\nThe output would replace its own source file, which is never overwritten.\n\n");
    EXPECT_EQ(ReadFile(source), bytes);
}

// A named pipe among the sources would block the prefetch of its picture for
// ever: it is logged like any file that cannot be opened and the run ends.
TEST_F(BatchWorkerTest, ANamedPipeIsLoggedAndTheRunGoesOn) {
    BatchRun run;
    run.options = OptionsFor(out_, 1, 1);
    const QString pipe = src_ + "b.jpg";
    ASSERT_TRUE(fifotests::MakeFifo(pipe));
    run.items.push_back(MakeItem(Picture("a.jpg"), 20, 15));
    run.items.push_back(MakeItem(pipe, 20, 15));
    run.items.push_back(MakeItem(Picture("c.jpg"), 20, 15));
    RecordingReporter reporter;
    ASSERT_TRUE(fifotests::FinishesWithin({pipe}, [&] { BatchThreadProc(run, reporter, nullptr); }));
    EXPECT_EQ(reporter.Statuses(), (std::vector<int>{BATCH_ITEM_STARTED, BATCH_ITEM_OPEN_FAILED, BATCH_ITEM_STARTED}));
    EXPECT_EQ(reporter.Logs()[1],
              "File 2 from 3\nInput file\nFolder: " + src_ + "\nName: b.jpg\nCan't open file\n" + pipe + "!\n\n");
    EXPECT_EQ(Entries(out_), (QStringList{"a.jpg", "c.jpg"}));
    EXPECT_TRUE(fifotests::IsFifo(pipe));
}

TEST_F(BatchWorkerTest, ItemsOutsideTheirRangesFailAlone) {
    BatchRun run;
    run.options = OptionsFor(out_, 1, 1);
    run.items.push_back(MakeItem(Picture("a.jpg"), 20, 15, 10));
    run.items.push_back(MakeItem(Picture("b.jpg"), 20, 15, -1));
    run.items.push_back(MakeItem(Picture("c.jpg"), 0, 15));
    run.items.push_back(MakeItem(Picture("d.jpg"), 1 << 20, 1 << 20));
    run.items.push_back(MakeItem(src_ + "missing.jpg", 20, 0));
    // Resolutions a damaged batch file brings.
    for (const float dpi : {std::numeric_limits<float>::quiet_NaN(), -1.0f, 1e30f, 0.0f})
        run.items.push_back(MakeItem(Picture("f.jpg"), 20, 15, 4, dpi));
    run.items.push_back(MakeItem(Picture("e.jpg"), 20, 15));
    RecordingReporter reporter;
    BatchThreadProc(run, reporter, nullptr);
    // Only an item whose file gives no size is called unreadable, in one
    // block of its own; a readable picture with an unusable size or
    // resolution is told that its output cannot be made.
    std::vector<int> expected;
    for (const int failure :
         {BATCH_ITEM_NO_MEMORY, BATCH_ITEM_NO_MEMORY, BATCH_ITEM_NO_MEMORY, BATCH_ITEM_NO_MEMORY, BATCH_ITEM_NO_SIZE,
          BATCH_ITEM_NO_MEMORY, BATCH_ITEM_NO_MEMORY, BATCH_ITEM_NO_MEMORY, BATCH_ITEM_NO_MEMORY}) {
        if (failure != BATCH_ITEM_NO_SIZE)
            expected.push_back(BATCH_ITEM_STARTED);
        expected.push_back(failure);
    }
    expected.push_back(BATCH_ITEM_STARTED);
    EXPECT_EQ(reporter.Statuses(), expected);
    EXPECT_TRUE(reporter.Logs()[0].contains("Algorithm: 10\n"));
    EXPECT_EQ(reporter.Logs()[1], "Can't create output image!\nMay be not enough memory!\n\n");
    EXPECT_EQ(reporter.Logs()[5], "Can't create output image!\nMay be not enough memory!\n\n");
    EXPECT_EQ(reporter.Logs()[8], QString("File 5 from 10\nInput file\nFolder: %1\nName: missing.jpg\nCan't read the "
                                          "image size of\n%1missing.jpg!\nThe file cannot be read or is not an "
                                          "image.\n\n")
                                      .arg(src_));
    EXPECT_EQ(Entries(out_), QStringList{"e.jpg"});
}

// In same-folder mode the outputs of sources in a folder whose name is not
// UTF-8, themselves so named (Latin-1 here), are written beside them under
// those bytes, byte for byte as those of an ASCII-named copy; the log shows
// the names with the other bytes as escapes.
TEST_F(BatchWorkerTest, SameFolderOutputsBesideSourcesWhoseNamesAreNotUtf8) {
    const QByteArray root = platform::LocalFileName(dir_.path());
    const QByteArray latin1 = root + "/caf\xE9", ascii = root + "/plain";
    for (const QByteArray& folder : {latin1, ascii})
        ASSERT_EQ(::mkdir(folder.constData(), 0700), 0);
    const struct {
        QString written;
        QByteArray latin1Name, asciiName;
    } sources[] = {{Picture("a.jpg", 40, 30, 1), "a\xE9.jpg", "a.jpg"},
                   {Picture("b.png", 30, 40, 2), "b\xE9.png", "b.png"}};
    const auto run = [&](const QByteArray& folder, bool useLatin1) {
        BatchRun batch;
        batch.options.sameFolder = 1;
        for (const auto& source : sources) {
            const QByteArray path = folder + '/' + (useLatin1 ? source.latin1Name : source.asciiName);
            EXPECT_EQ(::link(platform::LocalFileName(source.written).constData(), path.constData()), 0);
            batch.items.push_back(MakeItem(platform::FileNameFromLocal(path), 20, 15));
        }
        RecordingReporter reporter;
        BatchThreadProc(batch, reporter, nullptr);
        EXPECT_EQ(reporter.Statuses(), (std::vector<int>{BATCH_ITEM_STARTED, BATCH_ITEM_STARTED}));
        return reporter.Logs();
    };
    const std::vector<QString> logs = run(latin1, true);
    run(ascii, false);
    ASSERT_EQ(logs.size(), 2u);
    EXPECT_TRUE(logs[0].contains(QStringLiteral("/caf\\xE9/\nName: a\\xE9.jpg\n"))) << logs[0].toStdString();
    const auto bytes = [](const QByteArray& path) {
        return platform::ReadRegularFile(path.toStdString(), 1 << 20).value_or(std::vector<std::uint8_t>{});
    };
    for (const QByteArray& name :
         {QByteArray("a\xE9_RESIZED_TO_20x15.jpg"), QByteArray("b\xE9_RESIZED_TO_20x15.png")}) {
        const QByteArray twin = QByteArray(name).replace("\xE9", "");
        EXPECT_FALSE(bytes(latin1 + '/' + name).empty()) << name.toStdString();
        EXPECT_EQ(bytes(latin1 + '/' + name), bytes(ascii + '/' + twin)) << name.toStdString();
    }
    // The sources and their outputs, and nothing else: no temporary is left.
    QStringList names = platform::NonFolderEntryNames(platform::FileNameFromLocal(latin1));
    EXPECT_EQ(names.size(), 4) << names.join(u' ').toStdString();
    EXPECT_EQ(Entries(platform::FileNameFromLocal(ascii)).size(), 4);
    // The temporary folder goes with its files, which Qt's removal cannot name.
    for (const QString& name : names)
        ::unlink((latin1 + '/' + platform::LocalFileName(name)).constData());
    ::rmdir(latin1.constData());
}

TEST_F(BatchWorkerTest, AMissingOutputFolderStopsTheRun) {
    BatchRun run;
    run.options = OptionsFor(dir_.path() + "/deleted", 1, 1);
    run.items.push_back(MakeItem(Picture("a.jpg"), 20, 15));
    run.items.push_back(MakeItem(Picture("b.jpg"), 20, 15));
    RecordingReporter reporter;
    BatchThreadProc(run, reporter, nullptr);
    EXPECT_EQ(reporter.Statuses(), std::vector<int>{BATCH_ITEM_NO_OUTPUT_FOLDER});
    EXPECT_EQ(reporter.Logs()[0], "Can't open output folder!");
}

TEST_F(BatchWorkerTest, AnItemMadeFromThePreviousOutputWaitsForIt) {
    // Item 2's source is item 1's output: it must not be read before item 1
    // has written it.
    BatchRun run;
    run.options = OptionsFor(out_, 2, 1);
    run.items.push_back(MakeItem(Picture("a.jpg", 60, 40), 50, 40));
    run.items.push_back(MakeItem(out_ + "a.jpg", 25, 20));
    RecordingReporter reporter;
    BatchThreadProc(run, reporter, nullptr);
    EXPECT_EQ(reporter.Statuses(), (std::vector<int>{BATCH_ITEM_STARTED, BATCH_ITEM_STARTED}));
    EXPECT_EQ(Decode(out_ + "a.jpg").width, 50);
    EXPECT_EQ(Decode(out_ + "a_1.jpg").width, 25);
}

// The same run with one item at a time and with several in flight: the same
// reports and the same files, byte for byte, under each policy, with two
// items that give one name, an output that existed before the run, and an
// item made from an earlier item's output.
TEST_F(BatchWorkerTest, SeveralItemsInFlightWriteWhatOneAtATimeWrites) {
    QDir().mkpath(src_ + "sub");
    const QString a = Picture("a.jpg", 64, 48, 1);
    const QString sameName = Picture("sub/a.jpg", 64, 48, 2);
    std::vector<CItem> items = {
        MakeItem(a, 40, 30, 4), MakeItem(sameName, 40, 30, 9),
        MakeItem(out_ + "a_RESIZED_TO_40x30.jpg", 20, 15, 3),  // item 1's output, or item 2's
    };
    const char* const formats[] = {"png", "bmp", "tif", "jpg", "gif"};
    for (int i = 0; i < 5; ++i) {
        const QString name = QString("p%1.%2").arg(i).arg(formats[i]);
        items.push_back(MakeItem(Picture(name, 50 + i, 40, 3 + i), 70 + 3 * i, 50 + i, (i * 3) % 10, 72.0f + i));
    }
    items.push_back(MakeItem(src_ + "p0.png", 70, 50, 0));  // the same name as p0's again
    const QString existing = "p1_RESIZED_TO_73x51.jpg";

    struct Outcome {
        std::vector<int> statuses;
        std::vector<QString> logs;
        std::map<QString, QByteArray> files;
    };
    for (const int policy : {0, 1, 2}) {
        SCOPED_TRACE(policy);
        Outcome outcomes[2];
        const int inFlight[2] = {1, 4};
        for (int k = 0; k < 2; ++k) {
            QDir(out_).removeRecursively();
            QDir().mkpath(out_);
            ASSERT_TRUE(WritePicture(out_ + existing, 8, 8));
            BatchRun run;
            run.options = OptionsFor(out_, policy, 1);
            run.options.newName = 1;
            run.items = items;
            run.itemsInFlight = inFlight[k];
            RecordingReporter reporter;
            BatchThreadProc(run, reporter, nullptr);
            outcomes[k].statuses = reporter.Statuses();
            outcomes[k].logs = reporter.Logs();
            for (const QString& name : Entries(out_))
                outcomes[k].files[name] = ReadFile(out_ + name);
        }
        EXPECT_EQ(outcomes[1].statuses, outcomes[0].statuses);
        EXPECT_EQ(outcomes[1].logs, outcomes[0].logs);
        EXPECT_EQ(outcomes[1].files.size(), outcomes[0].files.size());
        for (const auto& [name, bytes] : outcomes[0].files) {
            SCOPED_TRACE(name.toStdString());
            ASSERT_TRUE(outcomes[1].files.count(name));
            EXPECT_TRUE(outcomes[1].files.at(name) == bytes);
        }
        // Item 3 was made from an output of this run: it is there, under
        // every policy.
        EXPECT_TRUE(outcomes[1].files.count("a_RESIZED_TO_40x30_RESIZED_TO_20x15.jpg"));
        EXPECT_GE(outcomes[0].files.size(), 7u);
    }
}

// Items whose work would not fit the memory budget together are resized and
// saved one after another, though several are in flight.
TEST_F(BatchWorkerTest, WorkBeyondTheMemoryBudgetWaitsForTheWorkBeforeIt) {
    BatchRun run;
    run.options = OptionsFor(out_, 1, 1);
    run.itemsInFlight = 4;
    run.workBudgetBytes = 1;
    for (int i = 0; i < 4; ++i)
        run.items.push_back(MakeItem(Picture(QString("m%1.jpg").arg(i), 60, 40, i), 90, 60, 5 + i));
    // A gate that never closes records the stages passed.
    batchtests::StageGate recorder(BatchStage::Decode, run.items.size());
    RecordingReporter reporter;
    BatchThreadProc(run, reporter, nullptr);
    EXPECT_EQ(reporter.Statuses(), std::vector<int>(4, BATCH_ITEM_STARTED));
    std::vector<batchtests::StageGate::Passed> work;
    for (const auto& passed : recorder.Stages())
        if (passed.first == BatchStage::Resize || passed.first == BatchStage::Save)
            work.push_back(passed);
    std::vector<batchtests::StageGate::Passed> expected;
    for (std::size_t i = 0; i < 4; ++i) {
        expected.emplace_back(BatchStage::Resize, i);
        expected.emplace_back(BatchStage::Save, i);
    }
    EXPECT_EQ(work, expected);
    EXPECT_EQ(Entries(out_).size(), 4);
}

TEST_F(BatchWorkerTest, TheWorkerThreadReportsInOrderAndEnds) {
    BatchRun run;
    run.options = OptionsFor(out_, 1, 1);
    for (int i = 0; i < 6; ++i)
        run.items.push_back(MakeItem(Picture(QString("t%1.png").arg(i), 64, 48, i), 96, 72, 5 + i % 5));
    RecordingReporter reporter;
    std::thread worker = StartBatchThread(run, reporter, nullptr);
    worker.join();
    const auto reports = reporter.Reports();
    ASSERT_EQ(reports.size(), 6u);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(reports[i].index, i + 1);
    EXPECT_EQ(reporter.Finished(), 1);
    EXPECT_EQ(g_nBatchIndex.load(), 6);
}

TEST_F(BatchWorkerTest, TheStagesComeInOrderAndAStopBetweenItemsEndsTheRunThere) {
    BatchRun run;
    run.options = OptionsFor(out_, 1, 1);
    run.itemsInFlight = 1;  // the exact order of the stages of one item after another
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg"})
        run.items.push_back(MakeItem(Picture(name), 20, 15));
    RecordingReporter reporter;
    // Held before the second item; the stop is asked while it waits there.
    batchtests::StageGate gate(BatchStage::ItemStart, 1);
    std::thread worker = StartBatchThread(run, reporter, nullptr);
    ASSERT_TRUE(gate.WaitReached(60000));
    g_bAbortResize.store(1);
    worker.join();
    EXPECT_TRUE(gate.LeftOnStop());
    using Passed = batchtests::StageGate::Passed;
    // The save passes its stage once per block it writes.
    std::vector<Passed> stages = gate.Stages();
    const auto writes = std::find(stages.begin(), stages.end(), Passed(BatchStage::Write, 0));
    ASSERT_NE(writes, stages.end());
    const auto afterWrites =
        std::find_if(writes, stages.end(), [](const Passed& p) { return p.first != BatchStage::Write; });
    EXPECT_TRUE(std::all_of(writes, afterWrites, [](const Passed& p) { return p == Passed(BatchStage::Write, 0); }));
    stages.erase(writes, afterWrites);
    EXPECT_EQ(stages, (std::vector<Passed>{{BatchStage::ItemStart, 0},
                                           {BatchStage::Decode, 0},
                                           {BatchStage::Resize, 0},
                                           {BatchStage::Save, 0},
                                           {BatchStage::ItemStart, 1}}));
    // The stop is told with the cancel line, as at every other stage.
    EXPECT_EQ(reporter.Statuses(), (std::vector<int>{BATCH_ITEM_STARTED, BATCH_ITEM_CANCELLED}));
    EXPECT_EQ(reporter.Finished(), 1);
    EXPECT_EQ(Entries(out_), QStringList{"a.jpg"});
}

// A picture of noise, which no encoder can squeeze: its file is written in
// many blocks.
QString NoisePicture(const QString& path, int w, int h) {
    EXPECT_TRUE(savingtests::Noise(w, h).save(path));
    return path;
}

// Cancel while the worker is held in the middle of an output's write: the
// write stops at its next block (not at its end), nothing is left of it,
// and the run ends with the cancel's line. Every format whose encoder
// writes in blocks.
TEST_F(BatchWorkerTest, ACancelDuringAWriteStopsItAtItsNextBlock) {
    const QString source = NoisePicture(src_ + "noise.png", 1000, 700);
    constexpr int kHeldAtBlock = 4;
    for (const int format : {1, 2, 3, 4}) {  // JPEG, TIFF, BMP, PNG
        SCOPED_TRACE(format);
        BatchRun run;
        run.options = OptionsFor(out_, 1, format);
        run.options.jpegQuality = 100;
        run.items.push_back(MakeItem(source, 1000, 700, 0));
        run.items.push_back(MakeItem(Picture("b.jpg"), 20, 15));
        // The whole write, for the number of its blocks.
        int blocks = 0;
        {
            const batchtests::StageGate recorder(BatchStage::Write, 99);
            RecordingReporter reporter;
            BatchThreadProc(run, reporter, nullptr);
            ASSERT_EQ(reporter.Statuses(), (std::vector<int>{BATCH_ITEM_STARTED, BATCH_ITEM_STARTED}));
            blocks = recorder.Count(BatchStage::Write, 0);
        }
        ASSERT_GT(blocks, 2 * kHeldAtBlock);  // held in the first half of the write
        QDir(out_).removeRecursively();
        QDir().mkpath(out_);

        batchtests::StageGate gate(BatchStage::Write, 0, kHeldAtBlock, batchtests::OnStop::Stay);
        RecordingReporter reporter;
        std::thread worker = StartBatchThread(run, reporter, nullptr);
        ASSERT_TRUE(gate.WaitReached(60000));
        // The pool may write before the log shows the item: the cancel
        // comes once it does.
        ASSERT_TRUE(reporter.WaitReports(1, 60000));
        g_bAbortResize.store(1);
        gate.Release();
        worker.join();
        g_bAbortResize.store(0);
        EXPECT_EQ(gate.Count(BatchStage::Write, 0), kHeldAtBlock);
        EXPECT_EQ(reporter.Statuses(), (std::vector<int>{BATCH_ITEM_STARTED, BATCH_ITEM_CANCELLED}));
        EXPECT_EQ(reporter.Finished(), 1);
        EXPECT_EQ(Entries(out_), QStringList{});
    }
}

// Memory that runs out during a resize stops the run, as a failed resize
// does; no output is written for the item.
TEST_F(BatchWorkerTest, MemoryRunningOutDuringAResizeStopsTheRun) {
    for (const int inFlight : {1, 4}) {
        SCOPED_TRACE(inFlight);
        BatchRun run;
        run.options = OptionsFor(out_, 1, 1);
        run.itemsInFlight = inFlight;
        for (const char* name : {"a.jpg", "b.jpg", "c.jpg"})
            run.items.push_back(MakeItem(Picture(name), 20, 15));
        SetBatchStageHook([](BatchStage stage, std::size_t index) {
            if (stage == BatchStage::Resize && index == 0)
                throw std::bad_alloc();
        });
        RecordingReporter reporter;
        BatchThreadProc(run, reporter, nullptr);
        SetBatchStageHook({});
        EXPECT_EQ(reporter.Statuses(), (std::vector<int>{BATCH_ITEM_STARTED, BATCH_ITEM_CANCELLED}));
        EXPECT_EQ(reporter.Logs()[1], "Operation canceled by user!\n\n");
        EXPECT_EQ(reporter.Finished(), 1);
        EXPECT_EQ(Entries(out_), QStringList{});
    }
}

// The output folder removed while the run goes on: between two items, or
// while an item is being written. The run stops with the missing folder's
// line, as when the folder is gone at the start.
TEST_F(BatchWorkerTest, AnOutputFolderRemovedDuringTheRunStopsItWithStatus2) {
    const struct {
        BatchStage stage;
        std::size_t item;
        int arrival;
        std::vector<int> statuses;
    } cases[] = {
        {BatchStage::ItemStart, 1, 1, {BATCH_ITEM_STARTED, BATCH_ITEM_NO_OUTPUT_FOLDER}},
        {BatchStage::Write, 0, 2, {BATCH_ITEM_STARTED, BATCH_ITEM_NO_OUTPUT_FOLDER}},
    };
    for (const int inFlight : {1, 4})
        for (const auto& at : cases) {
            SCOPED_TRACE(testing::Message() << "in flight " << inFlight << " stage " << static_cast<int>(at.stage));
            QDir().mkpath(out_);
            BatchRun run;
            run.options = OptionsFor(out_, 1, 1);
            run.itemsInFlight = inFlight;
            for (const char* name : {"a.jpg", "b.jpg", "c.jpg"})
                run.items.push_back(MakeItem(Picture(name, 60, 40), 90, 60));
            batchtests::StageGate gate(at.stage, at.item, at.arrival, batchtests::OnStop::Stay);
            RecordingReporter reporter;
            std::thread worker = StartBatchThread(run, reporter, nullptr);
            ASSERT_TRUE(gate.WaitReached(60000));
            ASSERT_TRUE(reporter.WaitReports(1, 60000));  // the first item's block is shown
            ASSERT_TRUE(batchtests::RemoveFolderInUse(out_));
            gate.Release();
            worker.join();
            EXPECT_EQ(reporter.Statuses(), at.statuses);
            EXPECT_EQ(reporter.Logs().back(), "Can't open output folder!");
            EXPECT_EQ(reporter.Finished(), 1);
            EXPECT_FALSE(QDir(out_).exists());
        }
}

// What runs that were killed left in the output folder goes at the start of
// the next run; the folder of a run that is still going stays.
TEST_F(BatchWorkerTest, ARunRemovesTheTemporaryFoldersOfRunsThatAreGone) {
    // A run still going, held in the write of its item.
    BatchRun going;
    going.options = OptionsFor(out_, 1, 1);
    going.items.push_back(MakeItem(Picture("a.jpg", 60, 40), 90, 60));
    batchtests::StageGate gate(BatchStage::Write, 0, 2, batchtests::OnStop::Stay);
    RecordingReporter goingReporter;
    std::thread worker = StartBatchThread(going, goingReporter, nullptr);
    ASSERT_TRUE(gate.WaitReached(60000));

    // A run that was killed in a write: its lock file is free.
    const QString killed = out_ + kBatchTempPrefix + "killed";
    ASSERT_TRUE(QDir().mkpath(killed));
    ASSERT_TRUE(WriteFile(killed + "/lock", "4242\n"));
    ASSERT_TRUE(WriteFile(killed + "/image.jpg", QByteArray(4096, 'x')));
    // A run killed before it had locked its folder, long ago.
    const QString unlocked = out_ + kBatchTempPrefix + "unlocked";
    ASSERT_TRUE(QDir().mkpath(unlocked));
    ASSERT_TRUE(batchtests::MakeOlder(unlocked, kUnlockedFolderGraceSeconds + 60));
    // One a run killed before it had locked it, whose process is gone.
    ASSERT_TRUE(QDir().mkpath(out_ + kBatchTempPrefix + "999999999-gone"));
    // One made a moment ago and not locked yet, by a process of unknown
    // fate, and one of this process's own.
    ASSERT_TRUE(QDir().mkpath(out_ + kBatchTempPrefix + "new"));
    const QString own = QString(kBatchTempPrefix) + QString::number(::getpid()) + "-own";
    ASSERT_TRUE(QDir().mkpath(out_ + own));
    // A file of that name is no run's folder, nor a link to a folder that
    // looks left behind.
    ASSERT_TRUE(WriteFile(out_ + kBatchTempPrefix + "file", "x"));
    const QString elsewhere = dir_.path() + "/elsewhere";
    ASSERT_TRUE(QDir().mkpath(elsewhere));
    ASSERT_TRUE(WriteFile(elsewhere + "/lock", "1\n"));
    ASSERT_TRUE(QFile::link(elsewhere, out_ + kBatchTempPrefix + "link"));
    ASSERT_EQ(Entries(out_).filter(kBatchTempPrefix).size(), 8);

    BatchRun later;
    later.options = OptionsFor(out_, 1, 1);
    later.items.push_back(MakeItem(Picture("b.jpg", 60, 40), 90, 60));
    RecordingReporter laterReporter;
    BatchThreadProc(later, laterReporter, nullptr);
    EXPECT_EQ(laterReporter.Statuses(), std::vector<int>{BATCH_ITEM_STARTED});
    QStringList left = Entries(out_);
    EXPECT_FALSE(left.contains(QString(kBatchTempPrefix) + "killed"));
    EXPECT_FALSE(left.contains(QString(kBatchTempPrefix) + "unlocked"));
    EXPECT_FALSE(left.contains(QString(kBatchTempPrefix) + "999999999-gone"));
    EXPECT_TRUE(left.contains(own));
    EXPECT_TRUE(left.contains(QString(kBatchTempPrefix) + "new"));
    EXPECT_TRUE(left.contains(QString(kBatchTempPrefix) + "file"));
    EXPECT_TRUE(left.contains(QString(kBatchTempPrefix) + "link"));
    EXPECT_EQ(Entries(elsewhere), QStringList{"lock"});
    EXPECT_EQ(left.filter(kBatchTempPrefix).size(), 5) << left.join(' ').toStdString();

    gate.Release();
    worker.join();
    EXPECT_EQ(goingReporter.Statuses(), std::vector<int>{BATCH_ITEM_STARTED});
    ASSERT_TRUE(QDir(out_ + own).removeRecursively());
    EXPECT_EQ(Entries(out_), (QStringList{QString(kBatchTempPrefix) + "file", QString(kBatchTempPrefix) + "link",
                                          QString(kBatchTempPrefix) + "new", "a.jpg", "b.jpg"}));
}

TEST(BatchRunSnapshot, CopiesTheItemsAndTheOptions) {
    AppSettings settings;
    settings.m_nCorrectProp = 1;
    settings.m_nBatchJpegQuality = 77;
    settings.m_strOutFolder = "/out/";
    settings.m_nOverwriteMethod = 2;
    CITEMLIST list;
    list.AddTail(std::make_unique<CItem>(batchtests::MakeItem("/a.jpg", 10, 20, 7)));
    const BatchRun run = BatchRun::Snapshot(list, settings);
    list.begin()->get()->m_nTargetWidth = 99;  // later changes do not reach the run
    ASSERT_EQ(run.items.size(), 1u);
    EXPECT_EQ(run.items[0].m_nTargetWidth, 10);
    EXPECT_EQ(run.items[0].m_nMode, 7);
    EXPECT_EQ(run.options.crop, 1);
    EXPECT_EQ(run.options.jpegQuality, 77);
    EXPECT_EQ(run.options.overwriteMethod, 2);
    EXPECT_EQ(run.options.outFolder, "/out/");
}

}  // namespace
