#include "browser/info/FormatExif.h"

#include <algorithm>

#include <QStringDecoder>

#include "browser/info/ExifTagNames.h"
#include "platform/codepage/Windows1252.h"
#include "platform/resources/StringTable.h"

namespace browser {

namespace {

struct ValueText {
    std::uint32_t value;
    int stringId;
};

constexpr int kUnknownString = 256;

constexpr ValueText kOrientation[] = {{1, 245}, {2, 246}, {3, 247}, {4, 248}, {5, 249}, {6, 250}, {7, 251}, {8, 252}};
constexpr ValueText kResolutionUnit[] = {{2, 253}, {3, 254}};
constexpr ValueText kExposureProgram[] = {{1, 276}, {2, 277}, {3, 278}, {4, 279},
                                          {5, 280}, {6, 281}, {7, 282}, {8, 283}};
constexpr ValueText kMeteringMode[] = {{1, 257}, {2, 258}, {3, 259}, {4, 260}, {5, 261}, {6, 262}};
constexpr ValueText kLightSource[] = {{1, 263},  {2, 264},  {3, 265},  {17, 266}, {18, 267},
                                      {19, 268}, {20, 269}, {21, 270}, {22, 271}};
constexpr ValueText kSensor[] = {{2, 284}, {3, 285}, {4, 286}, {5, 287}, {7, 288}, {8, 289}};
constexpr int kNoFlashString = 272;
constexpr int kFiredString = 273;
constexpr int kUncalibratedString = 255;

// The list's text for the value, else the text of `fallback` (0: empty).
QString FromList(std::span<const ValueText> list, std::uint32_t value, int fallback) {
    for (const ValueText& entry : list)
        if (entry.value == value)
            return platform::LoadResString(entry.stringId);
    return fallback ? platform::LoadResString(fallback) : QString();
}

QString FromWindows1252(std::span<const std::uint8_t> bytes) {
    const std::u16string text = platform::Windows1252ToUtf16(bytes);
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

std::uint32_t LittleEndian(const std::vector<std::uint8_t>& bytes) {
    std::uint32_t v = 0;
    for (std::size_t i = bytes.size(); i-- > 0;)
        v = v << 8 | bytes[i];
    return v;
}

}  // namespace

QString DecodeExifAscii(std::span<const std::uint8_t> bytes) {
    const auto end = std::find(bytes.begin(), bytes.end(), std::uint8_t{0});
    const auto text = bytes.first(static_cast<std::size_t>(end - bytes.begin()));
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    const QString decoded =
        utf8.decode(QByteArrayView(reinterpret_cast<const char*>(text.data()), static_cast<qsizetype>(text.size())));
    return utf8.hasError() ? FromWindows1252(text) : decoded;
}

QString FormatExifValue(std::uint32_t tag, std::uint32_t value) {
    const ExifTagName* entry = FindExifTagName(tag);
    switch (entry ? entry->rule : ExifValueRule::Number) {
    case ExifValueRule::Number:
        // Unsigned: a LONG beyond 2^31 is a large number, never a negative one.
        return QString::number(value);
    case ExifValueRule::Hidden:
        return {};
    case ExifValueRule::Orientation:
        return FromList(kOrientation, value, 0);
    case ExifValueRule::ResolutionUnit:
        return FromList(kResolutionUnit, value, 0);
    case ExifValueRule::ExposureProgram:
        return FromList(kExposureProgram, value, kUnknownString);
    case ExifValueRule::MeteringMode:
        return FromList(kMeteringMode, value, kUnknownString);
    case ExifValueRule::LightSource:
        return FromList(kLightSource, value, kUnknownString);
    case ExifValueRule::Flash:
        return platform::LoadResString(value & 1 ? kFiredString : kNoFlashString);
    case ExifValueRule::ColorSpace:
        if (value == 1)
            return QStringLiteral("sRGB");
        return value == 2 ? platform::LoadResString(kUncalibratedString) : QString();
    case ExifValueRule::Sensor:
        return FromList(kSensor, value, kUnknownString);
    case ExifValueRule::Photometric:
        // Every value but RGB reads "YCbCr", grey and palette images included.
        return value == 2 ? QStringLiteral("RGB") : QStringLiteral("YCbCr");
    }
    return {};
}

void FormatExifProperty(const imaging::PropertyItem& item, QString& name, QString& value) {
    name.clear();
    value.clear();
    const ExifTagName* entry = FindExifTagName(item.id);
    if (!entry)
        return;
    // The value bytes are the item's real length; a count that says otherwise
    // marks a malformed item, which is not shown.
    const std::size_t length = item.value.size();
    switch (item.type) {
    case imaging::PropertyTypeASCII:
        if (item.count != length)
            return;
        value = DecodeExifAscii(item.value);
        break;
    case imaging::PropertyTypeShort:
        if (item.count != 1 || length != 2)
            return;
        value = FormatExifValue(item.id, LittleEndian(item.value));
        break;
    case imaging::PropertyTypeLong:
        if (item.count != 1 || length != 4)
            return;
        value = FormatExifValue(item.id, LittleEndian(item.value));
        break;
    default:
        return;
    }
    name = platform::LoadResString(static_cast<int>(entry->stringId));
}

}  // namespace browser
