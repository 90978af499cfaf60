// The preview of the real program: started on a picture with the settings of
// a user who chose mode 6 and twice the size (the lock keeps them for new
// pictures), it shows the engine's region, which differs from the fast
// nearest-neighbour preview and matches, within one grey level, the region
// that vespera-bench preview computes for the same request.

#include "tests/e2e/E2eSession.h"

#include <QDir>
#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <optional>

namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 240;

// Fine texture and hard edges, so that the engine's enlargement differs
// clearly from repeated pixels.
QImage TexturedPicture() {
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const int r = static_cast<int>(127 + 100 * std::sin(x * 0.31) * std::cos(y * 0.17));
            const int g = ((x / 7 + y / 5) % 2) ? 200 : 40;
            const int b = (x * 37 + y * 91) % 256;
            image.setPixel(x, y, qRgb(r, g, b));
        }
    return image;
}

void WriteSettings(const E2eSession& session) {
    ASSERT_TRUE(session.WriteSettingsFile(
        "[MAIN]\nINTERPOLMODE=6\nLOCKSETTINGS=1\nINPERCENTS=1\nPERCENTW=200.000000\nPERCENTH=200.000000\n"));
}

int Difference(QRgb a, QRgb b) {
    return std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)), std::abs(qBlue(a) - qBlue(b))});
}

// Where a 16 x 16 patch from the middle of `part` lies in `whole`, placing
// `part`'s corner.
std::optional<QPoint> Locate(const QImage& whole, const QImage& part) {
    const QPoint patch(part.width() / 2, part.height() / 2);
    constexpr int kPatch = 16;
    for (int y = 0; y + kPatch <= whole.height(); ++y)
        for (int x = 0; x + kPatch <= whole.width(); ++x) {
            bool same = true;
            for (int dy = 0; same && dy < kPatch; ++dy)
                for (int dx = 0; same && dx < kPatch; ++dx)
                    same = Difference(whole.pixel(x + dx, y + dy), part.pixel(patch.x() + dx, patch.y() + dy)) <= 1;
            if (same)
                return QPoint(x - patch.x(), y - patch.y());
        }
    return std::nullopt;
}

TEST(Preview, ModeSixAtTwiceTheSizeShowsTheEngineRegion) {
    E2eSession session;
    const QString picture = session.Home() + QStringLiteral("/texture.png");
    const QImage source = TexturedPicture();
    ASSERT_TRUE(source.save(picture, "PNG"));
    WriteSettings(session);

    ASSERT_TRUE(session.Start({QStringLiteral("--timing"), picture}));
    const unsigned long window = session.FindWindow(QStringLiteral("^ORVEK Vespera 3 - texture\\.png$"));
    ASSERT_NE(window, 0u) << session.ErrorOutput().toStdString();
    ASSERT_TRUE(E2eSession::WaitFor([&] { return session.ErrorOutput().contains("preview_engine_ms="); }, 30000))
        << "no engine region on screen: " << session.ErrorOutput().toStdString();

    // The same request without a window: the whole output fits the view.
    const QString region = session.Root() + QStringLiteral("/region.png");
    QProcess bench;
    bench.start(qEnvironmentVariable("VESPERA_BENCH"),
                {QStringLiteral("preview"), picture, QString::number(2 * kWidth), QString::number(2 * kHeight),
                 QStringLiteral("6"), QString::number(2 * kWidth), QString::number(2 * kHeight), region});
    ASSERT_TRUE(bench.waitForFinished(60000));
    ASSERT_EQ(bench.exitCode(), 0) << bench.readAllStandardError().toStdString();
    const QImage expected = QImage(region).convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(expected.size(), QSize(2 * kWidth, 2 * kHeight));

    const QImage shot = session.Screenshot(window).convertToFormat(QImage::Format_RGB32);
    const std::optional<QPoint> at = Locate(shot, expected);
    if (!at)
        shot.save(session.Root() + QStringLiteral("/../vespera-e2e-preview-failed.png"));
    ASSERT_TRUE(at) << "the engine region is not on the screen";
    ASSERT_TRUE(QRect(QPoint(0, 0), shot.size()).contains(QRect(*at, expected.size())));

    int worst = 0;
    qint64 differentFromFast = 0;
    for (int y = 0; y < expected.height(); ++y)
        for (int x = 0; x < expected.width(); ++x) {
            const QRgb shown = shot.pixel(at->x() + x, at->y() + y);
            worst = std::max(worst, Difference(shown, expected.pixel(x, y)));
            // The fast preview repeats each source pixel twice each way.
            if (Difference(shown, source.pixel(x / 2, y / 2)) > 1)
                ++differentFromFast;
        }
    EXPECT_LE(worst, 1);
    EXPECT_GT(differentFromFast, expected.width() * expected.height() / 10);

    ASSERT_TRUE(session.CloseWindow(window));
    EXPECT_TRUE(session.WaitForExit(15000).has_value());
}

}  // namespace
