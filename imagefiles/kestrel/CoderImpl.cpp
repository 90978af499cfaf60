#include "imagefiles/kestrel/CoderImpl.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "imagefiles/kestrel/ColourTables.h"
#include "imagefiles/kestrel/Dct.h"
#include "imagefiles/kestrel/KestrelError.h"

namespace Kestrel {

CoderImpl::CoderImpl(OStream& stream, std::uint32_t width, std::uint32_t height, bool isColour, int quality,
                     bool sub422, bool oneDqtSegment, int densityUnits, std::uint16_t xDensity, std::uint16_t yDensity)
    : m_stream(stream),
      m_width(width),
      m_height(height),
      m_isColour(isColour),
      m_sub422(sub422),
      m_oneDqtSegment(oneDqtSegment),
      m_densityUnits(densityUnits),
      m_xDensity(xDensity),
      m_yDensity(yDensity) {
    // The frame header holds 16-bit sizes: refuse what it cannot say.
    if (width == 0 || height == 0 || width > 65535 || height > 65535)
        ThrowError();
    m_quantTables[0] = ScaleQuantTable(quality, kLuminanceQuantBase, true);
    m_quantTables[1] = ScaleQuantTable(quality, kChrominanceQuantBase, true);
    m_stream.PutByte(0xFF);
    m_stream.PutByte(0xD8);
    WriteJfifSegment();
    WriteCommentSegment();
    WriteQuantSegments();
    SetUpComponents();
    WriteFrameHeader();
    SetUpGeometry();
    SetUpScan();
}

CoderImpl::~CoderImpl() = default;

void CoderImpl::WriteU16(std::uint32_t v) {
    m_stream.PutByte(static_cast<std::uint8_t>(v >> 8));
    m_stream.PutByte(static_cast<std::uint8_t>(v));
}

void CoderImpl::WriteJfifSegment() {
    const std::uint8_t units = m_densityUnits == 2 ? 1 : (m_densityUnits == 3 ? 2 : 0);
    const std::uint8_t head[] = {0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'I', 'F', 0x00, 0x01, 0x01, units};
    m_stream.WriteBlock(head, sizeof head);
    WriteU16(m_xDensity);
    WriteU16(m_yDensity);
    m_stream.PutByte(0);  // no thumbnail
    m_stream.PutByte(0);
}

void CoderImpl::WriteCommentSegment() {
    m_stream.PutByte(0xFF);
    m_stream.PutByte(0xFE);
    WriteU16(static_cast<std::uint32_t>(kBanner.size() + 2));
    m_stream.WriteBlock(reinterpret_cast<const std::uint8_t*>(kBanner.data()), kBanner.size());
}

void CoderImpl::WriteQuantTable(int id) {
    const QuantTable& table = m_quantTables[id];
    const bool wide = table.precision == 16;
    m_stream.PutByte(static_cast<std::uint8_t>((wide ? 0x10 : 0x00) | id));
    for (int i = 0; i < 64; ++i) {
        const std::uint16_t q = table.q[kZigzag[i]];
        if (wide)
            m_stream.PutByte(static_cast<std::uint8_t>(q >> 8));
        m_stream.PutByte(static_cast<std::uint8_t>(q));
    }
}

void CoderImpl::WriteQuantSegments() {
    const auto tableBytes = [&](int id) { return m_quantTables[id].precision == 16 ? 129u : 65u; };
    if (m_oneDqtSegment) {
        m_stream.PutByte(0xFF);
        m_stream.PutByte(0xDB);
        WriteU16(2 + tableBytes(0) + tableBytes(1));
        WriteQuantTable(0);
        WriteQuantTable(1);
        return;
    }
    for (int id = 0; id < 2; ++id) {
        m_stream.PutByte(0xFF);
        m_stream.PutByte(0xDB);
        WriteU16(2 + tableBytes(id));
        WriteQuantTable(id);
    }
}

void CoderImpl::SetUpComponents() {
    m_restartInterval = 0;
    if (!m_isColour) {
        m_nf = 1;
        m_components[0] = FrameComponent{};
        m_components[0].id = 1;
        return;
    }
    m_nf = 3;
    for (int c = 0; c < 3; ++c) {
        FrameComponent& fc = m_components[c];
        fc = FrameComponent{};
        fc.id = c + 1;
        fc.tq = fc.td = fc.ta = c == 0 ? 0 : 1;
    }
    m_components[0].h = 2;
    m_components[0].v = m_sub422 ? 1 : 2;
}

void CoderImpl::WriteFrameHeader() {
    m_stream.PutByte(0xFF);
    m_stream.PutByte(0xC0);
    WriteU16(static_cast<std::uint32_t>(8 + 3 * m_nf));
    m_stream.PutByte(8);
    WriteU16(m_height);
    WriteU16(m_width);
    m_stream.PutByte(static_cast<std::uint8_t>(m_nf));
    for (int c = 0; c < m_nf; ++c) {
        const FrameComponent& fc = m_components[c];
        m_stream.PutByte(static_cast<std::uint8_t>(fc.id));
        m_stream.PutByte(static_cast<std::uint8_t>(fc.h * 16 + fc.v));
        m_stream.PutByte(static_cast<std::uint8_t>(fc.tq));
    }
}

void CoderImpl::SetUpGeometry() {
    m_geometry = SetUpFrameGeometry(m_width, m_height, m_components.data(), m_nf);
    for (int c = 0; c < m_nf; ++c)
        if (m_geometry.hmax % m_components[c].h != 0 || m_geometry.vmax % m_components[c].v != 0)
            ThrowError();
    if (m_geometry.mcuHeight > 32 || !m_rowBlock.empty())
        ThrowError();
    m_coefficients.assign(m_geometry.CoefficientsPerMcuRow(), 0);
    m_inputRowBytes = std::size_t(m_width) * std::size_t(m_nf);
    m_paddedRowBytes = std::size_t(m_geometry.paddedWidth) * std::size_t(m_nf);
    m_rowBlock.assign(m_paddedRowBytes * std::size_t(m_geometry.mcuHeight), 0);
    m_rows.resize(static_cast<std::size_t>(m_geometry.mcuHeight));
    for (int r = 0; r < m_geometry.mcuHeight; ++r)
        m_rows[r] = m_rowBlock.data() + m_paddedRowBytes * std::size_t(r);
    if (m_nf == 3)
        for (int c = 0; c < m_nf; ++c)
            BuildIndexMap(m_components[c], m_geometry);
    m_mcuFirstRow = 0;
}

void CoderImpl::SetUpScan() {
    if (m_entropy)
        ThrowError();
    const std::array<std::int32_t, 64>& aan = AanScaleFactors(32768);
    for (int c = 0; c < m_nf; ++c) {
        FrameComponent& fc = m_components[c];
        for (int k = 0; k < 64; ++k) {
            fc.scaledQuant[k] = static_cast<std::int32_t>(m_quantTables[fc.tq].q[k]) * aan[k];
            m_divisors[c][k] = MakeQuantDivisor(fc.scaledQuant[k]);
        }
    }
    if (m_nf == 1) {
        const FrameComponent& fc = m_components[0];
        m_entropy =
            std::make_unique<HuffEncoder_SNI>(m_stream, m_geometry.coeffsPerMcu, fc.widthBlocks, fc.heightBlocks, 0,
                                              fc.h, fc.v, fc.id, fc.td, fc.ta, m_restartInterval);
    } else {
        std::array<ScanComponent, 3> list{};
        std::array<int, 3> ids{};
        for (int c = 0; c < m_nf; ++c) {
            const FrameComponent& fc = m_components[c];
            list[c] = {fc.firstBlock * 64, fc.blocks, c, fc.td, fc.ta};
            ids[c] = fc.id;
        }
        m_entropy = std::make_unique<HuffEncoder_SI>(m_stream, m_geometry.coeffsPerMcu, m_geometry.mcusPerRow, m_nf,
                                                     list.data(), ids.data(), m_restartInterval);
    }
    const HuffmanSpecList dc = {&StandardDcTable(0), &StandardDcTable(1)};
    const HuffmanSpecList ac = {&StandardAcTable(0), &StandardAcTable(1)};
    m_entropy->SetTables(dc, ac);
    m_entropy->WriteTables(0, dc);
    m_entropy->WriteTables(1, ac);
    m_entropy->WriteScanHeader();
}

void CoderImpl::WriteLine(const std::uint8_t* row) {
    if (m_rowCounter >= m_height)
        ThrowError();
    const int mcuHeight = m_geometry.mcuHeight;
    const int rowInMcu = static_cast<int>(m_rowCounter - m_mcuFirstRow);
    std::uint8_t* dst = m_rows[rowInMcu];
    std::memcpy(dst, row, m_inputRowBytes);
    // Repeat the last pixel up to the padded width.
    for (std::size_t i = m_inputRowBytes; i < m_paddedRowBytes; ++i)
        dst[i] = dst[i - static_cast<std::size_t>(m_nf)];
    ++m_rowCounter;
    const bool last = m_rowCounter == m_height;
    int filled = rowInMcu + 1;
    if (last) {
        // Repeat the last row down to the end of the MCU row.
        for (; filled < mcuHeight; ++filled)
            std::memcpy(m_rows[filled], dst, m_paddedRowBytes);
    }
    if (filled == mcuHeight) {
        EncodeMcuRow();
        m_mcuFirstRow += static_cast<std::uint32_t>(mcuHeight);
    }
    if (last) {
        m_entropy->Finish();
        m_stream.PutByte(0xFF);
        m_stream.PutByte(0xD9);
        m_stream.FlushAll();
    }
}

void CoderImpl::EncodeMcuRow() {
    if (m_nf == 1)
        ConvertGreyIn();
    else
        ConvertToYCbCr();
    std::int16_t* mcu = m_coefficients.data();
    for (std::uint32_t i = 0; i < m_geometry.mcusPerRow; ++i, mcu += m_geometry.coeffsPerMcu) {
        for (int c = 0; c < m_nf; ++c) {
            const FrameComponent& fc = m_components[c];
            for (int b = 0; b < fc.blocks; ++b)
                ForwardDct(mcu + 64 * (fc.firstBlock + b), m_divisors[c].data());
        }
    }
    m_entropy->EncodeMcuRow(m_coefficients.data());
}

namespace {

template <int Share>
void DivideSamples(std::int16_t* s, int n) {
    for (int k = 0; k < n; ++k)
        s[k] = static_cast<std::int16_t>(s[k] / Share);
}

}  // namespace

void CoderImpl::ConvertToYCbCr() {
    const ColourTables& t = kColourTables;
    std::fill(m_coefficients.begin(), m_coefficients.end(), std::int16_t{0});
    const int mcuW = m_geometry.mcuWidth, mcuH = m_geometry.mcuHeight;
    const std::int32_t* map0 = m_components[0].indexMap.data();
    const std::int32_t* map1 = m_components[1].indexMap.data();
    const std::int32_t* map2 = m_components[2].indexMap.data();
    for (std::uint32_t i = 0; i < m_geometry.mcusPerRow; ++i) {
        std::int16_t* mcu = m_coefficients.data() + std::size_t(i) * m_geometry.coeffsPerMcu;
        for (int l = 0; l < mcuH; ++l) {
            const std::uint8_t* in = m_rows[l] + std::size_t(i) * mcuW * 3;
            for (int m = 0, p = l * mcuW; m < mcuW; ++m, ++p, in += 3) {
                const int g = in[1];
                const int dRG = in[0] - g + 256, dBG = in[2] - g + 256;
                mcu[map0[p]] = static_cast<std::int16_t>(mcu[map0[p]] + g + (t.RToY4[dRG] + t.BToY4[dBG]) / 4);
                mcu[map1[p]] = static_cast<std::int16_t>(mcu[map1[p]] + (t.RToCb2[dRG] + dBG) / 2);
                mcu[map2[p]] = static_cast<std::int16_t>(mcu[map2[p]] + (t.BToCr2[dBG] + dRG) / 2);
            }
        }
        // Subsampled components: the mean of the pixels that share a sample.
        for (int c = 0; c < m_nf; ++c) {
            const FrameComponent& fc = m_components[c];
            const int share = (m_geometry.hmax * m_geometry.vmax) / (fc.h * fc.v);
            if (share == 1)
                continue;
            std::int16_t* s = mcu + 64 * fc.firstBlock;
            const int n = 64 * fc.blocks;
            // The usual shares as constants, which divide without idiv.
            if (share == 4)
                DivideSamples<4>(s, n);
            else if (share == 2)
                DivideSamples<2>(s, n);
            else
                for (int k = 0; k < n; ++k)
                    s[k] = static_cast<std::int16_t>(s[k] / share);
        }
    }
}

void CoderImpl::ConvertGreyIn() {
    for (int r = 0; r < 8; ++r) {
        const std::uint8_t* in = m_rows[r];
        for (std::uint32_t b = 0; b < m_geometry.mcusPerRow; ++b) {
            std::int16_t* samples = m_coefficients.data() + std::size_t(b) * 64 + 8 * r;
            for (int j = 0; j < 8; ++j)
                samples[j] = *in++;
        }
    }
}

Coder* CreateCoder(OStream& stream, std::uint32_t width, std::uint32_t height, bool isColour, int quality, bool sub422,
                   bool oneDqtSegment, int densityUnits, std::uint16_t xDensity, std::uint16_t yDensity) {
    return new (std::nothrow)
        CoderImpl(stream, width, height, isColour, quality, sub422, oneDqtSegment, densityUnits, xDensity, yDensity);
}

void DeleteCoder(Coder* coder) { delete coder; }

}  // namespace Kestrel
