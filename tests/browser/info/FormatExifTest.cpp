// Names and values of property items: every tag of the table with a value of
// its EXIF type, the value lists, the number formats, lengths and counts
// that disagree, and ASCII text in its encodings.
#include <gtest/gtest.h>

#include <set>

#include "InfoFixtures.h"
#include "browser/info/ExifTagNames.h"
#include "browser/info/FormatExif.h"
#include "platform/resources/StringTable.h"

using namespace browser;
using namespace infotests;

namespace {

struct TagCase {
    PropertyItem item;      // a value of the tag's own EXIF type
    const char* name;       // the row's name
    const char* shown;      // the row's value; empty: the row is left out
    const char* singleOf3;  // FormatExifValue(tag, 3)
};

// Every tag of the table, in its order.
std::vector<TagCase> TagCases() {
    return {
        {Long(0x0100, {4000}), "Image width", "4000", "3"},
        {Short(0x0101, {3000}), "Image length", "3000", "3"},
        {Short(0x0102, {8}), "BitsPerSample", "8", "3"},
        {Short(0x0103, {6}), "Compression", "", ""},
        {Short(0x0106, {2}), "Photometric interpretation", "RGB", "YCbCr"},
        {Short(0x010A, {1}), "FillOrder", "", ""},
        {Ascii(0x010D, "Holiday"), "Document name", "Holiday", ""},
        {Ascii(0x010E, "A lake at dawn"), "Image description", "A lake at dawn", "3"},
        {Ascii(0x010F, "ORVEK Optics"), "Manufacturer", "ORVEK Optics", "3"},
        {Ascii(0x0110, "Model 7"), "Model", "Model 7", "3"},
        {Long(0x0111, {8}), "StripOffsets", "", ""},
        {Short(0x0112, {6}), "Orientation", "90 left", "180"},
        {Short(0x0115, {3}), "SamplesPerPixel", "", ""},
        {Long(0x0116, {16}), "RowsPerStrip", "", ""},
        {Long(0x0117, {4096}), "StripByteCounts", "", ""},
        {Rational(0x011A, {300, 1}), "Horizontal resolution", "", ""},
        {Rational(0x011B, {300, 1}), "Vertical resolution", "", ""},
        {Short(0x011C, {1}), "PlanarConfiguration", "", ""},
        {Short(0x0128, {2}), "Resolution units", "Inches", "Centimeters"},
        {Short(0x012D, {0, 1, 2, 3}), "TransferFunction", "", ""},
        {Ascii(0x0131, "Darkroom 2"), "Software", "Darkroom 2", "3"},
        {Ascii(0x0132, "2006:05:01 10:11:12"), "Date/time", "2006:05:01 10:11:12", "3"},
        {Ascii(0x013B, "J. Doe"), "Artist", "J. Doe", "3"},
        {Rational(0x013E, {3127, 10000, 329, 1000}), "WhitePoint", "", ""},
        {Rational(0x013F, {64, 100, 33, 100, 3, 10, 6, 10, 15, 100, 6, 100}), "PrimaryChromaticities", "", ""},
        {Short(0x0156, {0, 255, 0, 255, 0, 255}), "TransferRange", "", ""},
        {Short(0x0200, {1}), "JPEGProc", "", ""},
        {Long(0x0201, {1024}), "JPEGInterchangeFormat", "", ""},
        {Long(0x0202, {5000}), "JPEGInterchangeFormatLength", "", ""},
        {Rational(0x0211, {299, 1000, 587, 1000, 114, 1000}), "YCbCrCoefficients", "", ""},
        {Short(0x0212, {2, 1}), "YCbCrSubSampling", "", ""},
        {Short(0x0213, {1}), "YCbCrPositioning", "", ""},
        {Rational(0x0214, {0, 1, 255, 1, 128, 1, 255, 1, 128, 1, 255, 1}), "ReferenceBlackWhite", "", ""},
        {Short(0x828D, {2, 2}), "CFARepeatPatternDim", "", ""},
        {Bytes(0x828E, imaging::PropertyTypeByte, "\x00\x01\x01\x02"), "CFAPattern", "", "3"},
        {Rational(0x828F, {1, 2}), "Battery level", "", ""},
        {Ascii(0x8298, "(c) J. Doe"), "Copyrights", "(c) J. Doe", "3"},
        {Rational(0x829A, {1, 250}), "Exposure time", "", ""},
        {Rational(0x829D, {28, 10}), "FNumber", "", ""},
        {Long(0x83BB, {0x1C020000, 0x00000200}), "IPTC/NAA", "", "3"},
        {Long(0x8769, {2114}), "ExifOffset", "2114", "3"},
        {Undefined(0x8773, "ICCprofile"), "InterColorProfile", "", ""},
        {Short(0x8822, {3}), "Exposure program", "Aperture priority", "Aperture priority"},
        {Ascii(0x8824, "RGB filters"), "SpectralSensitivity", "RGB filters", "3"},
        {Long(0x8825, {3000}), "GPSInfo", "", ""},
        {Short(0x8827, {51200}), "ISO speed ratings", "51200", "3"},
        {Undefined(0x8828, "oecf"), "OECF", "", "3"},
        {Undefined(0x9000, "0230"), "ExifVersion", "", "3"},
        {Ascii(0x9003, "2006:05:01 10:11:12"), "Date/time original", "2006:05:01 10:11:12", "3"},
        {Ascii(0x9004, "2006:05:01 10:11:13"), "Date/time digitized", "2006:05:01 10:11:13", "3"},
        {Undefined(0x9101, std::string("\x01\x02\x03\x00", 4)), "ComponentsConfiguration", "", ""},
        {Rational(0x9102, {4, 1}), "CompressedBitsPerPixel", "", ""},
        {SRational(0x9201, {8, 1}), "Shutter speed value", "", ""},
        {Rational(0x9202, {3, 1}), "Aperture value", "", ""},
        {SRational(0x9203, {5, 1}), "Brightness value", "", ""},
        {SRational(0x9204, {0xFFFFFFFF, 3}), "Exposure bias value", "", ""},
        {Rational(0x9205, {2, 1}), "Max aperture value", "", ""},
        {Rational(0x9206, {3, 1}), "Subject distance", "", ""},
        {Short(0x9207, {5}), "Metering mode", "Pattern", "Spot"},
        {Short(0x9208, {1}), "Light source", "Daylight", "Tungsten"},
        {Short(0x9209, {9}), "Flash", "Fired", "Fired"},
        {Rational(0x920A, {50, 1}), "Focal length", "", ""},
        {Undefined(0x927C, "maker data"), "Maker notes", "", "3"},
        {Undefined(0x9286, std::string("ASCII\0\0\0Hello", 13)), "User comments", "", "3"},
        {Ascii(0x9290, "25"), "SubSecTime", "25", "3"},
        {Ascii(0x9291, "26"), "SubSecTimeOriginal", "26", "3"},
        {Ascii(0x9292, "27"), "SubSecTimeDigitized", "27", "3"},
        {Undefined(0xA000, "0100"), "FlashPixVersion", "", "3"},
        {Short(0xA001, {1}), "Color space", "sRGB", ""},
        {Long(0xA002, {4000}), "Exif image width", "4000", "3"},
        {Short(0xA003, {3000}), "Exif image height", "3000", "3"},
        {Long(0xA005, {5000}), "InteroperabilityOffset", "", ""},
        {Rational(0xA20B, {10, 1}), "Flash energy", "", ""},
        {Undefined(0xA20C, "sfr"), "SpatialFrequencyResponse", "", "3"},
        {Rational(0xA20E, {1000, 1}), "FocalPlaneXResolution", "", ""},
        {Rational(0xA20F, {1000, 1}), "FocalPlaneYResolution", "", ""},
        {Short(0xA210, {2}), "FocalPlaneResolutionUnit", "", ""},
        {Short(0xA214, {10, 20}), "Subject location", "", ""},
        {Rational(0xA215, {100, 1}), "Exposure index", "", ""},
        {Short(0xA217, {2}), "Sensor", "One chip", "2 chip"},
        {Undefined(0xA300, "\x03"), "File source", "", "3"},
        {Undefined(0xA301, "\x01"), "Scene type", "", "3"},
    };
}

TEST(ExifTagNames, HoldsTheEightyTwoTagsInOrderWithTheirStringIds) {
    const auto cases = TagCases();
    ASSERT_EQ(g_ExifTagNames.size(), 82u);
    ASSERT_EQ(cases.size(), 82u);
    std::set<std::uint32_t> ids;
    for (std::size_t i = 0; i < cases.size(); ++i) {
        EXPECT_EQ(g_ExifTagNames[i].tag, cases[i].item.id) << i;
        EXPECT_EQ(platform::LoadResString(static_cast<int>(g_ExifTagNames[i].stringId)), cases[i].name) << i;
        ids.insert(g_ExifTagNames[i].stringId);
        EXPECT_EQ(FindExifTagName(cases[i].item.id), &g_ExifTagNames[i]);
    }
    EXPECT_EQ(ids.size(), 82u);
    EXPECT_EQ(*ids.begin(), 157u);
    EXPECT_EQ(*ids.rbegin(), 244u);
    EXPECT_EQ(FindExifTagName(0x5020), nullptr);  // the thumbnail's own width
    EXPECT_EQ(FindExifTagName(0x0001), nullptr);  // a GPS tag
}

TEST(FormatExifProperty, ShowsEveryTagOfTheTableByItsTypeAndRule) {
    for (const TagCase& c : TagCases()) {
        QString name = QStringLiteral("stale");
        QString value = QStringLiteral("stale");
        FormatExifProperty(c.item, name, value);
        const bool shown = *c.shown != 0;
        EXPECT_EQ(!name.isEmpty() && !value.isEmpty(), shown) << c.name;
        if (shown) {
            EXPECT_EQ(name, c.name);
            EXPECT_EQ(value, c.shown) << c.name;
        } else {
            EXPECT_TRUE(value.isEmpty()) << c.name << ": " << value.toStdString();
        }
    }
}

TEST(FormatExifValue, AppliesEachTagsRuleToASingleValue) {
    for (const TagCase& c : TagCases())
        EXPECT_EQ(FormatExifValue(c.item.id, 3), c.singleOf3) << c.name;
}

struct ListCase {
    std::uint32_t tag;
    std::uint32_t value;
    const char* text;
};

TEST(FormatExifValue, ValueListsAndTheirDefaults) {
    const ListCase cases[] = {
        // Orientation, misspellings as the table has them; others empty.
        {0x0112, 1, "Normal"},
        {0x0112, 2, "Horizontal flip"},
        {0x0112, 3, "180"},
        {0x0112, 4, "Horizontal flip + 180"},
        {0x0112, 5, "Horzizontal flip + 90 left"},
        {0x0112, 6, "90 left"},
        {0x0112, 7, "Horzizontal flip + 90 right"},
        {0x0112, 8, "90 right"},
        {0x0112, 0, ""},
        {0x0112, 9, ""},
        // Resolution units; "none" (1) and others empty.
        {0x0128, 2, "Inches"},
        {0x0128, 3, "Centimeters"},
        {0x0128, 1, ""},
        // Exposure program; others "Unknown".
        {0x8822, 1, "Manual"},
        {0x8822, 2, "Normal"},
        {0x8822, 3, "Aperture priority"},
        {0x8822, 4, "Shutter priority"},
        {0x8822, 5, "Creative"},
        {0x8822, 6, "Action"},
        {0x8822, 7, "Portrait"},
        {0x8822, 8, "Landscape"},
        {0x8822, 0, "Unknown"},
        {0x8822, 9, "Unknown"},
        // Metering mode.
        {0x9207, 1, "Average"},
        {0x9207, 2, "Central weight average"},
        {0x9207, 3, "Spot"},
        {0x9207, 4, "Multi spot"},
        {0x9207, 5, "Pattern"},
        {0x9207, 6, "Partial"},
        {0x9207, 0, "Unknown"},
        {0x9207, 255, "Unknown"},
        // Light source.
        {0x9208, 1, "Daylight"},
        {0x9208, 2, "Fluorescent"},
        {0x9208, 3, "Tungsten"},
        {0x9208, 17, "Standard A"},
        {0x9208, 18, "Standard B"},
        {0x9208, 19, "Standard C"},
        {0x9208, 20, "D55"},
        {0x9208, 21, "D65"},
        {0x9208, 22, "D75"},
        {0x9208, 0, "Unknown"},
        {0x9208, 4, "Unknown"},
        {0x9208, 255, "Unknown"},
        // Flash: bit 0 alone decides.
        {0x9209, 0, "No flash"},
        {0x9209, 16, "No flash"},
        {0x9209, 24, "No flash"},
        {0x9209, 1, "Fired"},
        {0x9209, 9, "Fired"},
        {0x9209, 0x59, "Fired"},
        // Colour space; 65535 (uncalibrated in later EXIF versions) empty.
        {0xA001, 1, "sRGB"},
        {0xA001, 2, "Uncalibrated"},
        {0xA001, 65535, ""},
        {0xA001, 0, ""},
        // Sensor.
        {0xA217, 2, "One chip"},
        {0xA217, 3, "2 chip"},
        {0xA217, 4, "3 chip"},
        {0xA217, 5, "Color sequential area"},
        {0xA217, 7, "Trilinear"},
        {0xA217, 8, "Color sequential linear"},
        {0xA217, 1, "Unknown"},
        {0xA217, 6, "Unknown"},
        // Photometric interpretation: "YCbCr" for all but RGB, grey included.
        {0x0106, 2, "RGB"},
        {0x0106, 0, "YCbCr"},
        {0x0106, 1, "YCbCr"},
        {0x0106, 6, "YCbCr"},
    };
    for (const ListCase& c : cases)
        EXPECT_EQ(FormatExifValue(c.tag, c.value), c.text) << std::hex << c.tag << " " << std::dec << c.value;
}

TEST(FormatExifValue, NumbersAreDecimalAndNeverNegative) {
    EXPECT_EQ(FormatExifValue(0x8827, 0), "0");
    EXPECT_EQ(FormatExifValue(0x8827, 51200), "51200");
    EXPECT_EQ(FormatExifValue(0x8827, 65535), "65535");
    EXPECT_EQ(FormatExifValue(0xA002, 2147483647u), "2147483647");
    EXPECT_EQ(FormatExifValue(0xA002, 2147483648u), "2147483648");
    EXPECT_EQ(FormatExifValue(0xA002, 4294967295u), "4294967295");
    // A tag the table lacks shows its number.
    EXPECT_EQ(FormatExifValue(0x9999, 42), "42");
}

TEST(FormatExifProperty, ShortAndLongValuesReadLittleEndianAtFullWidth) {
    QString name, value;
    FormatExifProperty(Short(0x8827, {0xC800}), name, value);
    EXPECT_EQ(value, "51200");
    FormatExifProperty(Long(0xA002, {0xFFFFFFFF}), name, value);
    EXPECT_EQ(value, "4294967295");
    FormatExifProperty(Long(0xA002, {0x01020304}), name, value);
    EXPECT_EQ(value, "16909060");
    EXPECT_EQ(name, "Exif image width");
}

TEST(FormatExifProperty, LeavesOutItemsWhoseCountOrLengthDisagree) {
    std::vector<PropertyItem> cases = {
        Short(0xA002, {1, 2}),  // several values
        Long(0xA002, {1, 2}),
        {0xA002, imaging::PropertyTypeShort, 1, {0x10, 0x00, 0x00, 0x00}},  // one SHORT in four bytes
        {0xA002, imaging::PropertyTypeShort, 1, {0x10}},                    // cut short
        {0xA002, imaging::PropertyTypeShort, 1, {}},
        {0xA002, imaging::PropertyTypeLong, 1, {0x10, 0x00}},
        {0xA002, imaging::PropertyTypeLong, 2, {0x10, 0x00, 0x00, 0x00}},  // count says two
        {0xA002, imaging::PropertyTypeLong, 0xFFFFFFFF, {0x10, 0x00, 0x00, 0x00}},
        {0x010F, imaging::PropertyTypeASCII, 0xFFFFFFFF, {'C', 'a', 'm'}},  // a huge count over three bytes
        {0x010F, imaging::PropertyTypeASCII, 2, {'C', 'a', 'm', 0}},
        {0xA002, imaging::PropertyTypeSLong, 1, {0x10, 0x00, 0x00, 0x00}},  // a type the dialog does not show
        {0x010F, 0, 0, {}},
        Ascii(0x5020, "not in the table"),
        Short(0x5020, {160}),  // the thumbnail's width keeps its own id
        Ascii(0x0001, "N"),    // a GPS tag
        Ascii(0x010F, ""),     // empty text
        {0x010F, imaging::PropertyTypeASCII, 0, {}},
    };
    for (const PropertyItem& item : cases) {
        QString name = QStringLiteral("stale");
        QString value = QStringLiteral("stale");
        FormatExifProperty(item, name, value);
        EXPECT_TRUE(name.isEmpty() || value.isEmpty()) << std::hex << item.id << " type " << item.type << ": "
                                                       << name.toStdString() << " = " << value.toStdString();
        EXPECT_TRUE(value.isEmpty()) << std::hex << item.id;
    }
}

TEST(FormatExifProperty, AsciiEndsAtTheFirstNulOrAtTheItemsLength) {
    QString name, value;
    // No terminator at all: the text is the whole value, nothing beyond it.
    const std::vector<std::uint8_t> bytes = {'C', 'a', 'm', 'e', 'r', 'a', 'X', 'Y'};
    PropertyItem unterminated{0x010F, imaging::PropertyTypeASCII, 6, {bytes.begin(), bytes.begin() + 6}};
    FormatExifProperty(unterminated, name, value);
    EXPECT_EQ(name, "Manufacturer");
    EXPECT_EQ(value, "Camera");
    // A NUL inside ends the text.
    FormatExifProperty(Bytes(0x0110, imaging::PropertyTypeASCII, std::string("M7\0junk\0", 8)), name, value);
    EXPECT_EQ(value, "M7");
    // Trailing spaces some cameras pad with stay as stored.
    FormatExifProperty(Ascii(0x0110, "M7  "), name, value);
    EXPECT_EQ(value, "M7  ");
    // Only a NUL: the row is left out.
    FormatExifProperty(Ascii(0x0110, ""), name, value);
    EXPECT_TRUE(value.isEmpty());
}

TEST(DecodeExifAscii, Utf8WhenValidElseWindows1252) {
    auto decode = [](const std::string& s) {
        return DecodeExifAscii({reinterpret_cast<const std::uint8_t*>(s.data()), s.size()});
    };
    EXPECT_EQ(decode("Plain text"), "Plain text");
    EXPECT_EQ(decode("Caf\xC3\xA9 \xE2\x82\xAC"), QString::fromUtf8("Café €"));
    // The same words in Windows-1252, which is not valid UTF-8.
    EXPECT_EQ(decode("Caf\xE9 \x80"), QString::fromUtf8("Café €"));
    EXPECT_EQ(decode("\x93quoted\x94 \x96 \x85"), QString::fromUtf8("\u201Cquoted\u201D \u2013 \u2026"));
    EXPECT_EQ(decode("\xA9 \xFF"), QString::fromUtf8("© ÿ"));
    // Bytes Windows-1252 leaves unassigned keep their numbers.
    EXPECT_EQ(decode("a\x81z"), QString(QStringLiteral("a") + QChar(0x81) + QStringLiteral("z")));
    // A UTF-8 sequence cut at the end is not valid UTF-8.
    EXPECT_EQ(decode("ab\xC3"), QString::fromUtf8("abÃ"));
    EXPECT_EQ(decode(std::string("x\0\xC3\xA9", 4)), "x");
    EXPECT_EQ(decode(""), "");
}

}  // namespace
