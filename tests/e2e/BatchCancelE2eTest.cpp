// Cancelling a batch in the real program: whenever Cancel comes (as the
// progress dialog opens, after the first output, after the third), the log
// ends with "Operation canceled by user!" once, the button turns to Done
// (Escape then closes the dialog) and no output is written that the log does
// not tell of.

#include "tests/e2e/E2eSession.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>

#include <gtest/gtest.h>

#include <functional>

namespace {

constexpr int kItems = 12;

void WritePicture(const QString& path, int seed) {
    QImage image(800, 600, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, qRgb((x + seed * 40) % 256, y * 255 / image.height(), (x * y + seed) % 256));
    ASSERT_TRUE(image.save(path, nullptr, 90)) << path.toStdString();
}

// Every picture becomes 4800 x 3600 with "High Quality Bicubic", which does
// not look at the cancel during its resize: the run is long enough for a
// cancel to come in its middle, at a decode, a resize, a save or between two
// items.
void WriteSettings(const E2eSession& session, const QString& outFolder) {
    ASSERT_TRUE(session.WriteSettingsFile(
        "[MAIN]\nWIDTH=4800\nHEIGHT=3600\nDPI=96.000000\nCORRECTPROP=0\nINTERPOLMODE=4\nAPPLYTOALL=1\n"
        "INPERCENTS=0\nLOCKSETTINGS=0\n[BATCH]\nOUTFORMAT=1\nOVERWRITEMETHOD=1\nNEWNAME=0\nSAMEFOLDER=0\n"
        "OUTFOLDER=" +
        outFolder.toUtf8() + "\n"));
}

int CountOutputs(const QString& out) {
    return static_cast<int>(QDir(out).entryList({QStringLiteral("*.jpg")}, QDir::Files).size());
}

struct Moment {
    const char* name;
    int outputsBefore;  // Cancel once this many outputs exist (0: as the dialog opens)
};

class BatchCancelE2e : public ::testing::TestWithParam<Moment> {};

TEST_P(BatchCancelE2e, EndsWithTheCancelLineAndDone) {
    const Moment moment = GetParam();
    E2eSession session;
    const QString source = session.Home() + QStringLiteral("/photos/");
    const QString out = session.Home() + QStringLiteral("/resized/");
    ASSERT_TRUE(QDir().mkpath(source));
    ASSERT_TRUE(QDir().mkpath(out));
    QStringList arguments;
    for (int i = 0; i < kItems; ++i) {
        const QString path = source + QStringLiteral("p%1.jpg").arg(i);
        WritePicture(path, i);
        arguments << path;
    }
    WriteSettings(session, out);

    ASSERT_TRUE(session.Start(arguments));
    const unsigned long window = session.FindWindow(QStringLiteral("^ORVEK Vespera 3"));
    ASSERT_NE(window, 0u) << session.ErrorOutput().toStdString();
    ASSERT_TRUE(session.SendKeys(window, QStringLiteral("Return")));
    const unsigned long settings = session.FindWindow(QStringLiteral("^Batch Settings$"));
    ASSERT_NE(settings, 0u) << session.ErrorOutput().toStdString();
    ASSERT_TRUE(session.SendKeys(settings, QStringLiteral("Return")));
    const unsigned long progress = session.FindWindow(QStringLiteral("^Batch processing$"));
    ASSERT_NE(progress, 0u) << session.ErrorOutput().toStdString();

    ASSERT_TRUE(E2eSession::WaitFor([&] { return CountOutputs(out) >= moment.outputsBefore; }, 120000));
    ASSERT_TRUE(session.SendKeys(progress, QStringLiteral("Escape")));

    const QString cancelLine = QStringLiteral("Operation canceled by user!");
    std::optional<QString> log;
    ASSERT_TRUE(E2eSession::WaitFor(
        [&] {
            log = E2eSession::CopyTextAt(progress, {60, 80});
            return log && log->contains(cancelLine);
        },
        60000))
        << (log ? log->toStdString() : std::string("no clipboard"));
    EXPECT_TRUE(log->trimmed().endsWith(cancelLine)) << log->toStdString();
    EXPECT_EQ(log->count(cancelLine), 1) << log->toStdString();
    // Every output written is one the log told of before the cancel's line.
    EXPECT_LE(CountOutputs(out), static_cast<int>(log->count(QStringLiteral("File "))));

    // Done: Escape now closes the dialog.
    ASSERT_TRUE(E2eSession::WaitFor(
        [&] {
            session.SendKeys(progress, QStringLiteral("Escape"));
            return session.WaitForWindowGone(QStringLiteral("^Batch processing$"), 2000);
        },
        20000));
    session.CloseWindow(window);
    EXPECT_TRUE(session.WaitForExit(20000).has_value());
}

INSTANTIATE_TEST_SUITE_P(Moments, BatchCancelE2e,
                         ::testing::Values(Moment{"AsTheDialogOpens", 0}, Moment{"AfterTheFirstOutput", 1},
                                           Moment{"AfterTheThirdOutput", 3}),
                         [](const ::testing::TestParamInfo<Moment>& info) { return std::string(info.param.name); });

}  // namespace
