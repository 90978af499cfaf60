#pragma once
// The baseline JPEG decoder: one interleaved or single-component scan of a
// 1- or 3-component SOF0/SOF1 frame, delivered top row first, one row per
// ReadLine.

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "imagefiles/kestrel/EnthropyDecoder.h"
#include "imagefiles/kestrel/FrameGeometry.h"
#include "imagefiles/kestrel/Kestrel.h"
#include "imagefiles/kestrel/KestrelTables.h"

namespace Kestrel {

class DecoderImpl : public Decoder {
public:
    // Parses everything up to and including the scan header; the stream then
    // stands at the first byte of entropy-coded data.
    explicit DecoderImpl(IStream& stream);
    ~DecoderImpl() override;

    const std::uint8_t* ReadLine() override;

    std::uint32_t Width() const { return m_width; }
    std::uint32_t Height() const { return m_height; }
    bool IsColour() const { return m_isColour; }
    int DensityUnits() const { return m_densityUnits; }
    std::uint16_t XDensity() const { return m_xDensity; }
    std::uint16_t YDensity() const { return m_yDensity; }
    const FrameGeometry& Geometry() const { return m_geometry; }

private:
    void ParseHeaders();
    void ReadFrameHeader();
    void ReadHuffmanTables();
    void ReadQuantTables();
    void ReadRestartInterval();
    void ReadJfifSegment();
    void ReadAdobeSegment();
    void ChooseColourTransform();
    void SetUpGeometry();
    void SetUpOutput();
    void SetUpScan();
    void ReadScanHeader();
    void DecodeMcuRow();
    void InverseDctRow();
    void ConvertGrey();
    void ConvertPlain();
    void ConvertYCbCr();

    bool m_jfifSeen = false, m_sofSeen = false, m_adobeSeen = false;
    int m_adobeTransform = 0;
    IStream& m_stream;
    std::uint32_t m_width = 0, m_height = 0;
    bool m_isColour = false;
    std::uint16_t m_xDensity = 0, m_yDensity = 0;
    int m_densityUnits = 0;
    std::uint16_t m_restartInterval = 0;
    bool m_yCbCr = true;
    int m_nf = 0;
    std::array<FrameComponent, 8> m_components{};
    HuffmanSlots m_dcTables, m_acTables;
    std::array<std::unique_ptr<QuantTable>, 4> m_quantTables;
    FrameGeometry m_geometry;

    struct ScanInfo {
        int ns = 0;
        std::array<int, 4> frameIndex{};
        std::array<int, 4> td{}, ta{};
    } m_scan;

    std::unique_ptr<EnthropyDecoder> m_entropy;
    std::vector<std::int16_t> m_coefficients;  // one MCU row
    std::vector<std::uint8_t> m_rowBlock;      // padded width x Nf x MCU height
    std::vector<std::uint8_t*> m_rows;
    std::uint32_t m_rowStart = 0, m_rowEnd = 0, m_nextRow = 0;
    void (DecoderImpl::*m_converter)() = nullptr;
};

}  // namespace Kestrel
