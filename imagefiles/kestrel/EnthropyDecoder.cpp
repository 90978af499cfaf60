#include "imagefiles/kestrel/EnthropyDecoder.h"

#include <algorithm>
#include <limits>

#include "imagefiles/kestrel/KestrelError.h"
#include "imagefiles/kestrel/Markers.h"

namespace Kestrel {

HuffmanDecodeTable::HuffmanDecodeTable(const HuffmanSpec& definition) {
    const std::array<CanonicalCode, 256> codes = AssignCanonicalCodes(definition);
    symbols = definition.symbols;
    symbolCount = definition.symbolCount;
    int index = 0;
    for (int length = 1; length <= 16; ++length) {
        const int n = definition.counts[length];
        if (n == 0) {
            maxcode[length] = -1;
            continue;
        }
        valoffset[length] = codes[index].code - index;
        maxcode[length] = codes[index + n - 1].code;
        index += n;
    }
    maxcode[17] = std::numeric_limits<std::int32_t>::max();
    for (int i = 0; i < symbolCount; ++i) {
        const int length = codes[i].length;
        if (length > 8)
            break;
        const int spread = 1 << (8 - length);
        const int first = codes[i].code * spread;
        for (int j = 0; j < spread; ++j)
            lookahead[first + j] = {symbols[i], static_cast<std::uint8_t>(length)};
    }
}

namespace {

// T.81 F.12: a value of n bits below 2^(n-1) stands for a negative one.
inline int Extend(int v, int n) { return v < (1 << (n - 1)) ? v - (1 << n) + 1 : v; }

}  // namespace

BaseHuffDecoder::BaseHuffDecoder(IStream& stream, std::uint16_t restartInterval)
    : m_stream(stream), m_restartInterval(restartInterval), m_countdown(restartInterval) {}

BaseHuffDecoder::~BaseHuffDecoder() { GiveBackQuietly(m_bits); }

void BaseHuffDecoder::UseTables(int td, int ta, const HuffmanSlots& dcSlots, const HuffmanSlots& acSlots) {
    if (td < 0 || td > 3 || ta < 0 || ta > 3 || !dcSlots[td] || !acSlots[ta])
        ThrowError();
    if (!m_dc[td])
        m_dc[td] = std::make_unique<HuffmanDecodeTable>(*dcSlots[td]);
    if (!m_ac[ta])
        m_ac[ta] = std::make_unique<HuffmanDecodeTable>(*acSlots[ta]);
}

template <typename Fn>
void BaseHuffDecoder::WithBitState(Fn&& decodeRow) {
    BitReader br = m_bits;
    try {
        decodeRow(br);
    } catch (...) {
        GiveBackQuietly(br);
        m_bits = BitReader{};
        throw;
    }
    m_bits = br;
}

void BaseHuffDecoder::Load(BitReader& br) {
    while (br.count <= 24) {
        const std::uint8_t c = m_stream.ReadByte();
        if (c == 0xFF) {
            const std::uint8_t b = m_stream.ReadByte();
            if (b != 0) {
                // A marker: leave it in the stream; every later load meets
                // it again, so the reader never passes it.
                m_stream.Unget(b);
                m_stream.Unget(0xFF);
                return;
            }
        }
        br.bits = (br.bits << 8) | c;
        br.count += 8;
    }
}

inline int BaseHuffDecoder::GetBits(BitReader& br, int n) {
    if (br.count < n) [[unlikely]] {
        Load(br);
        if (br.count < n)
            ThrowError();
    }
    br.count -= n;
    return static_cast<int>((br.bits >> br.count) & ((1u << n) - 1));
}

inline int BaseHuffDecoder::DecodeSymbol(BitReader& br, const HuffmanDecodeTable& table) {
    if (br.count < 8) [[unlikely]] {
        Load(br);
        if (br.count < 8) {
            // Fewer than 8 bits before a marker: peek with zero bits after them.
            const unsigned peek = (br.bits << (8 - br.count)) & 0xFF;
            const HuffmanDecodeTable::Lookahead e = table.lookahead[peek];
            if (e.length == 0 || e.length > br.count)
                return DecodeSlow(br, table, br.count + 1);
            br.count -= e.length;
            return e.symbol;
        }
    }
    const unsigned peek = (br.bits >> (br.count - 8)) & 0xFF;
    const HuffmanDecodeTable::Lookahead e = table.lookahead[peek];
    if (e.length == 0) [[unlikely]]
        return DecodeSlow(br, table, 9);
    br.count -= e.length;
    return e.symbol;
}

int BaseHuffDecoder::DecodeSlow(BitReader& br, const HuffmanDecodeTable& table, int length) {
    std::int32_t code = GetBits(br, length);
    while (code > table.maxcode[length]) {
        if (length >= 16)
            ThrowError();
        code = (code << 1) | GetBits(br, 1);
        ++length;
    }
    const std::int32_t index = code - table.valoffset[length];
    if (index < 0 || index >= table.symbolCount)
        ThrowError();
    return table.symbols[index];
}

void BaseHuffDecoder::DecodeBlock(BitReader& br, std::int16_t* block, std::int16_t& predictor,
                                  const HuffmanDecodeTable& dc, const HuffmanDecodeTable& ac) {
    const int t = DecodeSymbol(br, dc) & 15;
    if (t != 0)
        predictor = static_cast<std::int16_t>(predictor + Extend(GetBits(br, t), t));
    block[0] = predictor;
    int k = 1;
    for (;;) {
        const int rs = DecodeSymbol(br, ac);
        const int s = rs & 15;
        if (s == 0) {
            if (rs == 0xF0 && k <= 47) {
                k += 16;
                continue;
            }
            return;  // EOB, or a run that cannot fit
        }
        k += rs >> 4;
        // A run past the last coefficient is corrupt data.
        if (k > 63)
            ThrowError();
        block[kZigzag[k]] = static_cast<std::int16_t>(Extend(GetBits(br, s), s));
        if (k >= 63)
            return;
        ++k;
    }
}

void BaseHuffDecoder::ProcessRestart(BitReader& br) {
    ResetPredictors();
    GiveBack(br);
    if (FindMarker(m_stream) != 0xD0 + m_nextRestart)
        ThrowError();
    m_countdown = m_restartInterval;
    m_nextRestart = (m_nextRestart + 1) & 7;
}

void BaseHuffDecoder::GiveBack(BitReader& br) {
    br.count -= br.count % 8;
    while (br.count > 0) {
        m_stream.Unget(static_cast<std::uint8_t>(br.bits & 0xFF));
        br.bits >>= 8;
        br.count -= 8;
    }
}

void BaseHuffDecoder::GiveBackQuietly(BitReader& br) noexcept {
    try {
        GiveBack(br);
    } catch (...) {
        // The stream had no room left below its cursor; nothing reads these
        // bytes any more.
    }
    br = BitReader{};
}

HuffDecoder_SI::HuffDecoder_SI(IStream& stream, int coeffsPerMcu, std::uint32_t mcusPerRow, int ns,
                               const ScanComponent* components, const HuffmanSlots& dcSlots,
                               const HuffmanSlots& acSlots, std::uint16_t restartInterval)
    : BaseHuffDecoder(stream, restartInterval), m_coeffsPerMcu(coeffsPerMcu), m_mcusPerRow(mcusPerRow), m_ns(ns) {
    if (ns < 1 || ns > 4)
        ThrowError();
    for (int i = 0; i < ns; ++i) {
        m_components[i] = components[i];
        UseTables(components[i].td, components[i].ta, dcSlots, acSlots);
    }
}

void HuffDecoder_SI::ResetPredictors() { m_predictors.fill(0); }

void HuffDecoder_SI::DecodeMcuRow(std::int16_t* coefficients) {
    WithBitState([&](BitReader& br) {
        std::int16_t* mcu = coefficients;
        for (std::uint32_t m = 0; m < m_mcusPerRow; ++m, mcu += m_coeffsPerMcu) {
            BeforeMcu(br);
            for (int i = 0; i < m_ns; ++i) {
                const ScanComponent& c = m_components[i];
                const HuffmanDecodeTable& dc = Dc(c.td);
                const HuffmanDecodeTable& ac = Ac(c.ta);
                for (int b = 0; b < c.blocks; ++b)
                    DecodeBlock(br, mcu + c.offset + 64 * b, m_predictors[i], dc, ac);
            }
        }
    });
}

HuffDecoder_SNI::HuffDecoder_SNI(IStream& stream, int coeffsPerMcu, std::uint32_t widthBlocks,
                                 std::uint32_t heightBlocks, int firstBlockOffset, int h, int v, int td, int ta,
                                 const HuffmanSlots& dcSlots, const HuffmanSlots& acSlots,
                                 std::uint16_t restartInterval)
    : BaseHuffDecoder(stream, restartInterval),
      m_coeffsPerMcu(coeffsPerMcu),
      m_widthBlocks(widthBlocks),
      m_remainingBlockRows(heightBlocks),
      m_firstBlockOffset(firstBlockOffset),
      m_v(v),
      m_h(h),
      m_td(td),
      m_ta(ta) {
    UseTables(td, ta, dcSlots, acSlots);
}

void HuffDecoder_SNI::ResetPredictors() { m_predictor = 0; }

void HuffDecoder_SNI::DecodeMcuRow(std::int16_t* coefficients) {
    const std::uint32_t rows = std::min<std::uint32_t>(static_cast<std::uint32_t>(m_v), m_remainingBlockRows);
    m_remainingBlockRows -= rows;
    const HuffmanDecodeTable& dc = Dc(m_td);
    const HuffmanDecodeTable& ac = Ac(m_ta);
    WithBitState([&](BitReader& br) {
        for (std::uint32_t r = 0; r < rows; ++r) {
            std::int16_t* row = coefficients + m_firstBlockOffset + std::int64_t(r) * m_h * 64;
            for (std::uint32_t bx = 0; bx < m_widthBlocks; ++bx) {
                BeforeMcu(br);
                const std::int64_t mcu = bx / static_cast<std::uint32_t>(m_h), h = bx % static_cast<std::uint32_t>(m_h);
                DecodeBlock(br, row + mcu * m_coeffsPerMcu + 64 * h, m_predictor, dc, ac);
            }
        }
    });
}

}  // namespace Kestrel
