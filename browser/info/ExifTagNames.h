#pragma once
// The EXIF and TIFF tags the Image Info dialog shows: each tag's name (an id
// of the string table) and the rule by which a single SHORT or LONG value of
// it becomes text.

#include <array>
#include <cstdint>

namespace browser {

enum class ExifValueRule : std::uint8_t {
    Number,  // the value in decimal
    Hidden,  // no text: the row is left out
    Orientation,
    ResolutionUnit,
    ExposureProgram,
    MeteringMode,
    LightSource,
    Flash,
    ColorSpace,
    Sensor,
    Photometric,
};

struct ExifTagName {
    std::uint32_t tag;
    std::uint32_t stringId;
    ExifValueRule rule;
};

inline constexpr std::size_t kExifTagCount = 82;
extern const std::array<ExifTagName, kExifTagCount> g_ExifTagNames;

// The table's entry for a tag, searched from the first entry; null when the
// table lacks it.
const ExifTagName* FindExifTagName(std::uint32_t tag);

}  // namespace browser
