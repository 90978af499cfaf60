#include <algorithm>

#include "imagefiles/ThumbnailRows.h"
#include "imagefiles/kestrel/Kestrel.h"
#include "imagefiles/kestrel/MemStreams.h"

namespace {

// Entropy coding spends at least two bits on each 8 x 8 block, so no JPEG
// holds more than 256 pixels per byte; a header that claims more is a lie
// that would cost a long decode. Real thumbnails are far below either bound.
constexpr std::uint64_t kPixelsPerByte = 256;
constexpr std::uint64_t kMaxPixels = std::uint64_t{1} << 26;

class JpegRows final : public ThumbnailRows {
public:
    explicit JpegRows(std::vector<std::uint8_t> jpeg)
        : m_jpeg(std::move(jpeg)), m_stream(m_jpeg.data(), m_jpeg.size()) {
        std::uint32_t w = 0, h = 0;
        bool colour = false;
        m_decoder.reset(Kestrel::CreateDecoder(m_stream, &w, &h, &colour, nullptr, nullptr, nullptr));
        if (!m_decoder)
            throw std::bad_alloc();
        m_width = w;
        m_height = h;
        m_colour = colour;
        if (!m_colour)
            m_rgb.resize(static_cast<std::size_t>(m_width) * 3);
    }

    bool Plausible() const {
        const std::uint64_t pixels = static_cast<std::uint64_t>(m_width) * static_cast<std::uint64_t>(m_height);
        return pixels <= std::min<std::uint64_t>(kMaxPixels, kPixelsPerByte * m_jpeg.size() + 65536);
    }

    std::int64_t Width() const override { return m_width; }
    std::int64_t Height() const override { return m_height; }

    const std::uint8_t* Row(std::int64_t y) override {
        while (m_next <= y) {
            m_row = m_decoder->ReadLine();
            ++m_next;
        }
        if (m_colour)
            return m_row;
        for (std::int64_t x = 0; x < m_width; ++x)
            std::fill_n(&m_rgb[static_cast<std::size_t>(x) * 3], 3, m_row[x]);
        return m_rgb.data();
    }

private:
    std::vector<std::uint8_t> m_jpeg;
    ISSStreamMem m_stream;
    std::unique_ptr<Kestrel::Decoder, Kestrel::DecoderDeleter> m_decoder;
    std::int64_t m_width = 0, m_height = 0;
    bool m_colour = false;
    std::int64_t m_next = 0;  // the next row the decoder will give
    const std::uint8_t* m_row = nullptr;
    std::vector<std::uint8_t> m_rgb;
};

}  // namespace

std::unique_ptr<ThumbnailRows> OpenJpegThumbnailRows(std::vector<std::uint8_t> jpeg) {
    auto rows = std::make_unique<JpegRows>(std::move(jpeg));
    if (!rows->Plausible())
        return nullptr;
    return rows;
}
