// vespera-bench resize, started as a program of its own: binary PPM in and
// out (8-bit samples read directly, 16-bit ones through the general reader)
// give the bytes ResizeBitmap makes in this process, for rows that fill
// their 4-byte padding exactly and rows that do not, in an imaging-layer
// mode and an engine mode. Its target is not cleared before the resize, so
// a pixel the resize left alone would show.

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <string>
#include <vector>

#include "core/resize/ResizeBitmap.h"
#include "platform/imaging/Bitmap.h"
#include "platform/imaging/BitmapLock.h"
#include "tests/support/FileFixtures.h"
#include "tests/support/LimitedChild.h"

namespace {

std::string Local(const QString& path) { return QFile::encodeName(path).toStdString(); }

std::uint8_t Sample(int x, int y, int channel) {
    return static_cast<std::uint8_t>((x * 37 + y * 91 + channel * 53) ^ (x * y));
}

QByteArray Ppm(int w, int h) {
    QByteArray bytes = QByteArray("P6\n") + QByteArray::number(w) + ' ' + QByteArray::number(h) + "\n255\n";
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < 3; ++c)
                bytes.append(static_cast<char>(Sample(x, y, c)));  // R, G, B
    return bytes;
}

// The source resized here, as the PPM bytes of the result.
QByteArray ResizedPpm(imaging::Bitmap& source, int outW, int outH, int mode) {
    auto target = imaging::Bitmap::Create(outW, outH, imaging::PixelFormat24bppRGB);
    EXPECT_EQ(ResizeBitmap(&source, target.get(), mode, 0, nullptr), 1);
    QByteArray bytes = QByteArray("P6\n") + QByteArray::number(outW) + ' ' + QByteArray::number(outH) + "\n255\n";
    auto lock = target->LockBits({0, 0, outW, outH}, imaging::LockMode::Read);
    for (int y = 0; y < outH; ++y)
        for (int x = 0; x < outW; ++x)
            for (int c = 0; c < 3; ++c)
                bytes.append(static_cast<char>(lock->Scan0()[y * lock->Stride() + 3 * x + 2 - c]));
    return bytes;
}

// The same picture resized here.
QByteArray ResizedHere(int w, int h, int outW, int outH, int mode) {
    auto source = imaging::Bitmap::Create(w, h, imaging::PixelFormat24bppRGB);
    {
        auto lock = source->LockBits({0, 0, w, h}, imaging::LockMode::Write);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                for (int c = 0; c < 3; ++c)
                    lock->Scan0()[y * lock->Stride() + 3 * x + c] = Sample(x, y, 2 - c);  // B, G, R
    }
    return ResizedPpm(*source, outW, outH, mode);
}

TEST(ResizeCommand, PpmInAndOutGiveTheBytesOfResizeBitmap) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const struct {
        int w, h, outW, outH, mode;
    } cases[] = {{8, 6, 16, 12, 9}, {7, 5, 29, 19, 9}, {8, 6, 13, 9, 0}, {7, 5, 3, 2, 0}, {25, 17, 50, 34, 8}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.w << "x" << c.h << " to " << c.outW << "x" << c.outH << " mode "
                                        << c.mode);
        const QString in = dir.filePath(QStringLiteral("in.ppm"));
        const QString out = dir.filePath(QStringLiteral("out.ppm"));
        QFile file(in);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ASSERT_EQ(file.write(Ppm(c.w, c.h)), Ppm(c.w, c.h).size());
        file.close();
        const auto run =
            limitedchild::RunLimited({VESPERA_BENCH, "resize", Local(in), Local(out), std::to_string(c.outW),
                                      std::to_string(c.outH), std::to_string(c.mode)},
                                     RLIM_INFINITY, {}, std::chrono::seconds(60));
        ASSERT_TRUE(run.Exited()) << run.output;
        ASSERT_EQ(run.ExitCode(), 0) << run.output;
        QFile written(out);
        ASSERT_TRUE(written.open(QIODevice::ReadOnly));
        EXPECT_EQ(written.readAll(), ResizedHere(c.w, c.h, c.outW, c.outH, c.mode));
    }
}

// A PPM of 16-bit samples is not one the direct reader takes: it goes
// through the general reader, as any other file does.
TEST(ResizeCommand, SixteenBitPpmIsReadByTheGeneralReader) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    constexpr int kWidth = 9, kHeight = 7;
    QByteArray ppm = QByteArray("P6\n") + QByteArray::number(kWidth) + ' ' + QByteArray::number(kHeight) + "\n65535\n";
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            for (int c = 0; c < 3; ++c) {
                const int sample = Sample(x, y, c) * 257 + (x + c) * 31;
                ppm.append(static_cast<char>(sample >> 8)).append(static_cast<char>(sample & 0xFF));
            }
    const QString in = dir.filePath(QStringLiteral("deep.ppm"));
    const QString out = dir.filePath(QStringLiteral("out.ppm"));
    ASSERT_TRUE(WriteFile(in, ppm));
    const auto run = limitedchild::RunLimited({VESPERA_BENCH, "resize", Local(in), Local(out), "20", "15", "9"},
                                              RLIM_INFINITY, {}, std::chrono::seconds(60));
    ASSERT_TRUE(run.Exited()) << run.output;
    ASSERT_EQ(run.ExitCode(), 0) << run.output;
    const auto source = imaging::Bitmap::FromFile(Local(in));
    ASSERT_NE(source, nullptr);
    QFile written(out);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll(), ResizedPpm(*source, 20, 15, 9));
}

}  // namespace
