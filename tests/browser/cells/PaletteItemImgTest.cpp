// The image cell's passes on real files: the fast pass from the EXIF
// thumbnail, the better pass from the whole image, and the files whose
// better pass fails keeping the thumbnail they had.
#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdlib>
#include <thread>

#include <jpeglib.h>

#include "browser/ThumbFixtures.h"
#include "browser/cells/DecodedDibCache.h"
#include "browser/cells/PaletteItemImg.h"
#include "browser/cells/ThumbCacheLock.h"
#include "imagefiles/PixelFormatProbe.h"
#include "support/BitfieldsBmp.h"
#include "support/DamagedImages.h"
#include "support/TransparentPictures.h"

using namespace thumbfixtures;

namespace {

class ImageCells : public ::testing::Test {
protected:
    QString File(const QString& name, const Bytes& bytes) {
        const QString path = m_dir.filePath(name);
        EXPECT_TRUE(WriteBytes(path, bytes));
        return path;
    }
    QTemporaryDir m_dir;
};

struct FitCase {
    std::int64_t w, h;
    QSize expected;
};

class FitThumb : public ::testing::TestWithParam<FitCase> {};

TEST_P(FitThumb, TouchesTheBoxOnOneSide) {
    EXPECT_EQ(CPaletteItemImg::FitThumbSize(GetParam().w, GetParam().h), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Sizes, FitThumb,
                         ::testing::Values(FitCase{4000, 3000, {220, 165}}, FitCase{3000, 4000, {123, 165}},
                                           FitCase{100, 50, {220, 110}}, FitCase{0, 50, {10, 10}},
                                           FitCase{50, 0, {10, 10}}, FitCase{13000, 1000, {220, 16}},
                                           FitCase{160, 120, {220, 165}}, FitCase{4, 2000, {1, 165}},
                                           FitCase{2000, 4, {220, 1}}));

TEST_F(ImageCells, FastPassFromTheExifThumbnailThenBetterPassFromTheImage) {
    const QString path = File("camera.jpg", CameraJpeg(400, 300));
    CPaletteItemImg cell;
    ASSERT_TRUE(cell.LoadThumbnail(path, false, nullptr));
    EXPECT_FALSE(cell.m_bComplete);
    EXPECT_EQ(cell.m_nImageWidth, 400);
    EXPECT_EQ(cell.m_nImageHeight, 300);
    EXPECT_EQ(cell.m_nBitsPerPixel, 24);
    EXPECT_EQ(QSize(cell.m_nThumbWidth, cell.m_nThumbHeight), QSize(220, 165));
    ASSERT_TRUE(cell.GetDib());
    EXPECT_TRUE(Near(CentreOf(*cell.GetDib()), kRed)) << int(CentreOf(*cell.GetDib()).r);
    EXPECT_TRUE(cell.Jpeg());

    ASSERT_TRUE(cell.LoadThumbnail(path, true, nullptr));
    EXPECT_TRUE(cell.m_bComplete);
    EXPECT_EQ(cell.m_nImageWidth, 400);
    EXPECT_TRUE(Near(CentreOf(*cell.GetDib()), kBlue));
    EXPECT_EQ(cell.GetDib()->Width(), 220);
    EXPECT_EQ(cell.GetDib()->Height(), 165);
}

// A cell drawn in the view decodes its JPEG with the cache's lock free, so
// the builder threads (which take that lock for every cell they store) go
// on meanwhile; the drawing still shows the thumbnail.
TEST_F(ImageCells, ADrawingDecodesItsThumbnailWithTheCacheLockFree) {
    g_DecodedDibs.Clear();
    CPaletteItemImg cell;
    GiveThumbnail(cell, 220, 165, kRed);
    ASSERT_FALSE(cell.HoldsDib());
    int decodes = 0;
    bool lockFree = true;
    SetThumbDecodeObserver([&] {
        ++decodes;
        // As a builder thread would take it.
        std::thread other([&] {
            if (g_csThumbCache.try_lock()) {
                g_csThumbCache.unlock();
            } else {
                lockFree = false;
            }
        });
        other.join();
    });
    QImage image(240, 200, QImage::Format_RGB32);
    image.fill(Qt::white);
    IBorderBuffer surface;
    {
        QPainter painter(&image);
        cell.Draw(painter, surface, 0, 0, QStringLiteral("/photos/a.jpg"), false, false);
    }
    SetThumbDecodeObserver({});
    EXPECT_EQ(decodes, 1);
    EXPECT_TRUE(lockFree);
    const QColor centre = image.pixelColor(cell.GetImageRect().center());
    EXPECT_TRUE(Near(Rgb{std::uint8_t(centre.red()), std::uint8_t(centre.green()), std::uint8_t(centre.blue())}, kRed));
    EXPECT_TRUE(cell.HoldsDib());
    g_DecodedDibs.Clear();
}

TEST_F(ImageCells, WithoutExifTheFastPassDecodesTheImage) {
    const QString path = File("plain.JPG", SolidJpeg(1000, 500, kBlue));
    CPaletteItemImg cell;
    ASSERT_TRUE(cell.LoadThumbnail(path, false, nullptr));
    EXPECT_TRUE(cell.m_bComplete);
    // The size of the file's header, not of the reduced decode.
    EXPECT_EQ(cell.m_nImageWidth, 1000);
    EXPECT_EQ(cell.m_nImageHeight, 500);
    EXPECT_EQ(QSize(cell.m_nThumbWidth, cell.m_nThumbHeight), QSize(220, 110));
    EXPECT_TRUE(Near(CentreOf(*cell.GetDib()), kBlue));
}

// A CMYK JPEG, as a prepress tool writes it, gets its thumbnail from the
// whole image in the fast pass, in its colours, as the document shows it.
TEST_F(ImageCells, ACmykJpegGetsAThumbnailFromItsImage) {
    const QString path = m_dir.filePath(QStringLiteral("cmyk.jpg"));
    QProcess convert;
    convert.start(QStringLiteral("convert"),
                  {QStringLiteral("-size"), QStringLiteral("320x240"), QStringLiteral("xc:rgb(30,40,210)"),
                   QStringLiteral("-colorspace"), QStringLiteral("CMYK"), path});
    ASSERT_TRUE(convert.waitForFinished(60000));
    ASSERT_EQ(convert.exitCode(), 0) << convert.readAllStandardError().toStdString();
    ASSERT_EQ(ProbePixelFormat(path), imaging::PixelFormat32bppCMYK);

    CPaletteItemImg cell;
    ASSERT_TRUE(cell.LoadThumbnail(path, false, nullptr));
    EXPECT_TRUE(cell.m_bComplete);
    EXPECT_EQ(cell.m_nImageWidth, 320);
    EXPECT_EQ(cell.m_nImageHeight, 240);
    ASSERT_TRUE(cell.GetDib());
    EXPECT_TRUE(Near(CentreOf(*cell.GetDib()), kBlue));
}

// A CMYK file with a camera's EXIF thumbnail shows that one first; the
// better pass then makes it from the image.
TEST_F(ImageCells, ACmykFileGetsItsBetterPassToo) {
    const QString path = File("cmyk.jpg", WithExif(CmykJpeg(64, 48), CameraExif(64, 48, SolidJpeg(160, 120, kRed))));
    CPaletteItemImg cell;
    ASSERT_TRUE(cell.LoadThumbnail(path, false, nullptr));
    EXPECT_FALSE(cell.m_bComplete);
    ASSERT_TRUE(cell.GetDib());
    EXPECT_TRUE(Near(CentreOf(*cell.GetDib()), kRed));
    ASSERT_TRUE(cell.LoadThumbnail(path, true, nullptr));
    EXPECT_TRUE(cell.m_bComplete);
    ASSERT_TRUE(cell.GetDib());
    EXPECT_FALSE(Near(CentreOf(*cell.GetDib()), kRed));
}

// A file cut short is refused here as the document and the batch refuse
// it: its whole-image pass gives nothing, its EXIF thumbnail (whole, in the
// header) still shows.
TEST_F(ImageCells, AFileCutShortGetsNoThumbnailFromItsImage) {
    Bytes plainFile = SolidJpeg(1000, 500, kBlue);
    plainFile.resize(plainFile.size() * 6 / 10);
    CPaletteItemImg plain;
    EXPECT_FALSE(plain.LoadThumbnail(File("cut.jpg", plainFile), false, nullptr));
    EXPECT_FALSE(plain.HasThumbnailData());

    Bytes cameraFile = CameraJpeg(400, 300);
    cameraFile.resize(cameraFile.size() - SolidJpeg(400, 300, kBlue).size() / 2);  // in the main image's scan
    const QString camera = File("camera.jpg", cameraFile);
    CPaletteItemImg cell;
    ASSERT_TRUE(cell.LoadThumbnail(camera, false, nullptr));
    EXPECT_FALSE(cell.LoadThumbnail(camera, true, nullptr));
    EXPECT_FALSE(cell.m_bComplete);
    ASSERT_TRUE(cell.GetDib());
    EXPECT_TRUE(Near(CentreOf(*cell.GetDib()), kRed));
}

// Damaged files whose every marker and block is there get no thumbnail from
// their image, as the document refuses them: a JPEG cut in half with its end
// marker, a JPEG and a GIF whose headers claim more than their data holds.
TEST_F(ImageCells, DamagedFilesGetNoThumbnailFromTheirImage) {
    const struct {
        const char* name;
        QByteArray bytes;
    } files[] = {{"half.jpg", damaged::JpegCutWithEnd(600, 400)},
                 {"huge.jpg", damaged::JpegClaiming(30000, 30000)},
                 {"tall.gif", damaged::GifClaimingRows(40, 4, 3000)}};
    for (const auto& file : files) {
        SCOPED_TRACE(file.name);
        CPaletteItemImg cell;
        EXPECT_FALSE(cell.LoadThumbnail(File(file.name, Bytes(file.bytes.begin(), file.bytes.end())), false, nullptr));
        EXPECT_FALSE(cell.HasThumbnailData());
    }
    // Whole, they do.
    CPaletteItemImg whole;
    const QByteArray jpeg = damaged::Jpeg(damaged::Noise(600, 400));
    EXPECT_TRUE(whole.LoadThumbnail(File("whole.jpg", Bytes(jpeg.begin(), jpeg.end())), false, nullptr));
    std::vector<std::uint8_t> gif;
    ASSERT_TRUE(imaging::EncodeGif(damaged::Noise(40, 30), gif));
    CPaletteItemImg wholeGif;
    EXPECT_TRUE(wholeGif.LoadThumbnail(File("whole.gif", Bytes(gif.begin(), gif.end())), false, nullptr));
}

TEST_F(ImageCells, APanoramaWiderThan12000KeepsItsFastThumbnail) {
    const QString path = File("pano.jpg", CameraJpeg(260, 20, 13000, 1000));
    CPaletteItemImg cell;
    ASSERT_TRUE(cell.LoadThumbnail(path, false, nullptr));
    EXPECT_EQ(cell.m_nImageWidth, 13000);
    EXPECT_FALSE(cell.LoadThumbnail(path, true, nullptr));
    ASSERT_TRUE(cell.HasThumbnailData());
    EXPECT_TRUE(Near(CentreOf(*cell.GetDib()), kRed));
}

// A progressive w x h JPEG (4:2:0) of `colour`, each 16 x 16 block a little
// lighter or darker, so that every block codes something, as a photograph's
// do, and the file holds the pixels it claims.
Bytes ProgressiveJpeg(int w, int h, Rgb colour) {
    jpeg_compress_struct cinfo;
    jpeg_error_mgr jerr;
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_compress(&cinfo);
    unsigned char* mem = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &mem, &size);
    cinfo.image_width = static_cast<JDIMENSION>(w);
    cinfo.image_height = static_cast<JDIMENSION>(h);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 50, TRUE);
    jpeg_simple_progression(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<JSAMPLE> row(static_cast<std::size_t>(w) * 3);
    std::vector<int> shade(static_cast<std::size_t>(w / 16 + 1));
    std::uint32_t state = 12345;
    while (cinfo.next_scanline < cinfo.image_height) {
        if (cinfo.next_scanline % 16 == 0)
            for (int& s : shade) {
                state = state * 214013 + 2531011;
                s = static_cast<int>(state >> 16) % 25 - 12;
            }
        for (int x = 0; x < w; ++x) {
            const int s = shade[static_cast<std::size_t>(x / 16)];
            row[3 * x] = static_cast<JSAMPLE>(colour.r + s);
            row[3 * x + 1] = static_cast<JSAMPLE>(colour.g + s);
            row[3 * x + 2] = static_cast<JSAMPLE>(colour.b + s);
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    Bytes out(mem, mem + size);
    jpeg_destroy_compress(&cinfo);
    std::free(mem);
    return out;
}

// A large progressive photograph: decoded at an eighth, it still needs
// libjpeg's coefficients of the whole picture (288 MB), more than the
// bound of a decode that cannot reduce, and gets its thumbnail.
TEST_F(ImageCells, ALargeProgressiveJpegGetsAThumbnailFromItsImage) {
    const QString path = File("progressive.jpg", ProgressiveJpeg(12000, 8000, kBlue));
    CPaletteItemImg cell;
    ASSERT_TRUE(cell.LoadThumbnail(path, false, nullptr));
    EXPECT_TRUE(cell.m_bComplete);
    EXPECT_EQ(cell.m_nImageWidth, 12000);
    EXPECT_EQ(cell.m_nImageHeight, 8000);
    EXPECT_EQ(QSize(cell.m_nThumbWidth, cell.m_nThumbHeight), CPaletteItemImg::FitThumbSize(12000, 8000));
    ASSERT_TRUE(cell.GetDib());
    EXPECT_TRUE(Near(CentreOf(*cell.GetDib()), kBlue));
}

TEST_F(ImageCells, ExifWidthAbove12000WithoutThumbnailGivesNothingButNoExifDecodes) {
    const Bytes image = SolidJpeg(240, 20, kBlue);
    CPaletteItemImg withExif;
    EXPECT_FALSE(
        withExif.LoadThumbnail(File("wide.jpg", WithExif(image, CameraExif(12001, 1000, {}))), false, nullptr));
    EXPECT_FALSE(withExif.HasThumbnailData());
    CPaletteItemImg plain;
    EXPECT_TRUE(plain.LoadThumbnail(File("wide2.jpg", image), false, nullptr));
    EXPECT_TRUE(plain.m_bComplete);
}

TEST_F(ImageCells, RefusedFiles) {
    const Bytes jpeg = SolidJpeg(16, 16, kBlue);
    for (const char* name : {"a.jpe", "b.txt", "c"}) {
        CPaletteItemImg cell;
        EXPECT_FALSE(cell.LoadThumbnail(File(name, jpeg), false, nullptr)) << name;
    }
    CPaletteItemImg missing;
    EXPECT_FALSE(missing.LoadThumbnail(m_dir.filePath("missing.jpg"), false, nullptr));
    CPaletteItemImg broken;
    EXPECT_FALSE(broken.LoadThumbnail(File("broken.jpg", Bytes(100, 0x42)), false, nullptr));
}

TEST_F(ImageCells, TheLinuxSpellingOfJpegGetsItsThumbnail) {
    CPaletteItemImg cell;
    EXPECT_TRUE(cell.LoadThumbnail(File("a.jpeg", SolidJpeg(16, 16, kBlue)), false, nullptr));
    EXPECT_EQ(cell.m_nImageWidth, 16);
}

TEST_F(ImageCells, PngAndBmpDecodeInFull) {
    QImage image(300, 100, QImage::Format_RGB32);
    image.fill(QColor(kBlue.r, kBlue.g, kBlue.b));
    for (const char* name : {"p.png", "b.bmp", "t.tif"}) {
        const QString path = m_dir.filePath(name);
        ASSERT_TRUE(image.save(path)) << name;
        CPaletteItemImg cell;
        ASSERT_TRUE(cell.LoadThumbnail(path, false, nullptr)) << name;
        EXPECT_EQ(cell.m_nImageWidth, 300);
        EXPECT_EQ(QSize(cell.m_nThumbWidth, cell.m_nThumbHeight), QSize(220, 73));
        EXPECT_TRUE(Near(CentreOf(*cell.GetDib()), kBlue, 4)) << name;
    }
}

// The files that only the program's own TIFF and colour-mask BMP readers
// take (Qt's reader refuses them) get their thumbnails from their pixels too.
TEST_F(ImageCells, TiledTiffsAndColourMaskBmpsGetThumbnailsFromTheirImage) {
    const QString source = m_dir.filePath(QStringLiteral("source.png"));
    QImage image(100, 40, QImage::Format_RGB32);
    image.fill(QColor(kBlue.r, kBlue.g, kBlue.b));
    ASSERT_TRUE(image.save(source));
    for (const char* depth : {"8", "16"}) {
        SCOPED_TRACE(depth);
        const QString path = m_dir.filePath(QStringLiteral("tiled-%1.tif").arg(QLatin1String(depth)));
        QProcess convert;
        convert.start(QStringLiteral("convert"),
                      {source, QStringLiteral("-depth"), QLatin1String(depth), QStringLiteral("-define"),
                       QStringLiteral("tiff:tile-geometry=256x256"), path});
        ASSERT_TRUE(convert.waitForFinished(60000));
        ASSERT_EQ(convert.exitCode(), 0) << convert.readAllStandardError().toStdString();
        CPaletteItemImg cell;
        ASSERT_TRUE(cell.LoadThumbnail(path, false, nullptr));
        EXPECT_EQ(QSize(cell.m_nImageWidth, cell.m_nImageHeight), QSize(100, 40));
        ASSERT_TRUE(cell.GetDib());
        EXPECT_TRUE(Near(CentreOf(*cell.GetDib()), kBlue, 4));
    }

    // Red 11 bits, green 11, blue 10; every pixel the blue above.
    const bitfields::Layout layout{100, 40, 32, {0xFFE00000u, 0x001FFC00u, 0x000003FFu, 0}};
    const std::uint32_t pixel = bitfields::Place(kBlue.r * 2047u / 255, layout.masks[0]) |
                                bitfields::Place(kBlue.g * 2047u / 255, layout.masks[1]) |
                                bitfields::Place(kBlue.b * 1023u / 255, layout.masks[2]);
    const std::vector<std::uint8_t> bmp = bitfields::File(layout, std::vector<std::uint32_t>(100 * 40, pixel));
    CPaletteItemImg cell;
    ASSERT_TRUE(cell.LoadThumbnail(File("masks.bmp", bmp), false, nullptr));
    ASSERT_TRUE(cell.GetDib());
    EXPECT_TRUE(Near(CentreOf(*cell.GetDib()), kBlue, 4));
}

// A picture far narrower than the box keeps a thumbnail one pixel across,
// in both passes, from a JPEG and from a PNG.
TEST_F(ImageCells, AVeryNarrowPictureGetsAThumbnailOnePixelAcross) {
    struct Case {
        const char* name;
        QSize image, thumb;
    };
    for (const Case& c : {Case{"tall.jpg", {4, 2000}, {1, 165}}, Case{"wide.jpg", {2000, 4}, {220, 1}},
                          Case{"tall.png", {4, 2000}, {1, 165}}, Case{"wide.png", {2000, 4}, {220, 1}}}) {
        SCOPED_TRACE(c.name);
        const QString path = m_dir.filePath(QString::fromUtf8(c.name));
        if (path.endsWith(QStringLiteral(".jpg"))) {
            ASSERT_TRUE(WriteBytes(path, SolidJpeg(c.image.width(), c.image.height(), kBlue)));
        } else {
            QImage image(c.image, QImage::Format_RGB32);
            image.fill(QColor(kBlue.r, kBlue.g, kBlue.b));
            ASSERT_TRUE(image.save(path));
        }
        for (const bool better : {false, true}) {
            CPaletteItemImg cell;
            ASSERT_TRUE(cell.LoadThumbnail(path, better, nullptr)) << "better pass " << better;
            EXPECT_EQ(QSize(cell.m_nImageWidth, cell.m_nImageHeight), c.image);
            EXPECT_EQ(QSize(cell.m_nThumbWidth, cell.m_nThumbHeight), c.thumb);
            const DibRef dib = cell.GetDib();
            ASSERT_TRUE(dib);
            EXPECT_EQ(QSize(dib->Width(), dib->Height()), c.thumb);
            EXPECT_TRUE(Near(CentreOf(*dib), kBlue));
        }
    }
}

TEST_F(ImageCells, ABetterPassOfACompleteCellChangesNothing) {
    const QString path = File("plain.jpg", SolidJpeg(100, 100, kBlue));
    CPaletteItemImg cell;
    ASSERT_TRUE(cell.LoadThumbnail(path, false, nullptr));
    const auto jpeg = cell.Jpeg();
    EXPECT_TRUE(cell.LoadThumbnail(path, true, nullptr));
    EXPECT_EQ(cell.Jpeg(), jpeg);
}

TEST_F(ImageCells, StoredThumbnailDecodesBackUpsideDownAsStored) {
    // Top half red, bottom half blue: the stored JPEG holds it in memory order
    // and GetDib gives it back the same way up.
    DibRef dib = SolidDib(220, 165, kRed);
    for (int y = 82; y < 165; ++y) {
        std::uint8_t* row = dib->TopDownRow(y);
        for (int x = 0; x < 220; ++x) {
            row[3 * x] = kBlue.b;
            row[3 * x + 1] = kBlue.g;
            row[3 * x + 2] = kBlue.r;
        }
    }
    ThumbnailBuild build;
    build.dib = dib;
    build.jpeg = CPaletteItemImg::CompressThumbnail(*dib);
    CPaletteItemImg source;
    source.AdoptThumbnail(std::move(build));
    CPaletteItemImg copy;
    copy.CopyInfoFrom(source);
    copy.CopyJpegFrom(source);
    const DibRef decoded = copy.GetDib();
    ASSERT_TRUE(decoded);
    const std::uint8_t* top = decoded->TopDownRow(10) + 300;
    const std::uint8_t* bottom = decoded->TopDownRow(150) + 300;
    EXPECT_TRUE(Near({top[2], top[1], top[0]}, kRed));
    EXPECT_TRUE(Near({bottom[2], bottom[1], bottom[0]}, kBlue));
}

}  // namespace

// Transparency is not kept: a transparent GIF colour and a PNG's alpha show
// white in the thumbnail, as in the preview and the saved file.
TEST_F(ImageCells, TransparentPicturesGetWhiteThumbnails) {
    const struct {
        const char* name;
        QByteArray bytes;
    } files[] = {
        {"clear.gif", transparent::TransparentGif(300, 100)},
        {"alpha.png", transparent::AlphaPng(300, 100)},
    };
    for (const auto& file : files) {
        SCOPED_TRACE(file.name);
        const QString path = File(QString::fromLatin1(file.name), Bytes(file.bytes.begin(), file.bytes.end()));
        CPaletteItemImg cell;
        ASSERT_TRUE(cell.LoadThumbnail(path, false, nullptr));
        const DibRef dib = cell.GetDib();
        ASSERT_TRUE(dib);
        ASSERT_EQ(dib->Width(), 220);
        auto at = [&](int x) {
            const std::uint8_t* p = dib->TopDownRow(dib->Height() / 2) + 3 * x;
            return Rgb{p[2], p[1], p[0]};
        };
        EXPECT_TRUE(Near(at(20), Rgb{255, 255, 255}, 2));  // transparent
        EXPECT_TRUE(Near(at(200), Rgb{255, 0, 0}, 2));     // opaque red
    }
}
