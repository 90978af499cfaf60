#pragma once
// Marker search and segment skipping on a codec input stream.

#include <cstdint>

#include "imagefiles/kestrel/KestrelStreams.h"

namespace Kestrel {

// Returns the code of the next marker: bytes other than FF are skipped, fill
// bytes FF are skipped, FF 00 is no marker. Raises Kestrel::Error when the
// data ends first.
std::uint8_t FindMarker(IStream& stream);

// Reads a segment length L and skips (L - 2) mod 65536 bytes.
void SkipSegment(IStream& stream);

}  // namespace Kestrel
