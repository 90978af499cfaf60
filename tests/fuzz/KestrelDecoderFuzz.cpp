// Feeds arbitrary bytes to the Kestrel decoder and pulls every row: any input
// must end in rows or Kestrel::Error, never outside the decoder's buffers.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>

#include "imagefiles/kestrel/Kestrel.h"
#include "imagefiles/kestrel/MemStreams.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ISSStreamMem stream(data, size);
    try {
        std::uint32_t width = 0, height = 0;
        bool isColour = false;
        int units = 0;
        std::uint16_t xDensity = 0, yDensity = 0;
        std::unique_ptr<Kestrel::Decoder, Kestrel::DecoderDeleter> decoder(
            Kestrel::CreateDecoder(stream, &width, &height, &isColour, &units, &xDensity, &yDensity));
        if (!decoder)
            return 0;
        const std::size_t bytes = std::size_t(width) * (isColour ? 3 : 1);
        unsigned sum = 0;
        for (std::uint32_t y = 0; y < height; ++y) {
            const std::uint8_t* row = decoder->ReadLine();
            // Touch the first and last byte of the image part of the row.
            sum += row[0] + row[bytes - 1];
        }
        // Reading past the last row must fail too.
        try {
            decoder->ReadLine();
            __builtin_trap();
        } catch (const Kestrel::Error&) {
        }
        (void)sum;
    } catch (const Kestrel::Error&) {
    } catch (const std::bad_alloc&) {
    }
    return 0;
}
