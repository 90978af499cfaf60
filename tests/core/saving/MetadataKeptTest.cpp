// The saved file keeps what photographers care about: maker notes, XMP, IPTC,
// ICC profiles, and TIFF files that TIFF readers take without a complaint.
#include <QColorSpace>

#include "CameraSources.h"
#include "imagefiles/ExifThumbnail.h"
#include "platform/imaging/ExifBlock.h"
#include "platform/imaging/TiffDirectory.h"

using namespace savingtests;

namespace {

// A source decoded as the document decodes it, saved as `extension` at a
// quarter of its size.
Bytes SaveQuarter(const Bytes& sourceFile, const std::string& path) {
    auto source = Bitmap::FromMemory(sourceFile);
    EXPECT_TRUE(source);
    if (!source)
        return {};
    auto resized = Bitmap::FromImage(Noise(source->Width() / 4, source->Height() / 4), imaging::PixelFormat24bppRGB);
    EXPECT_TRUE(SaveImageWithEncoder(resized.get(), path, 1, source.get(), 85, 72.0f));
    return ReadFile(path);
}

struct MakerCase {
    const CameraModel* camera;
    const char* sourceFormat;
    const char* extension;
};

std::vector<MakerCase> MakerCases() {
    std::vector<MakerCase> cases;
    for (const auto& camera : CameraModels())
        for (const char* format : {"jpeg", "tiff"})
            for (const char* extension : {"jpg", "tif"})
                cases.push_back({&camera, format, extension});
    return cases;
}

class MakerNotes : public SavingTest, public ::testing::WithParamInterface<MakerCase> {};

TEST_P(MakerNotes, ReadBackWithTheSameEntriesAndValues) {
    const MakerCase c = GetParam();
    const Bytes source = CameraFile(*c.camera, c.sourceFormat);
    const auto before = MakerNoteEntries(source);
    ASSERT_GE(before.size(), 2u) << c.camera->name;  // Exiv2 knows this maker
    const Bytes saved = SaveQuarter(source, Path(std::string("out.") + c.extension));
    EXPECT_EQ(MakerNoteEntries(saved), before) << c.camera->name << " " << c.sourceFormat << " to " << c.extension;
}

INSTANTIATE_TEST_SUITE_P(Makers, MakerNotes, ::testing::ValuesIn(MakerCases()), [](const auto& info) {
    std::string name =
        std::string(info.param.camera->name) + "_" + info.param.sourceFormat + "_to_" + info.param.extension;
    std::replace(name.begin(), name.end(), ' ', '_');
    return name;
});

class Metadata : public SavingTest {};

// A maker note of a layout Exiv2 does not know, as one IFD.
Bytes UnknownNote(std::uint32_t valueOffset) {
    // Signature "KDK\0", then an IFD of two entries: an inline SHORT and an
    // ASCII text of 12 bytes at valueOffset; the text follows the IFD.
    Bytes note = {'K', 'D', 'K', 0, 2, 0, 1, 0, 3, 0, 1, 0, 0, 0, 7, 0, 0, 0, 2, 0, 2, 0, 12, 0, 0, 0};
    for (int i = 0; i < 4; ++i)
        note.push_back(static_cast<std::uint8_t>(valueOffset >> (8 * i)));
    note.insert(note.end(), {0, 0, 0, 0});
    const std::string text = "serial 4711";
    note.insert(note.end(), text.begin(), text.end());
    note.push_back(0);
    return note;
}

Bytes KodakFile(const Bytes& note) {
    CameraModel kodak{
        "Kodak", {{"Exif.Image.Make", "Ascii", "EASTMAN KODAK COMPANY"}, {"Exif.Image.Model", "Ascii", "DCS Pro"}}};
    return EditWithExiv2(CameraFile(kodak, "jpeg"), [&](Exiv2::Image& image) {
        Exiv2::DataValue value(note.data(), static_cast<long>(note.size()));
        image.exifData()["Exif.Photo.MakerNote"] = value;
    });
}

Bytes NoteOf(const Bytes& file) {
    auto image = OpenWithExiv2(file);
    const auto it = image->exifData().findKey(Exiv2::ExifKey("Exif.Photo.MakerNote"));
    if (it == image->exifData().end())
        return {};
    Bytes bytes(static_cast<std::size_t>(it->size()));
    it->copy(bytes.data(), Exiv2::littleEndian);
    return bytes;
}

TEST_F(Metadata, AnUnknownNoteWithItsOwnOffsetsIsKeptByteForByte) {
    const Bytes note = UnknownNote(34);  // the text's place from the note's start
    const Bytes saved = SaveQuarter(KodakFile(note), Path("kodak.jpg"));
    EXPECT_EQ(NoteOf(saved), note);
}

TEST_F(Metadata, AnUnknownNoteWithOffsetsFromTheTiffHeaderIsLeftOut) {
    // First learn where the note lands, then point its text there: the
    // offsets count from the TIFF header, as many makers' do.
    const Bytes probe = KodakFile(UnknownNote(0));
    const auto tiff = imaging::FindExifTiffBlock(probe);
    const auto raw = imaging::FindRawMakerNote(tiff);
    ASSERT_FALSE(raw.bytes.empty());
    const Bytes note = UnknownNote(static_cast<std::uint32_t>(raw.offset + 34));
    const Bytes source = KodakFile(note);
    ASSERT_EQ(imaging::FindRawMakerNote(imaging::FindExifTiffBlock(source)).offset, raw.offset);
    const Bytes saved = SaveQuarter(source, Path("kodak.jpg"));
    EXPECT_TRUE(NoteOf(saved).empty());  // never written where its offsets would miss
    auto image = OpenWithExiv2(saved);
    EXPECT_EQ(image->exifData().findKey(Exiv2::ExifKey("Exif.Image.Make"))->toString(), "EASTMAN KODAK COMPANY");
}

// XMP with the fields photographers keep, and fields that describe the image.
const char kXmp[] = R"(<x:xmpmeta xmlns:x="adobe:ns:meta/">
 <rdf:RDF xmlns:rdf="http://www.w3.org/1999/02/22-rdf-syntax-ns#">
  <rdf:Description rdf:about="" xmlns:dc="http://purl.org/dc/elements/1.1/" xmlns:xmp="http://ns.adobe.com/xap/1.0/"
    xmlns:tiff="http://ns.adobe.com/tiff/1.0/" xmlns:exif="http://ns.adobe.com/exif/1.0/"
    xmlns:xmpGImg="http://ns.adobe.com/xap/1.0/g/img/"
    xmp:Rating="4" tiff:Make="XmpCam" tiff:Model="X-100" tiff:Orientation="6" tiff:ImageWidth="400"
    tiff:ImageLength="300" tiff:XResolution="300/1" tiff:BitsPerSample="8" exif:PixelXDimension="400"
    exif:PixelYDimension="300" exif:DateTimeOriginal="2012-03-04T05:06:07" exif:GPSLatitude="48,51.5N"
    exif:GPSLongitude="2,21.0E">
   <dc:subject><rdf:Bag><rdf:li>harbour</rdf:li><rdf:li>dawn</rdf:li></rdf:Bag></dc:subject>
   <dc:description><rdf:Alt><rdf:li xml:lang="x-default">Boats at first light</rdf:li></rdf:Alt></dc:description>
   <xmp:Thumbnails><rdf:Alt><rdf:li rdf:parseType="Resource"><xmpGImg:width>256</xmpGImg:width>
    <xmpGImg:image>AAAA</xmpGImg:image></rdf:li></rdf:Alt></xmp:Thumbnails>
  </rdf:Description>
 </rdf:RDF>
</x:xmpmeta>)";

Exiv2::XmpData XmpOf(const Bytes& file) { return OpenWithExiv2(file)->xmpData(); }

std::string XmpText(Exiv2::XmpData& xmp, const char* key) {
    const auto it = xmp.findKey(Exiv2::XmpKey(key));
    return it == xmp.end() ? std::string("(none)") : it->toString();
}

class XmpKept : public SavingTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(XmpKept, KeywordsRatingCaptionAndCameraDataLivingOnlyInXmp) {
    // No EXIF at all: the camera data lives only in the XMP.
    const Bytes source = EditWithExiv2(QtEncode(Flat(400, 300, Qt::gray), "jpeg", 90),
                                       [](Exiv2::Image& image) { image.setXmpPacket(kXmp); });
    const Bytes saved = SaveQuarter(source, Path(std::string("xmp.") + GetParam()));
    Exiv2::XmpData xmp = XmpOf(saved);
    // What photographers wrote, and the fields that describe the image,
    // which follow the saved file.
    const std::pair<const char*, const char*> expected[] = {
        {"Xmp.dc.subject", "harbour, dawn"},
        {"Xmp.dc.description", "lang=\"x-default\" Boats at first light"},
        {"Xmp.xmp.Rating", "4"},
        {"Xmp.tiff.Make", "XmpCam"},
        {"Xmp.tiff.Model", "X-100"},
        {"Xmp.tiff.Orientation", "6"},
        {"Xmp.exif.DateTimeOriginal", "2012-03-04T05:06:07"},
        {"Xmp.exif.GPSLatitude", "48,51.5N"},
        {"Xmp.exif.PixelXDimension", "100"},
        {"Xmp.exif.PixelYDimension", "75"},
        {"Xmp.tiff.ImageWidth", "100"},
        {"Xmp.tiff.XResolution", "72/1"},
        {"Xmp.tiff.BitsPerSample", "(none)"},
    };
    for (const auto& [key, value] : expected)
        EXPECT_EQ(XmpText(xmp, key), value) << key << " in " << GetParam();
    for (const auto& datum : xmp)
        EXPECT_EQ(datum.key().rfind("Xmp.xmp.Thumbnails", 0), std::string::npos) << datum.key();
}

INSTANTIATE_TEST_SUITE_P(Formats, XmpKept, ::testing::Values("jpg", "tif", "png"));

// The records a camera writes (dates, character set, record version) and
// those a photographer adds, read back by exiftool from every format that
// holds IPTC.
TEST_F(Metadata, IptcKeywordsCaptionAndCameraRecordsAreKept) {
    const Bytes source = EditWithExiv2(CameraFile(CameraModels()[0], "jpeg"), [](Exiv2::Image& image) {
        Exiv2::IptcData iptc;
        iptc["Iptc.Envelope.CharacterSet"] = "\x1b%G";
        iptc["Iptc.Application2.RecordVersion"] = static_cast<std::uint16_t>(4);
        iptc["Iptc.Application2.DateCreated"] = "2024-03-17";
        iptc["Iptc.Application2.TimeCreated"] = "06:41:12+01:00";
        iptc["Iptc.Application2.DigitizationDate"] = "2024-03-17";
        iptc["Iptc.Application2.DigitizationTime"] = "06:41:12+01:00";
        iptc["Iptc.Application2.Caption"] = "Boats at first light";
        for (const char* keyword : {"harbour", "dawn"}) {
            Exiv2::StringValue value(keyword);
            iptc.add(Exiv2::IptcKey("Iptc.Application2.Keywords"), &value);
        }
        image.setIptcData(iptc);
    });
    const QStringList tags = {
        "-IPTC:CodedCharacterSet",   "-IPTC:ApplicationRecordVersion", "-IPTC:DateCreated",      "-IPTC:TimeCreated",
        "-IPTC:DigitalCreationDate", "-IPTC:DigitalCreationTime",      "-IPTC:Caption-Abstract", "-IPTC:Keywords"};
    const std::string expected =
        "UTF8\n4\n2024:03:17\n06:41:12+01:00\n2024:03:17\n06:41:12+01:00\n"
        "Boats at first light\nharbour, dawn\n";
    for (const char* extension : {"jpg", "tif", "png"}) {
        const std::string path = Path(std::string("iptc.") + extension);
        SaveQuarter(source, path);
        const QStringList arguments = QStringList{"-s3"} + tags + QStringList{QString::fromStdString(path)};
        EXPECT_EQ(RunTool("exiftool", arguments).toStdString(), expected) << extension;
        // ImageMagick finds a PNG's records in their text chunk too.
        if (std::string(extension) == "png") {
            EXPECT_TRUE(RunTool("identify", {"-verbose", QString::fromStdString(path)}).contains("Profile-iptc:"));
        }
    }
}

// ICC profiles of Qt's sRGB and of a wide-gamut space, from each source
// format into each output format, byte for byte and once.
struct IccCase {
    QColorSpace::NamedColorSpace space;
    const char* sourceFormat;
    const char* extension;
};

class IccKept : public SavingTest, public ::testing::WithParamInterface<IccCase> {};

Bytes IccOf(const Bytes& file) {
    auto image = OpenWithExiv2(file);
    if (!image->iccProfileDefined())
        return {};
    return Bytes(image->iccProfile()->pData_, image->iccProfile()->pData_ + image->iccProfile()->size_);
}

std::size_t Occurrences(const Bytes& file, const std::string& text) {
    std::size_t count = 0;
    for (auto it = file.begin(); (it = std::search(it, file.end(), text.begin(), text.end())) != file.end(); ++it)
        ++count;
    return count;
}

TEST_P(IccKept, ByteForByteInEveryFormatThatHoldsOne) {
    const IccCase c = GetParam();
    QImage image = Noise(400, 300);
    image.setColorSpace(QColorSpace(c.space));
    const Bytes profile = ToBytesOf(image.colorSpace().iccProfile());
    const Bytes source = QtEncode(image, c.sourceFormat, 90);
    ASSERT_EQ(IccOf(source), profile);
    const Bytes saved = SaveQuarter(source, Path(std::string("icc.") + c.extension));
    EXPECT_EQ(IccOf(saved), profile);
    // One profile: its header's "acsp" signature appears once (in a PNG the
    // profile is compressed: one iCCP chunk).
    EXPECT_EQ(Occurrences(saved, std::string(c.extension) == "png" ? "iCCP" : "acsp"), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Spaces, IccKept,
    ::testing::Values(IccCase{QColorSpace::SRgb, "jpeg", "jpg"}, IccCase{QColorSpace::SRgb, "png", "tif"},
                      IccCase{QColorSpace::SRgb, "tiff", "png"}, IccCase{QColorSpace::DisplayP3, "jpeg", "png"},
                      IccCase{QColorSpace::DisplayP3, "png", "jpg"}, IccCase{QColorSpace::ProPhotoRgb, "tiff", "tif"},
                      IccCase{QColorSpace::ProPhotoRgb, "jpeg", "tif"}));

TEST_F(Metadata, TiffThumbnailIsACompleteReducedResolutionDirectory) {
    const Bytes saved = SaveQuarter(CameraFile(CameraModels()[0], "jpeg", 4000, 3000), Path("thumb.tif"));
    const auto ifd0 = imaging::TiffDirectory::ReadFirst(saved);
    ASSERT_TRUE(ifd0);
    EXPECT_EQ(ifd0->Unsigned(256), 1000u);  // the main image first
    EXPECT_FALSE(ifd0->Find(254) && ifd0->Unsigned(254) != 0u);
    // The next directory: the thumbnail, every tag a reader needs.
    const imaging::ByteReader reader(saved, saved[0] == 'M');
    std::uint32_t entries = 0, next = 0, first = 0;
    reader.U32(4, first);
    reader.U16(first, entries);
    reader.U32(first + 2 + 12 * entries, next);
    const auto ifd1 = ifd0->ReadSub(next);
    ASSERT_TRUE(ifd1);
    EXPECT_EQ(ifd1->Unsigned(254), 1u);  // reduced-resolution version of the image
    EXPECT_EQ(ifd1->Unsigned(256), 200u);
    EXPECT_EQ(ifd1->Unsigned(257), 150u);
    EXPECT_EQ(ifd1->Unsigned(259), 1u);  // uncompressed, never old-style JPEG
    EXPECT_EQ(ifd1->Unsigned(262), 2u);
    EXPECT_EQ(ifd1->Unsigned(277), 3u);
    for (std::uint32_t i = 0; i < 3; ++i)
        EXPECT_EQ(ifd1->Unsigned(258, i), 8u);
    EXPECT_EQ(ifd1->Unsigned(279), 200u * 150u * 3u);
    EXPECT_EQ(ifd1->Find(513), nullptr);
    // Every ASCII value ends in NUL.
    for (const auto* dir : {&*ifd0, &*ifd1})
        for (const auto& entry : dir->Entries())
            if (entry.type == 2) {
                const auto value = dir->RawValue(entry);
                ASSERT_FALSE(value.empty()) << entry.tag;
                EXPECT_EQ(value.back(), 0) << entry.tag;
            }
    // The system's own reader finds it.
    const fs::path file = Path("thumb.tif");
    ThumbnailBox box{200, 200};
    int w = 0, h = 0;
    EXPECT_TRUE(ReadTiffExifThumbnail(file, box, w, h));
    EXPECT_EQ(w, 1000);
}

TEST_F(Metadata, TiffStructureTagsOfASourceTiffReachNoOutput) {
    const Bytes source = CameraFile(CameraModels()[1], "tiff");
    const Bytes saved = SaveQuarter(source, Path("structure.jpg"));
    const auto exif = imaging::FindExifTiffBlock(saved);
    const auto ifd0 = imaging::TiffDirectory::ReadFirst(exif);
    ASSERT_TRUE(ifd0);
    for (std::uint32_t tag : {256u, 257u, 258u, 259u, 262u, 273u, 277u, 278u, 279u, 284u})
        EXPECT_EQ(ifd0->Find(tag), nullptr) << tag;
    EXPECT_NE(ifd0->Find(0x010F), nullptr);  // Make is kept
}

TEST_F(Metadata, AnXmpPacketTooLongForOneSegmentGoesOutAsExtendedXmp) {
    const std::string history(150000, 'h');
    // A TIFF holds any length of XMP in one tag.
    const Bytes source = EditWithExiv2(QtEncode(Flat(400, 300, Qt::gray), "tiff"), [&](Exiv2::Image& image) {
        Exiv2::XmpData xmp;
        xmp["Xmp.xmp.Rating"] = "5";
        xmp["Xmp.photoshop.History"] = history;
        image.setXmpData(xmp);
    });
    const Bytes saved = SaveQuarter(source, Path("long.jpg"));
    ASSERT_FALSE(saved.empty());
    const QString path = QString::fromStdString(Path("long.jpg"));
    EXPECT_EQ(RunTool("exiftool", {"-s3", "-XMP-photoshop:History", path}).trimmed().size(),
              static_cast<qsizetype>(history.size()));
    EXPECT_EQ(RunTool("exiftool", {"-s3", "-XMP-xmp:Rating", path}).trimmed(), "5");
    EXPECT_GE(Occurrences(saved, "http://ns.adobe.com/xmp/extension/"), 3u);
}

}  // namespace

namespace {

void PutBe32(Bytes& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b[at + i] = static_cast<std::uint8_t>(v >> (24 - 8 * i));
}

// A small, well-formed display profile of the grey colour space: a white
// point and a grey tone curve.
Bytes GreyProfile() {
    Bytes p(128 + 4 + 2 * 12 + 20 + 12, 0);
    PutBe32(p, 0, static_cast<std::uint32_t>(p.size()));
    std::memcpy(&p[12], "mntrGRAYXYZ ", 12);
    p[8] = 2;  // version 2.1
    p[9] = 0x10;
    std::memcpy(&p[36], "acsp", 4);
    const std::uint8_t d50[12] = {0x00, 0x00, 0xF6, 0xD6, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0xD3, 0x2D};
    std::memcpy(&p[68], d50, 12);
    PutBe32(p, 128, 2);
    std::memcpy(&p[132], "wtpt", 4);
    PutBe32(p, 136, 156);
    PutBe32(p, 140, 20);
    std::memcpy(&p[144], "kTRC", 4);
    PutBe32(p, 148, 176);
    PutBe32(p, 152, 12);
    std::memcpy(&p[156], "XYZ ", 4);
    std::memcpy(&p[164], d50, 12);
    std::memcpy(&p[176], "curv", 4);  // no entries: the identity curve
    return p;
}

// The lines written on a logging category while it lives.
class CategoryLog {
public:
    explicit CategoryLog(const char* category) : m_category(category) {
        Current() = this;
        m_previous = qInstallMessageHandler(&CategoryLog::Handle);
    }
    ~CategoryLog() {
        qInstallMessageHandler(m_previous);
        Current() = nullptr;
    }
    CategoryLog(const CategoryLog&) = delete;
    CategoryLog& operator=(const CategoryLog&) = delete;
    const QStringList& Lines() const { return m_lines; }

private:
    static CategoryLog*& Current() {
        static CategoryLog* current = nullptr;
        return current;
    }
    static void Handle(QtMsgType, const QMessageLogContext& context, const QString& message) {
        if (CategoryLog* log = Current(); log && context.category && log->m_category == context.category)
            log->m_lines << message;
    }
    std::string m_category;
    QStringList m_lines;
    QtMessageHandler m_previous = nullptr;
};

struct MisfitCase {
    const char* name;
    const char* extension;
};

class ProfilesThatDoNotFit : public SavingTest, public ::testing::WithParamInterface<MisfitCase> {};

// The output's pixels are RGB: a grey source's profile, and a profile cut
// short of the length its header states, are left out with one line on the
// log each, and ImageMagick reads the output without a word of warning.
TEST_P(ProfilesThatDoNotFit, AreLeftOutAndReadersStaySilent) {
    const MisfitCase c = GetParam();
    Bytes cut = ToBytesOf(QColorSpace(QColorSpace::DisplayP3).iccProfile());
    cut.resize(cut.size() - 40);
    // (Exiv2 takes no JPEG with a profile cut short: such a profile comes
    // from a TIFF.)
    const struct {
        const char* what;
        QImage::Format format;
        const char* extension;
        Bytes profile;
    } sources[] = {{"grey", QImage::Format_Grayscale8, "jpg", GreyProfile()},
                   {"cut", QImage::Format_RGB888, "tif", cut}};
    for (const auto& s : sources) {
        SCOPED_TRACE(s.what);
        // exiftool embeds the profile as it is (Exiv2 refuses a cut one).
        const std::string sourcePath = Path(std::string("source.") + s.extension), profilePath = Path("source.icc");
        const Bytes plain =
            QtEncode(Noise(200, 160).convertToFormat(s.format), s.extension[0] == 'j' ? "jpeg" : "tiff", 90);
        std::ofstream(sourcePath, std::ios::binary).write(reinterpret_cast<const char*>(plain.data()), plain.size());
        std::ofstream(profilePath, std::ios::binary)
            .write(reinterpret_cast<const char*>(s.profile.data()), static_cast<std::streamsize>(s.profile.size()));
        RunTool("exiftool", {"-q", "-overwrite_original", QString::fromStdString("-ICC_Profile<=" + profilePath),
                             QString::fromStdString(sourcePath)});
        const Bytes source = ReadFile(sourcePath);
        const auto decoded = Bitmap::FromMemory(source);
        ASSERT_TRUE(decoded);
        const PropertyItem* profile = decoded->GetPropertyItem(imaging::PropertyTagICCProfile);
        ASSERT_TRUE(profile);
        ASSERT_EQ(profile->value, s.profile);
        const std::string path = Path(std::string("saved.") + c.extension);
        Bytes saved;
        {
            CategoryLog log("vespera.imaging");
            saved = SaveQuarter(source, path);
            EXPECT_EQ(log.Lines().filter("colour profile left out").size(), 1) << log.Lines().join('\n').toStdString();
        }
        EXPECT_TRUE(IccOf(saved).empty());
        QByteArray errors;
        RunTool("identify", {"-verbose", QString::fromStdString(path)}, true, &errors);
        EXPECT_TRUE(errors.isEmpty()) << errors.toStdString();
    }
}

// Exiv2 refuses the metadata of a JPEG whose profile is cut short whole: the
// rest of it is read without the profile, and kept.
TEST_F(Metadata, AJpegWhoseProfileIsCutShortKeepsTheRestOfItsMetadata) {
    Bytes cut = ToBytesOf(QColorSpace(QColorSpace::DisplayP3).iccProfile());
    cut.resize(cut.size() - 40);
    const std::string sourcePath = Path("source.jpg"), profilePath = Path("source.icc");
    const Bytes plain = QtEncode(Noise(200, 160), "jpeg", 90);
    std::ofstream(sourcePath, std::ios::binary).write(reinterpret_cast<const char*>(plain.data()), plain.size());
    std::ofstream(profilePath, std::ios::binary)
        .write(reinterpret_cast<const char*>(cut.data()), static_cast<std::streamsize>(cut.size()));
    RunTool("exiftool", {"-q", "-overwrite_original", "-Make=TestCam", "-DateTimeOriginal=2011:04:05 06:07:08",
                         QString::fromStdString("-ICC_Profile<=" + profilePath), QString::fromStdString(sourcePath)});
    std::unique_ptr<Bitmap> source;
    {
        CategoryLog log("vespera.imaging");
        source = Bitmap::FromFile(sourcePath);
        EXPECT_EQ(log.Lines().filter("colour profile").size(), 1) << log.Lines().join('\n').toStdString();
    }
    ASSERT_TRUE(source);
    EXPECT_EQ(source->GetPropertyItem(imaging::PropertyTagICCProfile), nullptr);
    ASSERT_NE(source->GetPropertyItem(0x010F), nullptr);

    auto resized = Bitmap::FromImage(Noise(100, 80), imaging::PixelFormat24bppRGB);
    const std::string path = Path("saved.jpg");
    ASSERT_TRUE(SaveImageWithEncoder(resized.get(), path, 1, source.get(), 85, 72.0f));
    const SavedExif saved = ReadBack(path);
    EXPECT_EQ(saved.Text("Exif.Image.Make"), "TestCam");
    EXPECT_EQ(saved.Text("Exif.Photo.DateTimeOriginal"), "2011:04:05 06:07:08");
    QByteArray errors;
    RunTool("identify", {"-verbose", QString::fromStdString(path)}, true, &errors);
    EXPECT_TRUE(errors.isEmpty()) << errors.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Formats, ProfilesThatDoNotFit,
                         ::testing::Values(MisfitCase{"png", "png"}, MisfitCase{"jpg", "jpg"},
                                           MisfitCase{"tif", "tif"}),
                         [](const auto& info) { return std::string(info.param.name); });

// A GIF has no place for EXIF, but keeps the profile and the XMP in
// application extensions, where exiftool and ImageMagick read them; what it
// cannot keep is said once on the log.
TEST_F(Metadata, AGifKeepsTheProfileAndTheXmpAndSaysItKeepsNoExif) {
    QImage image = Noise(400, 300);
    image.setColorSpace(QColorSpace(QColorSpace::DisplayP3));
    const Bytes profile = ToBytesOf(image.colorSpace().iccProfile());
    const Bytes source = EditWithExiv2(QtEncode(image, "jpeg", 90), [](Exiv2::Image& edited) {
        edited.setXmpPacket(kXmp);
        edited.exifData()["Exif.Image.Make"] = "GifCam";
    });
    const std::string path = Path("kept.gif"), iccPath = Path("kept.icc");
    {
        CategoryLog log("vespera.imaging");
        SaveQuarter(source, path);
        EXPECT_EQ(log.Lines().filter("EXIF left out: a GIF file has no place for EXIF or IPTC").size(), 1)
            << log.Lines().join('\n').toStdString();
    }
    const QString gif = QString::fromStdString(path);
    EXPECT_EQ(ToBytesOf(RunTool("exiftool", {"-b", "-ICC_Profile", gif})), profile);
    EXPECT_EQ(RunTool("exiftool", {"-s3", "-XMP-xmp:Rating", "-XMP-dc:Subject", "-XMP-exif:ExifImageWidth", gif})
                  .toStdString(),
              "4\nharbour, dawn\n100\n");
    // ImageMagick reads the profile, and walks the XMP extension as sub-blocks
    // to the picture after it without a complaint.
    RunTool("convert", {gif, QString::fromStdString(iccPath)});
    EXPECT_EQ(ReadFile(iccPath), profile);
    QByteArray errors;
    const QByteArray verbose = RunTool("identify", {"-verbose", gif}, true, &errors);
    EXPECT_TRUE(verbose.contains("Geometry: 100x75+0+0"));
    EXPECT_TRUE(verbose.contains("Profile-gif:xmp dataxmp:")) << verbose.toStdString();
    EXPECT_TRUE(errors.isEmpty()) << errors.toStdString();
}

}  // namespace
