#pragma once
// Huffman decoding of a baseline scan (T.81 F.2.2) into quantised DCT
// coefficients, one MCU row at a time.

#include <array>
#include <cstdint>
#include <memory>

#include "imagefiles/kestrel/FrameGeometry.h"
#include "imagefiles/kestrel/KestrelStreams.h"
#include "imagefiles/kestrel/KestrelTables.h"

namespace Kestrel {

using HuffmanSlots = std::array<std::unique_ptr<HuffmanSpec>, 4>;

// Decoding tables of one Huffman table (T.81 Annex C and Figure F.16), with
// an 8-bit lookahead for the short codes. Raises Kestrel::Error for an
// over-full table.
struct HuffmanDecodeTable {
    explicit HuffmanDecodeTable(const HuffmanSpec& definition);

    struct Lookahead {
        std::uint8_t symbol = 0;
        std::uint8_t length = 0;  // 0: longer than 8 bits, or no code
    };
    std::array<std::uint8_t, 256> symbols{};
    int symbolCount = 0;
    std::array<std::int32_t, 17> valoffset{};  // [L]: first code of length L - its index
    std::array<std::int32_t, 18> maxcode{};    // [L]: last code of length L, -1 for none
    std::array<Lookahead, 256> lookahead{};
};

// Bit reader state: the valid bits are the low "count" bits, oldest highest.
struct BitReader {
    std::uint32_t bits = 0;
    int count = 0;
};

class EnthropyDecoder {
public:
    virtual ~EnthropyDecoder() = default;
    // Decodes one MCU row into coefficients, which the caller has zeroed.
    virtual void DecodeMcuRow(std::int16_t* coefficients) = 0;
};

class BaseHuffDecoder : public EnthropyDecoder {
public:
    // Gives the whole bytes still in the bit buffer back to the stream, as
    // far as it has room for them.
    ~BaseHuffDecoder() override;
    virtual void ResetPredictors() {}

protected:
    BaseHuffDecoder(IStream& stream, std::uint16_t restartInterval);

    // Builds the decode tables of ids td and ta; raises Kestrel::Error for
    // an id outside 0..3 or an empty slot.
    void UseTables(int td, int ta, const HuffmanSlots& dcSlots, const HuffmanSlots& acSlots);

    // Runs decodeRow on a working copy of the bit state. When it raises, the
    // working copy's whole bytes are given back and the stored state is
    // cleared, so nothing is given back twice.
    template <typename Fn>
    void WithBitState(Fn&& decodeRow);

    // Handles the restart countdown before an MCU.
    void BeforeMcu(BitReader& br) {
        if (m_restartInterval == 0)
            return;
        if (m_countdown == 0)
            ProcessRestart(br);
        --m_countdown;
    }

    void DecodeBlock(BitReader& br, std::int16_t* block, std::int16_t& predictor, const HuffmanDecodeTable& dc,
                     const HuffmanDecodeTable& ac);

    const HuffmanDecodeTable& Dc(int id) const { return *m_dc[id]; }
    const HuffmanDecodeTable& Ac(int id) const { return *m_ac[id]; }

private:
    void Load(BitReader& br);
    int GetBits(BitReader& br, int n);
    int DecodeSymbol(BitReader& br, const HuffmanDecodeTable& table);
    int DecodeSlow(BitReader& br, const HuffmanDecodeTable& table, int length);
    void ProcessRestart(BitReader& br);
    // Pushes back the whole bytes of br, newest first; raises when the
    // stream has no room.
    void GiveBack(BitReader& br);
    void GiveBackQuietly(BitReader& br) noexcept;

    IStream& m_stream;
    BitReader m_bits;
    std::uint16_t m_restartInterval;
    std::uint16_t m_countdown;  // MCUs left before the next restart marker
    int m_nextRestart = 0;
    std::array<std::unique_ptr<HuffmanDecodeTable>, 4> m_dc, m_ac;
};

// All components of the frame interleaved in one scan.
class HuffDecoder_SI : public BaseHuffDecoder {
public:
    HuffDecoder_SI(IStream& stream, int coeffsPerMcu, std::uint32_t mcusPerRow, int ns, const ScanComponent* components,
                   const HuffmanSlots& dcSlots, const HuffmanSlots& acSlots, std::uint16_t restartInterval);
    void DecodeMcuRow(std::int16_t* coefficients) override;
    void ResetPredictors() override;

private:
    int m_coeffsPerMcu;
    std::uint32_t m_mcusPerRow;
    int m_ns;
    std::array<ScanComponent, 4> m_components{};
    std::array<std::int16_t, 4> m_predictors{};
};

// A scan of one component, blocks in raster order (T.81 A.2.2).
class HuffDecoder_SNI : public BaseHuffDecoder {
public:
    HuffDecoder_SNI(IStream& stream, int coeffsPerMcu, std::uint32_t widthBlocks, std::uint32_t heightBlocks,
                    int firstBlockOffset, int h, int v, int td, int ta, const HuffmanSlots& dcSlots,
                    const HuffmanSlots& acSlots, std::uint16_t restartInterval);
    void DecodeMcuRow(std::int16_t* coefficients) override;
    void ResetPredictors() override;

private:
    std::int16_t m_predictor = 0;
    int m_coeffsPerMcu;
    std::uint32_t m_widthBlocks;
    std::uint32_t m_remainingBlockRows;
    int m_firstBlockOffset;
    int m_v, m_h;
    int m_td, m_ta;
};

}  // namespace Kestrel
