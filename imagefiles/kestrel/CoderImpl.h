#pragma once
// The baseline JPEG encoder: grey, 4:2:0 or 4:2:2 colour, Annex K tables
// scaled by quality, one scan without restart markers.
//
// The file reads: SOI, APP0 (JFIF), COM, DQT (one or two segments), SOF0,
// DHT x 4 (x 2 for grey), SOS, entropy-coded data, EOI.

#include <array>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "imagefiles/kestrel/Dct.h"
#include "imagefiles/kestrel/EnthropyEncoder.h"
#include "imagefiles/kestrel/FrameGeometry.h"
#include "imagefiles/kestrel/Kestrel.h"
#include "imagefiles/kestrel/KestrelTables.h"

namespace Kestrel {

// The text of the comment segment.
inline constexpr std::string_view kBanner = "Kestrel baseline JPEG codec of ORVEK Vespera 3, made by ORVEK";
static_assert(kBanner.size() == 61);

class CoderImpl : public Coder {
public:
    // Writes every header up to and including SOS.
    CoderImpl(OStream& stream, std::uint32_t width, std::uint32_t height, bool isColour, int quality, bool sub422,
              bool oneDqtSegment, int densityUnits, std::uint16_t xDensity, std::uint16_t yDensity);
    ~CoderImpl() override;

    void WriteLine(const std::uint8_t* row) override;

private:
    void WriteJfifSegment();
    void WriteCommentSegment();
    void WriteQuantSegments();
    void WriteQuantTable(int id);
    void SetUpComponents();
    void WriteFrameHeader();
    void SetUpGeometry();
    void SetUpScan();
    void EncodeMcuRow();
    void ConvertToYCbCr();
    void ConvertGreyIn();
    void WriteU16(std::uint32_t v);

    OStream& m_stream;
    std::uint32_t m_width, m_height;
    bool m_isColour, m_sub422, m_oneDqtSegment;
    int m_densityUnits;
    std::uint16_t m_xDensity, m_yDensity;
    std::array<QuantTable, 2> m_quantTables;
    std::uint16_t m_restartInterval = 0;
    int m_nf = 0;
    std::array<FrameComponent, 3> m_components{};
    std::array<std::array<QuantDivisor, 64>, 3> m_divisors{};  // per component
    FrameGeometry m_geometry;
    std::vector<std::int16_t> m_coefficients;  // one MCU row
    std::vector<std::uint8_t> m_rowBlock;      // padded width x Nf x MCU height
    std::vector<std::uint8_t*> m_rows;
    std::size_t m_inputRowBytes = 0, m_paddedRowBytes = 0;
    std::uint32_t m_rowCounter = 0;   // image rows received
    std::uint32_t m_mcuFirstRow = 0;  // first image row of the current MCU row
    std::unique_ptr<EnthropyEncoder> m_entropy;
};

}  // namespace Kestrel
