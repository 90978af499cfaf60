#pragma once
// Kestrel: the baseline JPEG codec (ITU-T T.81 sequential Huffman, 8-bit).
//
// Decoding: CreateDecoder parses everything up to the scan, then ReadLine
// returns the rows top to bottom. Encoding: CreateCoder writes every header,
// then WriteLine takes the rows top to bottom and the last one ends the file.
// Both raise Kestrel::Error for anything malformed or unsupported, and may
// raise std::bad_alloc; callers catch everything.

#include <cstdint>

#include "imagefiles/kestrel/KestrelError.h"
#include "imagefiles/kestrel/KestrelStreams.h"

namespace Kestrel {

class Decoder {
public:
    virtual ~Decoder() = default;
    // The next image row: padded width x components bytes, of which the first
    // width pixels are the image (R, G, B, or one grey byte, per pixel). Valid
    // until the next call. Raises Kestrel::Error after the last row and for a
    // corrupt or truncated scan.
    virtual const std::uint8_t* ReadLine() = 0;
};

// Reads the headers from stream, which must outlive the decoder. Every out
// pointer may be null. densityUnits is 0 without a JFIF segment, otherwise
// 1 (aspect ratio only), 2 (dots per inch) or 3 (dots per centimetre).
// Returns null only when the decoder itself cannot be allocated.
Decoder* CreateDecoder(IStream& stream, std::uint32_t* width, std::uint32_t* height, bool* isColour, int* densityUnits,
                       std::uint16_t* xDensity, std::uint16_t* yDensity);
void DeleteDecoder(Decoder* decoder);

class Coder {
public:
    virtual ~Coder() = default;
    // Takes the next image row: width x 3 bytes R, G, B (colour) or width
    // bytes (grey). The height-th row completes the file; any further row
    // raises Kestrel::Error.
    virtual void WriteLine(const std::uint8_t* row) = 0;
};

// Writes the headers to stream, which must outlive the encoder. width and
// height 1..65535; quality 1..100 (values outside are clamped by the scaling
// rule); sub422 chooses 4:2:2 over 4:2:0 for colour; oneDqtSegment writes
// both quantisation tables in one segment; densityUnits 2 writes dots per
// inch, 3 dots per centimetre, anything else an aspect ratio.
// Returns null only when the encoder itself cannot be allocated.
Coder* CreateCoder(OStream& stream, std::uint32_t width, std::uint32_t height, bool isColour, int quality, bool sub422,
                   bool oneDqtSegment, int densityUnits, std::uint16_t xDensity, std::uint16_t yDensity);
void DeleteCoder(Coder* coder);

// Owning handles for callers that prefer them.
struct DecoderDeleter {
    void operator()(Decoder* d) const { DeleteDecoder(d); }
};
struct CoderDeleter {
    void operator()(Coder* c) const { DeleteCoder(c); }
};

}  // namespace Kestrel
