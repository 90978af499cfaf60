#pragma once
// Huffman coding of quantised DCT blocks into a baseline scan (T.81 F.1.2),
// with byte stuffing and the final 1-bit padding.

#include <array>
#include <cstdint>
#include <memory>

#include "imagefiles/kestrel/FrameGeometry.h"
#include "imagefiles/kestrel/KestrelStreams.h"
#include "imagefiles/kestrel/KestrelTables.h"

namespace Kestrel {

// The code and length of each symbol value; length 0: the symbol has none.
struct HuffmanCodeTable {
    explicit HuffmanCodeTable(const HuffmanSpec& definition);
    HuffmanSpec definition;
    std::array<std::uint16_t, 256> code{};
    std::array<std::uint8_t, 256> length{};
};

// A table list indexed by table id.
using HuffmanSpecList = std::array<const HuffmanSpec*, 2>;

// Writes bits to the stream a byte at a time, stuffing a 00 after every FF.
// The accumulator has room for a whole code with its value bits (up to 31)
// on top of the fewer than 8 bits left over from the last write.
class BitWriter {
public:
    explicit BitWriter(OStream& stream) : m_stream(stream) {}
    // Appends the low n bits of bits, n <= 32.
    void Put(std::uint32_t bits, int n) {
        if (m_count + n > 64)
            WriteWholeBytes();
        m_accumulator = (m_accumulator << n) | bits;
        m_count += n;
    }
    void WriteWholeBytes() {
        while (m_count > 7) {
            m_count -= 8;
            const std::uint8_t byte = static_cast<std::uint8_t>(m_accumulator >> m_count);
            m_stream.PutByte(byte);
            if (byte == 0xFF)
                m_stream.PutByte(0x00);
        }
    }
    // Completes the last partial byte with 1-bits (T.81 F.1.2.3).
    void PadToByte() {
        Put(0x7F, 7);
        WriteWholeBytes();
        m_count = 0;
    }

private:
    OStream& m_stream;
    std::uint64_t m_accumulator = 0;
    int m_count = 0;
};

class EnthropyEncoder {
public:
    virtual ~EnthropyEncoder() = default;
    // Builds the code tables for the ids the scan uses; a second call raises
    // Kestrel::Error.
    virtual void SetTables(const HuffmanSpecList& dc, const HuffmanSpecList& ac) = 0;
    // Writes a DHT segment for each table of the class that the scan uses, in
    // id order, skipping a table identical to the one last written for it.
    virtual void WriteTables(int tableClass, const HuffmanSpecList& list) = 0;
    virtual void WriteScanHeader() = 0;
    // Codes one MCU row of quantised coefficients (natural order).
    virtual void EncodeMcuRow(const std::int16_t* coefficients) = 0;
    // Pads the last byte with 1-bits and writes out everything.
    virtual void Finish() = 0;
};

class BaseHuffEncoder : public EnthropyEncoder {
public:
    // The restart step: pads the bit buffer, writes RSTn and restarts the
    // countdown. Never reached while the restart interval is 0.
    virtual void EmitRestart();
    virtual void ResetPredictors() {}

protected:
    BaseHuffEncoder(OStream& stream, std::uint16_t restartInterval);

    // The shared parts of the overrides, for the scan's components.
    void BuildTables(const HuffmanSpecList& dc, const HuffmanSpecList& ac, const ScanComponent* components, int ns);
    void WriteTablesFor(int tableClass, const HuffmanSpecList& list, const ScanComponent* components, int ns);
    void WriteScanHeaderFor(const ScanComponent* components, const int* ids, int ns);
    void BeforeMcu() {
        if (m_restartInterval == 0)
            return;
        if (m_countdown == 0)
            EmitRestart();
        --m_countdown;
    }
    void EncodeBlock(const std::int16_t* block, std::int16_t& predictor, const HuffmanCodeTable& dc,
                     const HuffmanCodeTable& ac);
    void RequireTables() const;
    void FinishBits();
    const HuffmanCodeTable& Dc(int id) const { return *m_dc[id]; }
    const HuffmanCodeTable& Ac(int id) const { return *m_ac[id]; }

    OStream& m_stream;

private:
    void Emit(const HuffmanCodeTable& table, int symbol);
    // The symbol's code followed by the low "bits" bits of value (of
    // value - 1 when it is negative).
    void EmitWithValue(const HuffmanCodeTable& table, int symbol, int value, int bits);

    std::uint16_t m_restartInterval;
    std::uint16_t m_countdown;
    int m_nextRestart = 0;
    BitWriter m_bits;
    bool m_tablesSet = false;
    std::array<std::unique_ptr<HuffmanCodeTable>, 4> m_dc, m_ac;
    std::array<std::array<std::unique_ptr<HuffmanSpec>, 4>, 2> m_written;  // [class][id]
};

// All components interleaved in one scan, in frame order.
class HuffEncoder_SI : public BaseHuffEncoder {
public:
    // ids: the component ids, in the order of components.
    HuffEncoder_SI(OStream& stream, int coeffsPerMcu, std::uint32_t mcusPerRow, int ns, const ScanComponent* components,
                   const int* ids, std::uint16_t restartInterval);
    void SetTables(const HuffmanSpecList& dc, const HuffmanSpecList& ac) override;
    void WriteTables(int tableClass, const HuffmanSpecList& list) override;
    void WriteScanHeader() override;
    void EncodeMcuRow(const std::int16_t* coefficients) override;
    void Finish() override;
    void ResetPredictors() override;

private:
    int m_coeffsPerMcu;
    std::uint32_t m_mcusPerRow;
    int m_ns;
    std::array<ScanComponent, 4> m_components{};
    std::array<int, 4> m_ids{};
    std::array<std::int16_t, 4> m_predictors{};
};

// A scan of one component, blocks in raster order.
class HuffEncoder_SNI : public BaseHuffEncoder {
public:
    HuffEncoder_SNI(OStream& stream, int coeffsPerMcu, std::uint32_t widthBlocks, std::uint32_t heightBlocks,
                    int firstBlockOffset, int h, int v, int id, int td, int ta, std::uint16_t restartInterval);
    void SetTables(const HuffmanSpecList& dc, const HuffmanSpecList& ac) override;
    void WriteTables(int tableClass, const HuffmanSpecList& list) override;
    void WriteScanHeader() override;
    void EncodeMcuRow(const std::int16_t* coefficients) override;
    void Finish() override;
    void ResetPredictors() override;

private:
    ScanComponent Component() const { return {m_firstBlockOffset, m_h * m_v, 0, m_td, m_ta}; }

    std::int16_t m_predictor = 0;
    int m_coeffsPerMcu;
    std::uint32_t m_widthBlocks;
    std::uint32_t m_remainingBlockRows;
    int m_firstBlockOffset;
    int m_h, m_v;
    int m_id, m_td, m_ta;
};

}  // namespace Kestrel
