#include "imagefiles/kestrel/DecoderImpl.h"

#include <algorithm>
#include <new>

#include "imagefiles/kestrel/ColourTables.h"
#include "imagefiles/kestrel/Dct.h"
#include "imagefiles/kestrel/KestrelError.h"
#include "imagefiles/kestrel/Markers.h"

namespace Kestrel {

namespace {

inline std::uint8_t Clamp(int v) { return static_cast<std::uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v)); }

// Reads an application segment's length L and, when it holds at least
// minimum bytes, its 5-byte signature. Returns L when the signature matches;
// otherwise skips the rest of the segment and returns 0.
std::uint16_t OpenSignedSegment(IStream& stream, std::uint16_t minimum, const std::array<std::uint8_t, 5>& signature) {
    const std::uint16_t length = stream.ReadU16();
    const std::uint16_t n = static_cast<std::uint16_t>(length - 2);
    if (n < minimum) {
        stream.Skip(n);
        return 0;
    }
    bool match = true;
    for (std::uint8_t expected : signature)
        match = (stream.ReadByte() == expected) && match;
    if (!match) {
        stream.Skip(static_cast<std::uint16_t>(length - 7));
        return 0;
    }
    return length;
}

}  // namespace

DecoderImpl::DecoderImpl(IStream& stream) : m_stream(stream) {
    if (m_stream.ReadByte() != 0xFF || m_stream.ReadByte() != 0xD8)
        ThrowError();
    ParseHeaders();
    if (!m_sofSeen)
        ThrowError();
    if (m_nf == 1) {
        m_isColour = false;
    } else if (m_nf == 3) {
        m_isColour = true;
        ChooseColourTransform();
    } else {
        ThrowError();
    }
    SetUpGeometry();
    SetUpOutput();
}

DecoderImpl::~DecoderImpl() = default;

void DecoderImpl::ParseHeaders() {
    for (;;) {
        const std::uint8_t code = FindMarker(m_stream);
        switch (code) {
        case 0xC0:
        case 0xC1:
            ReadFrameHeader();
            break;
        case 0xC4:
            ReadHuffmanTables();
            break;
        case 0xDB:
            ReadQuantTables();
            break;
        case 0xDD:
            ReadRestartInterval();
            break;
        case 0xE0:
            ReadJfifSegment();
            break;
        case 0xEE:
            ReadAdobeSegment();
            break;
        case 0xDA:
        case 0xD9:
            m_stream.Unget(code);
            m_stream.Unget(0xFF);
            return;
        default:
            if (code == 0xCC || code == 0xFE || (code >= 0xE1 && code <= 0xEF))
                SkipSegment(m_stream);
            else
                ThrowError();  // progressive, lossless, arithmetic, RST, SOI, ...
        }
    }
}

void DecoderImpl::ReadFrameHeader() {
    if (m_sofSeen)
        ThrowError();
    const std::uint16_t lf = m_stream.ReadU16();
    const int precision = m_stream.ReadByte();
    if (precision != 8)
        ThrowError();
    m_height = m_stream.ReadU16();
    m_width = m_stream.ReadU16();
    m_nf = m_stream.ReadByte();
    if (m_width == 0 || m_height == 0 || m_nf < 1 || m_nf > 8 || lf != 3 * m_nf + 8)
        ThrowError();
    for (int c = 0; c < m_nf; ++c) {
        FrameComponent& fc = m_components[c];
        fc.id = m_stream.ReadByte();
        const int hv = m_stream.ReadByte();
        fc.h = hv >> 4;
        fc.v = hv & 15;
        fc.tq = m_stream.ReadByte();
        if (fc.h < 1 || fc.h > 4 || fc.v < 1 || fc.v > 4 || fc.tq > 3)
            ThrowError();
    }
    m_sofSeen = true;
}

void DecoderImpl::ReadHuffmanTables() {
    int remaining = m_stream.ReadU16() - 2;
    while (remaining != 0) {
        auto definition = std::make_unique<HuffmanSpec>();
        const int classId = m_stream.ReadByte();
        definition->tableClass = (classId >> 4) & 1;
        definition->id = classId & 15;
        int n = 0;
        for (int l = 1; l <= 16; ++l) {
            definition->counts[l] = m_stream.ReadByte();
            n += definition->counts[l];
        }
        if (n >= 256 || definition->id > 3 || 17 + n > remaining)
            ThrowError();
        for (int i = 0; i < n; ++i)
            definition->symbols[i] = m_stream.ReadByte();
        definition->symbolCount = n;
        remaining -= definition->Size();
        HuffmanSlots& slots = definition->tableClass == 0 ? m_dcTables : m_acTables;
        slots[definition->id] = std::move(definition);
    }
}

void DecoderImpl::ReadQuantTables() {
    int remaining = m_stream.ReadU16() - 2;
    while (remaining != 0) {
        const int pq = m_stream.ReadByte();
        const int id = pq & 15;
        const bool wide = pq >= 16;
        const int size = wide ? 129 : 65;
        if (id > 3 || size > remaining)
            ThrowError();
        auto table = std::make_unique<QuantTable>();
        table->precision = wide ? 16 : 8;
        for (int i = 0; i < 64; ++i)
            table->q[kZigzag[i]] = wide ? m_stream.ReadU16() : m_stream.ReadByte();
        remaining -= size;
        m_quantTables[id] = std::move(table);
    }
}

void DecoderImpl::ReadRestartInterval() {
    if (m_stream.ReadU16() != 4)
        ThrowError();
    m_restartInterval = m_stream.ReadU16();
}

void DecoderImpl::ReadJfifSegment() {
    // JFIF extension segments and other APP0 segments are skipped.
    const std::uint16_t length = OpenSignedSegment(m_stream, 14, {'J', 'F', 'I', 'F', 0});
    if (length == 0)
        return;
    if (m_jfifSeen)
        ThrowError();
    if (m_stream.ReadByte() != 1)
        ThrowError();
    m_stream.ReadByte();  // minor version
    const int units = m_stream.ReadByte();
    if (units <= 2)
        m_densityUnits = units + 1;
    m_xDensity = m_stream.ReadU16();
    m_yDensity = m_stream.ReadU16();
    m_stream.ReadByte();  // thumbnail width
    m_stream.ReadByte();  // thumbnail height
    m_jfifSeen = true;
    m_stream.Skip(static_cast<std::uint16_t>(length - 16));
}

void DecoderImpl::ReadAdobeSegment() {
    if (m_adobeSeen)
        ThrowError();
    const std::uint16_t length = OpenSignedSegment(m_stream, 12, {'A', 'd', 'o', 'b', 'e'});
    if (length == 0)
        return;
    m_stream.Skip(6);  // version, flags0, flags1
    m_adobeTransform = m_stream.ReadByte();
    m_adobeSeen = true;
    m_stream.Skip(static_cast<std::uint16_t>(length - 14));
}

void DecoderImpl::ChooseColourTransform() {
    if (m_jfifSeen)
        m_yCbCr = true;
    else if (m_adobeSeen)
        m_yCbCr = m_adobeTransform != 0;
    else
        m_yCbCr = !(m_components[0].id == 'R' && m_components[1].id == 'G' && m_components[2].id == 'B');
}

void DecoderImpl::SetUpGeometry() {
    m_geometry = SetUpFrameGeometry(m_width, m_height, m_components.data(), m_nf);
    m_coefficients.assign(m_geometry.CoefficientsPerMcuRow(), 0);
}

void DecoderImpl::SetUpOutput() {
    if (m_geometry.mcuHeight > 32 || !m_rowBlock.empty())
        ThrowError();
    const std::size_t rowBytes = std::size_t(m_geometry.paddedWidth) * std::size_t(m_nf);
    m_rowBlock.assign(rowBytes * std::size_t(m_geometry.mcuHeight), 0);
    m_rows.resize(static_cast<std::size_t>(m_geometry.mcuHeight));
    for (int r = 0; r < m_geometry.mcuHeight; ++r)
        m_rows[r] = m_rowBlock.data() + rowBytes * std::size_t(r);
    SetUpScan();
    if (m_nf == 1) {
        m_converter = &DecoderImpl::ConvertGrey;
        return;
    }
    m_converter = m_yCbCr ? &DecoderImpl::ConvertYCbCr : &DecoderImpl::ConvertPlain;
    for (int c = 0; c < m_nf; ++c) {
        if (!m_components[c].indexMap.empty())
            ThrowError();
        BuildIndexMap(m_components[c], m_geometry);
    }
}

void DecoderImpl::SetUpScan() {
    if (m_stream.ReadByte() != 0xFF || m_stream.ReadByte() != 0xDA)
        ThrowError();
    ReadScanHeader();
    if (m_scan.ns != m_nf || m_entropy)
        ThrowError();
    // The whole image is one baseline scan: Ss, Se, Ah and Al are taken as
    // 0, 63, 0, 0 whatever the file says.
    const std::array<std::int32_t, 64>& aan = AanScaleFactors(8192);
    for (int i = 0; i < m_scan.ns; ++i) {
        FrameComponent& fc = m_components[m_scan.frameIndex[i]];
        const QuantTable* q = m_quantTables[fc.tq].get();
        if (!q)
            ThrowError();
        for (int k = 0; k < 64; ++k)
            fc.scaledQuant[k] = static_cast<std::int32_t>(q->q[k]) * aan[k];
    }
    if (m_scan.ns == 1) {
        const FrameComponent& fc = m_components[m_scan.frameIndex[0]];
        m_entropy = std::make_unique<HuffDecoder_SNI>(m_stream, m_geometry.coeffsPerMcu, fc.widthBlocks,
                                                      fc.heightBlocks, fc.firstBlock * 64, fc.h, fc.v, m_scan.td[0],
                                                      m_scan.ta[0], m_dcTables, m_acTables, m_restartInterval);
        return;
    }
    std::array<ScanComponent, 4> list{};
    for (int i = 0; i < m_scan.ns; ++i) {
        const FrameComponent& fc = m_components[m_scan.frameIndex[i]];
        list[i] = {fc.firstBlock * 64, fc.h * fc.v, i, m_scan.td[i], m_scan.ta[i]};
    }
    m_entropy = std::make_unique<HuffDecoder_SI>(m_stream, m_geometry.coeffsPerMcu, m_geometry.mcusPerRow, m_scan.ns,
                                                 list.data(), m_dcTables, m_acTables, m_restartInterval);
}

void DecoderImpl::ReadScanHeader() {
    const std::uint16_t ls = m_stream.ReadU16();
    const int ns = m_stream.ReadByte();
    if (ns < 1 || ns > 4 || ls != 2 * ns + 6)
        ThrowError();
    m_scan.ns = ns;
    for (int i = 0; i < ns; ++i) {
        const int cs = m_stream.ReadByte();
        int found = -1;
        for (int c = m_nf - 1; c >= 0; --c) {
            if (m_components[c].id == cs) {
                found = c;
                break;
            }
        }
        if (found < 0)
            ThrowError();
        for (int j = 0; j < i; ++j)
            if (m_scan.frameIndex[j] == found)
                ThrowError();  // a component named twice
        m_scan.frameIndex[i] = found;
        const int tables = m_stream.ReadByte();
        m_scan.td[i] = tables >> 4;
        m_scan.ta[i] = tables & 15;
        if (m_scan.td[i] > 3 || m_scan.ta[i] > 3)
            ThrowError();
    }
    m_stream.Skip(3);  // Ss, Se, Ah/Al
}

const std::uint8_t* DecoderImpl::ReadLine() {
    if (m_nextRow >= m_height || !m_entropy)
        ThrowError();
    if (m_nextRow >= m_rowEnd) {
        try {
            DecodeMcuRow();
        } catch (...) {
            // The scan cannot be resumed: later calls fail as well.
            m_entropy.reset();
            throw;
        }
    }
    return m_rows[m_nextRow++ - m_rowStart];
}

void DecoderImpl::DecodeMcuRow() {
    std::fill(m_coefficients.begin(), m_coefficients.end(), std::int16_t{0});
    m_entropy->DecodeMcuRow(m_coefficients.data());
    InverseDctRow();
    (this->*m_converter)();
    m_rowStart = m_nextRow;
    m_rowEnd = m_nextRow + static_cast<std::uint32_t>(m_geometry.mcuHeight);
}

void DecoderImpl::InverseDctRow() {
    std::int16_t* mcu = m_coefficients.data();
    for (std::uint32_t i = 0; i < m_geometry.mcusPerRow; ++i, mcu += m_geometry.coeffsPerMcu) {
        for (int c = 0; c < m_nf; ++c) {
            const FrameComponent& fc = m_components[c];
            for (int b = 0; b < fc.blocks; ++b)
                InverseDct(mcu + 64 * (fc.firstBlock + b), fc.scaledQuant.data());
        }
    }
}

void DecoderImpl::ConvertGrey() {
    const std::int16_t* blocks = m_coefficients.data();
    for (int r = 0; r < 8; ++r) {
        std::uint8_t* out = m_rows[r];
        for (std::uint32_t b = 0; b < m_geometry.mcusPerRow; ++b) {
            const std::int16_t* samples = blocks + std::size_t(b) * 64 + 8 * r;
            for (int j = 0; j < 8; ++j)
                *out++ = static_cast<std::uint8_t>(samples[j]);
        }
    }
}

void DecoderImpl::ConvertPlain() {
    const int mcuW = m_geometry.mcuWidth, mcuH = m_geometry.mcuHeight;
    const std::int32_t* map0 = m_components[0].indexMap.data();
    const std::int32_t* map1 = m_components[1].indexMap.data();
    const std::int32_t* map2 = m_components[2].indexMap.data();
    for (std::uint32_t i = 0; i < m_geometry.mcusPerRow; ++i) {
        const std::int16_t* mcu = m_coefficients.data() + std::size_t(i) * m_geometry.coeffsPerMcu;
        for (int l = 0; l < mcuH; ++l) {
            std::uint8_t* out = m_rows[l] + std::size_t(i) * mcuW * 3;
            for (int m = 0, p = l * mcuW; m < mcuW; ++m, ++p) {
                *out++ = static_cast<std::uint8_t>(mcu[map0[p]]);
                *out++ = static_cast<std::uint8_t>(mcu[map1[p]]);
                *out++ = static_cast<std::uint8_t>(mcu[map2[p]]);
            }
        }
    }
}

void DecoderImpl::ConvertYCbCr() {
    const ColourTables& t = kColourTables;
    const int mcuW = m_geometry.mcuWidth, mcuH = m_geometry.mcuHeight;
    const std::int32_t* yMap = m_components[0].indexMap.data();
    const std::int32_t* cbMap = m_components[1].indexMap.data();
    const std::int32_t* crMap = m_components[2].indexMap.data();
    for (std::uint32_t i = 0; i < m_geometry.mcusPerRow; ++i) {
        const std::int16_t* mcu = m_coefficients.data() + std::size_t(i) * m_geometry.coeffsPerMcu;
        for (int l = 0; l < mcuH; ++l) {
            std::uint8_t* out = m_rows[l] + std::size_t(i) * mcuW * 3;
            for (int m = 0, p = l * mcuW; m < mcuW; ++m, ++p) {
                const int y = mcu[yMap[p]];
                const int cb = mcu[cbMap[p]];
                const int cr = mcu[crMap[p]];
                *out++ = Clamp(y + t.CrToR[cr]);
                *out++ = Clamp(y + (t.CbToG4[cb] + t.CrToG4[cr]) / 4);
                *out++ = Clamp(y + t.CbToB[cb]);
            }
        }
    }
}

Decoder* CreateDecoder(IStream& stream, std::uint32_t* width, std::uint32_t* height, bool* isColour, int* densityUnits,
                       std::uint16_t* xDensity, std::uint16_t* yDensity) {
    DecoderImpl* decoder = new (std::nothrow) DecoderImpl(stream);
    if (!decoder)
        return nullptr;
    if (width)
        *width = decoder->Width();
    if (height)
        *height = decoder->Height();
    if (isColour)
        *isColour = decoder->IsColour();
    if (densityUnits)
        *densityUnits = decoder->DensityUnits();
    if (xDensity)
        *xDensity = decoder->XDensity();
    if (yDensity)
        *yDensity = decoder->YDensity();
    return decoder;
}

void DeleteDecoder(Decoder* decoder) { delete decoder; }

}  // namespace Kestrel
