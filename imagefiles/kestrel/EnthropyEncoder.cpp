#include "imagefiles/kestrel/EnthropyEncoder.h"

#include <algorithm>
#include <bit>

#include "imagefiles/kestrel/KestrelError.h"

namespace Kestrel {

HuffmanCodeTable::HuffmanCodeTable(const HuffmanSpec& source) : definition(source) {
    const std::array<CanonicalCode, 256> codes = AssignCanonicalCodes(definition);
    for (int i = 0; i < definition.symbolCount; ++i) {
        code[definition.symbols[i]] = codes[i].code;
        length[definition.symbols[i]] = codes[i].length;
    }
}

namespace {

// Number of significant bits of |v|, 0 for 0.
inline int MagnitudeBits(int v) { return std::bit_width(static_cast<unsigned>(v < 0 ? -v : v)); }

// The low n bits of v, or of v - 1 when v is negative (T.81 F.1.2.1).
inline std::uint32_t ValueBits(int v, int n) { return static_cast<std::uint32_t>(v < 0 ? v - 1 : v) & ((1u << n) - 1); }

}  // namespace

BaseHuffEncoder::BaseHuffEncoder(OStream& stream, std::uint16_t restartInterval)
    : m_stream(stream), m_restartInterval(restartInterval), m_countdown(restartInterval), m_bits(stream) {}

void BaseHuffEncoder::EmitRestart() {
    m_bits.PadToByte();
    m_stream.PutByte(0xFF);
    m_stream.PutByte(static_cast<std::uint8_t>(0xD0 + m_nextRestart));
    m_countdown = m_restartInterval;
    m_nextRestart = (m_nextRestart + 1) & 7;
    ResetPredictors();
}

void BaseHuffEncoder::BuildTables(const HuffmanSpecList& dc, const HuffmanSpecList& ac, const ScanComponent* components,
                                  int ns) {
    if (m_tablesSet)
        ThrowError();
    for (int i = 0; i < ns; ++i) {
        const int td = components[i].td, ta = components[i].ta;
        if (td < 0 || td > 1 || ta < 0 || ta > 1 || !dc[td] || !ac[ta])
            ThrowError();
        if (!m_dc[td])
            m_dc[td] = std::make_unique<HuffmanCodeTable>(*dc[td]);
        if (!m_ac[ta])
            m_ac[ta] = std::make_unique<HuffmanCodeTable>(*ac[ta]);
    }
    ResetPredictors();
    m_countdown = m_restartInterval;
    m_nextRestart = 0;
    m_tablesSet = true;
}

void BaseHuffEncoder::WriteTablesFor(int tableClass, const HuffmanSpecList& list, const ScanComponent* components,
                                     int ns) {
    for (int id = 0; id < 2; ++id) {
        const bool used = std::any_of(components, components + ns,
                                      [&](const ScanComponent& c) { return (tableClass == 0 ? c.td : c.ta) == id; });
        if (!used || !list[id])
            continue;
        const HuffmanSpec& definition = *list[id];
        std::unique_ptr<HuffmanSpec>& last = m_written[tableClass][id];
        if (last && last->SameCodes(definition))
            continue;
        const int length = 2 + definition.Size();
        m_stream.PutByte(0xFF);
        m_stream.PutByte(0xC4);
        m_stream.PutByte(static_cast<std::uint8_t>(length >> 8));
        m_stream.PutByte(static_cast<std::uint8_t>(length));
        m_stream.PutByte(static_cast<std::uint8_t>(tableClass * 16 + id));
        m_stream.WriteBlock(definition.counts.data() + 1, 16);
        m_stream.WriteBlock(definition.symbols.data(), static_cast<std::size_t>(definition.symbolCount));
        last = std::make_unique<HuffmanSpec>(definition);
    }
}

void BaseHuffEncoder::WriteScanHeaderFor(const ScanComponent* components, const int* ids, int ns) {
    const int length = 6 + 2 * ns;
    const std::uint8_t head[] = {0xFF, 0xDA, static_cast<std::uint8_t>(length >> 8), static_cast<std::uint8_t>(length),
                                 static_cast<std::uint8_t>(ns)};
    m_stream.WriteBlock(head, sizeof head);
    for (int i = 0; i < ns; ++i) {
        m_stream.PutByte(static_cast<std::uint8_t>(ids[i]));
        m_stream.PutByte(static_cast<std::uint8_t>(components[i].td * 16 + components[i].ta));
    }
    const std::uint8_t tail[] = {0x00, 0x3F, 0x00};  // Ss, Se, Ah/Al
    m_stream.WriteBlock(tail, sizeof tail);
}

void BaseHuffEncoder::RequireTables() const {
    if (!m_tablesSet)
        ThrowError();
}

void BaseHuffEncoder::Emit(const HuffmanCodeTable& table, int symbol) {
    const int n = table.length[symbol];
    if (n == 0)
        ThrowError();
    m_bits.Put(table.code[symbol], n);
}

void BaseHuffEncoder::EmitWithValue(const HuffmanCodeTable& table, int symbol, int value, int bits) {
    const int n = table.length[symbol];
    if (n == 0)
        ThrowError();
    // At most 16 code bits and 15 value bits: one put of up to 31 bits.
    m_bits.Put((std::uint32_t(table.code[symbol]) << bits) | ValueBits(value, bits), n + bits);
}

void BaseHuffEncoder::EncodeBlock(const std::int16_t* block, std::int16_t& predictor, const HuffmanCodeTable& dc,
                                  const HuffmanCodeTable& ac) {
    const int diff = static_cast<std::int16_t>(block[0] - predictor);
    predictor = block[0];
    const int s = MagnitudeBits(diff);
    if (s > 15)
        ThrowError();
    EmitWithValue(dc, s, diff, s);
    // The non-zero AC coefficients in zigzag order, as a bit mask, so that
    // the runs of zeros are counted without a branch per coefficient.
    std::int16_t zigzag[64];
    std::uint64_t nonZero = 0;
    for (int k = 1; k < 64; ++k) {
        zigzag[k] = block[kZigzag[k]];
        nonZero |= std::uint64_t(zigzag[k] != 0) << k;
    }
    int last = 0;  // zigzag position of the last coded coefficient
    while (nonZero != 0) {
        const int k = std::countr_zero(nonZero);
        nonZero &= nonZero - 1;
        int run = k - last - 1;
        for (; run >= 16; run -= 16)
            Emit(ac, 0xF0);
        const int v = zigzag[k];
        const int bits = MagnitudeBits(v);
        if (bits > 15)
            ThrowError();
        EmitWithValue(ac, run * 16 + bits, v, bits);
        last = k;
    }
    if (last < 63)
        Emit(ac, 0x00);
}

void BaseHuffEncoder::FinishBits() {
    if (m_tablesSet)
        m_bits.PadToByte();
}

HuffEncoder_SI::HuffEncoder_SI(OStream& stream, int coeffsPerMcu, std::uint32_t mcusPerRow, int ns,
                               const ScanComponent* components, const int* ids, std::uint16_t restartInterval)
    : BaseHuffEncoder(stream, restartInterval), m_coeffsPerMcu(coeffsPerMcu), m_mcusPerRow(mcusPerRow), m_ns(ns) {
    if (ns < 1 || ns > 4)
        ThrowError();
    std::copy(components, components + ns, m_components.begin());
    std::copy(ids, ids + ns, m_ids.begin());
}

void HuffEncoder_SI::SetTables(const HuffmanSpecList& dc, const HuffmanSpecList& ac) {
    BuildTables(dc, ac, m_components.data(), m_ns);
}

void HuffEncoder_SI::WriteTables(int tableClass, const HuffmanSpecList& list) {
    WriteTablesFor(tableClass, list, m_components.data(), m_ns);
}

void HuffEncoder_SI::WriteScanHeader() { WriteScanHeaderFor(m_components.data(), m_ids.data(), m_ns); }

void HuffEncoder_SI::ResetPredictors() { m_predictors.fill(0); }

void HuffEncoder_SI::EncodeMcuRow(const std::int16_t* coefficients) {
    RequireTables();
    const std::int16_t* mcu = coefficients;
    for (std::uint32_t m = 0; m < m_mcusPerRow; ++m, mcu += m_coeffsPerMcu) {
        BeforeMcu();
        for (int i = 0; i < m_ns; ++i) {
            const ScanComponent& c = m_components[i];
            for (int b = 0; b < c.blocks; ++b)
                EncodeBlock(mcu + c.offset + 64 * b, m_predictors[i], Dc(c.td), Ac(c.ta));
        }
    }
}

void HuffEncoder_SI::Finish() { FinishBits(); }

HuffEncoder_SNI::HuffEncoder_SNI(OStream& stream, int coeffsPerMcu, std::uint32_t widthBlocks,
                                 std::uint32_t heightBlocks, int firstBlockOffset, int h, int v, int id, int td, int ta,
                                 std::uint16_t restartInterval)
    : BaseHuffEncoder(stream, restartInterval),
      m_coeffsPerMcu(coeffsPerMcu),
      m_widthBlocks(widthBlocks),
      m_remainingBlockRows(heightBlocks),
      m_firstBlockOffset(firstBlockOffset),
      m_h(h),
      m_v(v),
      m_id(id),
      m_td(td),
      m_ta(ta) {}

void HuffEncoder_SNI::SetTables(const HuffmanSpecList& dc, const HuffmanSpecList& ac) {
    const ScanComponent c = Component();
    BuildTables(dc, ac, &c, 1);
}

void HuffEncoder_SNI::WriteTables(int tableClass, const HuffmanSpecList& list) {
    const ScanComponent c = Component();
    WriteTablesFor(tableClass, list, &c, 1);
}

void HuffEncoder_SNI::WriteScanHeader() {
    const ScanComponent c = Component();
    WriteScanHeaderFor(&c, &m_id, 1);
}

void HuffEncoder_SNI::ResetPredictors() { m_predictor = 0; }

void HuffEncoder_SNI::EncodeMcuRow(const std::int16_t* coefficients) {
    RequireTables();
    const std::uint32_t rows = std::min<std::uint32_t>(static_cast<std::uint32_t>(m_v), m_remainingBlockRows);
    m_remainingBlockRows -= rows;
    const HuffmanCodeTable& dc = Dc(m_td);
    const HuffmanCodeTable& ac = Ac(m_ta);
    for (std::uint32_t r = 0; r < rows; ++r) {
        const std::int16_t* row = coefficients + m_firstBlockOffset + std::int64_t(r) * m_h * 64;
        for (std::uint32_t bx = 0; bx < m_widthBlocks; ++bx) {
            BeforeMcu();
            const std::int64_t mcu = bx / static_cast<std::uint32_t>(m_h), h = bx % static_cast<std::uint32_t>(m_h);
            EncodeBlock(row + mcu * m_coeffsPerMcu + 64 * h, m_predictor, dc, ac);
        }
    }
}

void HuffEncoder_SNI::Finish() { FinishBits(); }

}  // namespace Kestrel
