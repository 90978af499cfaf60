// The panel's numbers: units, "%g" and decimals in the C locale, rounding
// and the shown byte sizes.

#include "app/panel/PanelNumbers.h"
#include "tests/support/CommaLocale.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

TEST(PanelNumbers, ByteSizes) {
    struct Case {
        std::int64_t width, height;
        int bits;
        std::uint64_t bytes;
        const char* text;
    };
    const Case cases[] = {
        {640, 480, 24, 921600, "900.0KB"},
        {1000, 1000, 24, 3000000, "2.9MB"},
        {10000, 10000, 24, 300000000, "286.1MB"},
        {100000, 100000, 24, 30000000000ull, "27.9GB"},
        {158929, 224692, 24, 107130224604ull, "99.8GB"},
        {100000, 100000, 64, 80000000000ull, "74.5GB"},
        {1000, 1, 1, 125, "0.1KB"},
        {0, 480, 24, 0, "0.0KB"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(RawByteSize(c.width, c.height, c.bits), c.bytes);
        EXPECT_EQ(FormatByteSize(c.bytes), QString::fromLatin1(c.text));
    }
    // At the unit boundaries: 1000 KB is shown in MB, 1000 MB in GB.
    EXPECT_EQ(FormatByteSize(999 * 1024), QStringLiteral("999.0KB"));
    EXPECT_EQ(FormatByteSize(1000 * 1024), QStringLiteral("1.0MB"));
    EXPECT_EQ(FormatByteSize(1000ull * 1024 * 1024), QStringLiteral("1.0GB"));
}

TEST(PanelNumbers, DecimalsAreReadWhole) {
    struct Case {
        const char* text;
        std::optional<double> value;
    };
    const Case cases[] = {
        {"148.5", 148.5}, {" 300 ", 300.0}, {"1e3", 1000.0}, {"0.5", 0.5}, {"-2", -2.0}, {"", {}},
        {"1,5", {}},      {"12a", {}},      {"inf", {}},     {"nan", {}},  {"+3", {}},   {".", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(ParseDecimal(QString::fromLatin1(c.text)), c.value);
    }
    EXPECT_EQ(ParseUnsigned(QStringLiteral("100000")), 100000);
    EXPECT_EQ(ParseUnsigned(QStringLiteral(" 42 ")), 42);
    for (const char* refused : {"", "-1", "1.5", "2147483648", "99999999999999999999", "1e3", "x"})
        EXPECT_EQ(ParseUnsigned(QString::fromLatin1(refused)), std::nullopt) << refused;
}

TEST(PanelNumbers, PrintLengthsAreTruncatedPastAHundredthBelowAWholePixel) {
    struct Case {
        double pixels;
        int whole;
    };
    const Case cases[] = {
        {3507.87, 3507},             // A4's 297 mm at 300 dpi
        {841.89, 841},               // A4's 297 mm at 72 dpi
        {1753.94, 1753},             // A6's 148.5 mm at 300 dpi
        {6 * 11811 * 0.0254, 1800},  // 6 inches at a PNG's 299.9994 dpi
        {4 * 11811 * 0.0254, 1200},  // 1199.998
        {1799.995, 1800},            // within a hundredth below: taken up
        {1799.985, 1799},            // more than a hundredth below: truncated
        {1800.0, 1800},
        {1800.5, 1800},
        {1800.995, 1801},
        {0.5, 0},
        {0.0, 0},
        {-4.0, 0},
        {std::numeric_limits<double>::quiet_NaN(), 0},
        {1e12, std::numeric_limits<int>::max()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pixels);
        EXPECT_EQ(PixelsOfLength(c.pixels), c.whole);
    }
}

TEST(PanelNumbers, RoundingInDoublePrecision) {
    EXPECT_DOUBLE_EQ(RoundToDecimals(3.33333333, 4), 3.3333);
    EXPECT_DOUBLE_EQ(RoundToDecimals(84.666666, 4), 84.6667);
    EXPECT_DOUBLE_EQ(RoundToDecimals(33.333, 2), 33.33);
    // Beyond 214748 a 32-bit product of ten thousandths overflowed.
    EXPECT_DOUBLE_EQ(RoundToDecimals(7200000.0, 4), 7200000.0);
    EXPECT_DOUBLE_EQ(RoundToDecimals(214748.36479, 4), 214748.3648);
}

TEST(PanelNumbers, UnitFactors) {
    const double lengths[] = {1.0, 25.4, 2.54, 6.0, 72.0};
    for (int unit = 0; unit < kSizeUnitCount; ++unit)
        EXPECT_DOUBLE_EQ(LengthFactor(unit), lengths[unit]);
    EXPECT_DOUBLE_EQ(LengthFactor(7), 1.0);
    const double resolutions[] = {1.0, 25.4, 2.54};
    for (int unit = 0; unit < kResUnitCount; ++unit)
        EXPECT_DOUBLE_EQ(ResolutionDivisor(unit), resolutions[unit]);
}

TEST(PanelNumbers, TextsIgnoreTheUserLocale) {
    const CommaLocale comma;
    EXPECT_EQ(FormatG(148.5), QStringLiteral("148.5"));
    EXPECT_EQ(FormatG(8.267716535), QStringLiteral("8.26772"));
    EXPECT_EQ(FormatG(7200000.0), QStringLiteral("7.2e+06"));
    EXPECT_EQ(ParseDecimal(QStringLiteral("148.5")), 148.5);
    EXPECT_EQ(ParseDecimal(QStringLiteral("148,5")), std::nullopt);
    EXPECT_EQ(FormatByteSize(3000000), QStringLiteral("2.9MB"));
}

}  // namespace
