// View > Small Icons and Large Icons in the real program, with the Browse
// window open on a folder of 64 pictures: after each switch the screen shows
// the thumbnails at the new size, and a click on a picture selects that very
// picture (Ctrl+C then copies it).

#include "tests/e2e/E2eSession.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QSize>
#include <QUrl>

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>

namespace {

constexpr QRgb kRed = qRgb(230, 20, 20);
constexpr QRgb kGreen = qRgb(20, 200, 20);
constexpr QRgb kBlue = qRgb(20, 20, 230);
constexpr QRgb kFiller = qRgb(200, 160, 40);
constexpr int kPictures = 64;

QByteArray Url(const QString& path) { return QUrl::fromLocalFile(path).toEncoded(); }

bool IsNearColour(QRgb pixel, QRgb colour) {
    return std::abs(qRed(pixel) - qRed(colour)) < 40 && std::abs(qGreen(pixel) - qGreen(colour)) < 40 &&
           std::abs(qBlue(pixel) - qBlue(colour)) < 40;
}

// The width and height of the patch of `colour` around the centre of the
// pixels near it (a selected caption's text may share the colour), or an
// empty size when there is none.
QSize PatchNear(const QImage& image, QRgb colour) {
    const std::optional<QPoint> centre = CentreNear(image, colour, 40);
    if (!centre)
        return {};
    auto run = [&](QPoint step) {
        int n = 0;
        for (QPoint p = *centre; image.rect().contains(p) && IsNearColour(image.pixel(p), colour); p += step)
            ++n;
        return n;
    };
    return {run({1, 0}) + run({-1, 0}) - 1, run({0, 1}) + run({0, -1}) - 1};
}

}  // namespace

TEST(IconSizes, SmallThenLargeIconsShowTheNewSizeAndAClickSelectsThePictureUnderIt) {
    E2eSession session;
    const QString folder = session.Home() + QStringLiteral("/Pictures/Harbour");
    ASSERT_TRUE(QDir().mkpath(folder));
    auto name = [&](int i) { return folder + QStringLiteral("/p%1.jpg").arg(i, 2, 10, QChar(u'0')); };
    // Three pictures of their own colour among the fillers.
    for (int i = 0; i < kPictures; ++i) {
        const QRgb colour = i == 0 ? kRed : i == 5 ? kGreen : i == 6 ? kBlue : kFiller;
        ASSERT_TRUE(SaveSolidPicture(name(i), colour, {240, 180}, "JPEG", 95));
    }
    const QString document = session.Home() + QStringLiteral("/white.png");
    ASSERT_TRUE(SaveSolidPicture(document, qRgb(250, 250, 250)));
    QDir().mkpath(QFileInfo(session.SettingsFile()).path());
    {
        QFile settings(session.SettingsFile());
        ASSERT_TRUE(settings.open(QIODevice::WriteOnly));
        settings.write("[BROWSER]\nDEFAULT=" + QFile::encodeName(folder) + "\n");
    }

    ASSERT_TRUE(session.Start({document}));
    const unsigned long window = session.FindWindow(QStringLiteral("^ORVEK Vespera 3 - white\\.png$"));
    ASSERT_NE(window, 0u) << session.ErrorOutput().toStdString();
    ASSERT_TRUE(session.OpenBrowseWindow(window)) << session.WindowName(window).toStdString();
    ASSERT_TRUE(E2eSession::WaitFor([&] { return PatchNear(session.Screenshot(window), kRed).width() >= 200; }, 20000))
        << "the first thumbnail at the large size";

    // The thumbnail box is 220 x 165 at the large size and 145 x 109 at the
    // small one; the pictures are 4:3 and fill it.
    const struct {
        QStringList keys;
        int width;
        QRgb clicked;
        int index;
    } switches[] = {
        {{"alt+v", "s", "Return"}, 145, kGreen, 5},  // Small Icons (S is also the Status Bar's key)
        {{"alt+v", "l"}, 220, kBlue, 6},             // Large Icons
    };
    for (const auto& s : switches) {
        SCOPED_TRACE(s.width);
        ASSERT_TRUE(session.SendKeysEach(window, s.keys));
        QImage shot;
        ASSERT_TRUE(E2eSession::WaitFor(
            [&] {
                shot = session.Screenshot(window);
                return std::abs(PatchNear(shot, kRed).width() - s.width) <= 2;
            },
            10000))
            << PatchNear(shot, kRed).width();
        EXPECT_LE(std::abs(PatchNear(shot, kRed).height() - s.width * 3 / 4), 2);
        // A click on the picture drawn there selects it: Ctrl+C copies it.
        const std::optional<QPoint> centre = CentreNear(shot, s.clicked, 40);
        ASSERT_TRUE(centre.has_value());
        EXPECT_LE(std::abs(PatchNear(shot, s.clicked).width() - s.width), 2);
        ASSERT_TRUE(E2eSession::ClickAt(window, *centre));
        ASSERT_TRUE(session.SendKeys(window, QStringLiteral("ctrl+c")));
        const QByteArray expected = Url(name(s.index)) + "\r\n";
        std::optional<QByteArray> uris;
        EXPECT_TRUE(E2eSession::WaitFor(
            [&] {
                uris = E2eSession::ClipboardAs(QStringLiteral("text/uri-list"));
                return uris == expected;
            },
            10000))
            << uris.value_or("<none>").toStdString();
    }

    ASSERT_TRUE(session.CloseWindow(window));
    EXPECT_EQ(session.WaitForExit(), std::optional<int>(0));
}
