#include "imagefiles/kestrel/Markers.h"

namespace Kestrel {

std::uint8_t FindMarker(IStream& stream) {
    for (;;) {
        if (stream.ReadByte() != 0xFF)
            continue;
        std::uint8_t code = stream.ReadByte();
        while (code == 0xFF)
            code = stream.ReadByte();
        if (code != 0x00)
            return code;
    }
}

void SkipSegment(IStream& stream) {
    const std::uint16_t length = stream.ReadU16();
    stream.Skip(static_cast<std::uint16_t>(length - 2));
}

}  // namespace Kestrel
