#pragma once
// The numbers of the resize panel: the length and resolution units, the
// texts its fields are written and read in ("%g" and decimals in the C
// locale, whatever the user's locale) and the shown byte sizes.

#include <QString>

#include <cstdint>
#include <optional>

#include "core/settings/SettingsLimits.h"

// Length units of the print size (AppSettings::m_nSizeUnits).
enum SizeUnits : int {
    SIZE_UNITS_INCHES = 0,
    SIZE_UNITS_MILLIMETERS = 1,
    SIZE_UNITS_CENTIMETERS = 2,
    SIZE_UNITS_PICAS = 3,
    SIZE_UNITS_POINTS = 4,
};

// Resolution units (AppSettings::m_nResUnits); the resolution itself is
// always kept in dots per inch.
enum ResUnits : int {
    RES_UNITS_DPI = 0,
    RES_UNITS_PER_MM = 1,
    RES_UNITS_PER_CM = 2,
};

// The output side in pixels that a user may type: kMinOutputSide to
// kMaxOutputSide; the resolution in dots per inch: kMinDpi to kMaxDpi
// (SettingsLimits.h).

// Length per inch of a length unit: 1, 25.4, 2.54, 6 or 72 (inches for a
// value outside the list).
double LengthFactor(int sizeUnits);
// Dots per inch per shown resolution unit: 1, 25.4 or 2.54.
double ResolutionDivisor(int resUnits);

// "%g" in the C locale.
QString FormatG(double value);
// A whole decimal number in the C locale ("148.5", " 300 "); nothing for an
// empty text, trailing characters, a comma, infinity or not-a-number.
std::optional<double> ParseDecimal(const QString& text);
// A whole unsigned integer that fits in an int; nothing otherwise.
std::optional<int> ParseUnsigned(const QString& text);

// The whole pixels of a print length times a resolution: truncated, limited
// to 0..INT32_MAX, after a tolerance for the rounding of a stored resolution.
// A product less than kPixelsOfLengthTolerance below a whole number is that
// number: 6 inches at the 299.9994 dpi that a PNG's 11811 dots per metre give
// are 1800 pixels, not 1799, while 297 mm at 300 dpi (3507.87) stay 3507.
inline constexpr double kPixelsOfLengthTolerance = 0.01;
int PixelsOfLength(double pixels);

// `value` rounded half up to `decimals` places, in double precision.
double RoundToDecimals(double value, int decimals);

// A byte count as the panel shows it: "%.1fKB" below 1000 KB, else "%.1fMB"
// below 1000 MB, else "%.1fGB" (1 KB = 1024 bytes).
QString FormatByteSize(std::uint64_t bytes);
// The bytes of a width × height image of `bitsPerPixel`, in 64 bits.
std::uint64_t RawByteSize(std::int64_t width, std::int64_t height, int bitsPerPixel);
