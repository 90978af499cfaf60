#include "app/panel/PanelNumbers.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>

double LengthFactor(int sizeUnits) {
    switch (sizeUnits) {
    case SIZE_UNITS_MILLIMETERS:
        return 25.4;
    case SIZE_UNITS_CENTIMETERS:
        return 2.54;
    case SIZE_UNITS_PICAS:
        return 6.0;
    case SIZE_UNITS_POINTS:
        return 72.0;
    default:
        return 1.0;
    }
}

double ResolutionDivisor(int resUnits) {
    switch (resUnits) {
    case RES_UNITS_PER_MM:
        return 25.4;
    case RES_UNITS_PER_CM:
        return 2.54;
    default:
        return 1.0;
    }
}

QString FormatG(double value) {
    // QString::asprintf formats numbers in the C locale.
    return QString::asprintf("%g", value);
}

std::optional<double> ParseDecimal(const QString& text) {
    const QByteArray latin = text.trimmed().toLatin1();
    if (latin.isEmpty())
        return std::nullopt;
    const char* begin = latin.constData();
    const char* end = begin + latin.size();
    double value = 0.0;
    // from_chars is locale-independent and takes no leading '+'.
    const auto [stop, error] = std::from_chars(begin, end, value, std::chars_format::general);
    if (error != std::errc() || stop != end || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<int> ParseUnsigned(const QString& text) {
    const QByteArray latin = text.trimmed().toLatin1();
    if (latin.isEmpty() || latin.front() == '-')
        return std::nullopt;
    const char* begin = latin.constData();
    const char* end = begin + latin.size();
    unsigned long long value = 0;
    const auto [stop, error] = std::from_chars(begin, end, value);
    if (error != std::errc() || stop != end || value > static_cast<unsigned long long>(std::numeric_limits<int>::max()))
        return std::nullopt;
    return static_cast<int>(value);
}

int PixelsOfLength(double pixels) {
    if (!(pixels > 0.0))
        return 0;
    return static_cast<int>(std::min(std::floor(pixels + kPixelsOfLengthTolerance), static_cast<double>(INT32_MAX)));
}

double RoundToDecimals(double value, int decimals) {
    const double scale = std::pow(10.0, decimals);
    return std::floor(value * scale + 0.5) / scale;
}

QString FormatByteSize(std::uint64_t bytes) {
    double size = static_cast<double>(bytes) / 1024.0;
    if (size < 1000.0)
        return QString::asprintf("%.1fKB", size);
    size /= 1024.0;
    if (size < 1000.0)
        return QString::asprintf("%.1fMB", size);
    return QString::asprintf("%.1fGB", size / 1024.0);
}

std::uint64_t RawByteSize(std::int64_t width, std::int64_t height, int bitsPerPixel) {
    if (width <= 0 || height <= 0 || bitsPerPixel <= 0)
        return 0;
    return static_cast<std::uint64_t>(height) * static_cast<std::uint64_t>(width) *
           static_cast<std::uint64_t>(bitsPerPixel) / 8u;
}
