// The codec's byte streams: refills, pushing back, the end of the data, and
// the output buffer's flushing.

#include <gtest/gtest.h>

#include <numeric>
#include <vector>

#include "imagefiles/kestrel/KestrelStreams.h"
#include "imagefiles/kestrel/MemStreams.h"

namespace {

std::vector<std::uint8_t> Counting(std::size_t n) {
    std::vector<std::uint8_t> v(n);
    for (std::size_t i = 0; i < n; ++i)
        v[i] = static_cast<std::uint8_t>(i * 7 + 3);
    return v;
}

// Records what reaches Write and Flush.
class RecordingOStream : public Kestrel::OStream {
public:
    void Write(const std::uint8_t* data, std::size_t count) override {
        writes.push_back(count);
        bytes.insert(bytes.end(), data, data + count);
    }
    void Flush() override { ++flushes; }
    std::vector<std::size_t> writes;
    std::vector<std::uint8_t> bytes;
    int flushes = 0;
};

// An input stream that counts its refills.
class CountingIStream : public ISSStreamMem {
public:
    using ISSStreamMem::ISSStreamMem;
    std::ptrdiff_t Read(std::uint8_t* destination, std::size_t count) override {
        ++reads;
        return ISSStreamMem::Read(destination, count);
    }
    int reads = 0;
};

TEST(KestrelStream, EmptyBlockRaisesOnFirstRead) {
    ISSStreamMem stream(nullptr, 0);
    EXPECT_THROW(stream.ReadByte(), Kestrel::Error);
}

TEST(KestrelStream, ThreeByteBlockReadsThreeThenRaises) {
    const std::uint8_t data[] = {0x10, 0x20, 0x30};
    ISSStreamMem stream(data, sizeof data);
    EXPECT_EQ(stream.ReadByte(), 0x10);
    EXPECT_EQ(stream.ReadByte(), 0x20);
    EXPECT_EQ(stream.ReadByte(), 0x30);
    EXPECT_THROW(stream.ReadByte(), Kestrel::Error);
}

TEST(KestrelStream, ReadsAcrossRefillsInOrderAndUngetsAfterARefill) {
    const std::vector<std::uint8_t> data = Counting(2000);
    CountingIStream stream(data.data(), data.size());
    // The first refill fills the whole buffer, later ones the buffer behind
    // the 4-byte reserve.
    const std::size_t firstFill = Kestrel::IStream::kBufferSize;
    for (std::size_t i = 0; i < firstFill; ++i)
        ASSERT_EQ(stream.ReadByte(), data[i]) << i;
    EXPECT_EQ(stream.reads, 1);
    EXPECT_EQ(stream.ReadByte(), data[firstFill]);  // the second refill
    EXPECT_EQ(stream.reads, 2);
    // Right after the refill the reserve takes the pushed-back bytes, which
    // need not be the ones read.
    stream.Unget(0xAB);
    stream.Unget(0xCD);
    EXPECT_EQ(stream.ReadByte(), 0xCD);
    EXPECT_EQ(stream.ReadByte(), 0xAB);
    for (std::size_t i = firstFill + 1; i < data.size(); ++i)
        ASSERT_EQ(stream.ReadByte(), data[i]) << i;
    EXPECT_THROW(stream.ReadByte(), Kestrel::Error);
}

TEST(KestrelStream, FourBytesCanBePushedBackAfterARefillButNotFive) {
    const std::vector<std::uint8_t> data = Counting(1100);
    ISSStreamMem stream(data.data(), data.size());
    for (std::size_t i = 0; i <= Kestrel::IStream::kBufferSize; ++i)
        stream.ReadByte();
    // One byte read from the refilled buffer, plus the four-byte reserve.
    for (int i = 0; i < 5; ++i)
        stream.Unget(static_cast<std::uint8_t>(i));
    EXPECT_THROW(stream.Unget(9), Kestrel::Error);
}

TEST(KestrelStream, UngetOnAFreshStreamRaises) {
    const std::uint8_t data[] = {1, 2, 3};
    ISSStreamMem stream(data, sizeof data);
    EXPECT_THROW(stream.Unget(0xFF), Kestrel::Error);
}

TEST(KestrelStream, ReadU16IsBigEndianAndSkipRaisesAtTheEnd) {
    const std::uint8_t data[] = {0x12, 0x34, 0xAA, 0xBB, 0xCC};
    ISSStreamMem stream(data, sizeof data);
    EXPECT_EQ(stream.ReadU16(), 0x1234);
    stream.Skip(2);
    EXPECT_EQ(stream.ReadByte(), 0xCC);
    EXPECT_THROW(stream.Skip(1), Kestrel::Error);
}

TEST(KestrelStream, PutByteFlushesWholeBuffersThenTheRest) {
    RecordingOStream out;
    const std::vector<std::uint8_t> data = Counting(2500);
    for (std::uint8_t b : data)
        out.PutByte(b);
    EXPECT_EQ(out.flushes, 0);
    out.FlushAll();
    EXPECT_EQ(out.writes, (std::vector<std::size_t>{1024, 1024, 452}));
    EXPECT_EQ(out.flushes, 1);
    EXPECT_EQ(out.bytes, data);
}

TEST(KestrelStream, WriteBlockFillsTheBufferInPieces) {
    RecordingOStream out;
    const std::vector<std::uint8_t> data = Counting(3000);
    out.PutByte(0x55);
    out.WriteBlock(data.data(), data.size());
    out.FlushAll();
    EXPECT_EQ(out.writes, (std::vector<std::size_t>{1024, 1024, 953}));
    ASSERT_EQ(out.bytes.size(), 3001u);
    EXPECT_EQ(out.bytes[0], 0x55);
    EXPECT_TRUE(std::equal(data.begin(), data.end(), out.bytes.begin() + 1));
}

TEST(KestrelStream, OssStreamCountsWhatReachesTheMemoryFile) {
    platform::CMemFile file;
    const std::vector<std::uint8_t> data = Counting(2500);
    {
        OSSStream out(file);
        for (std::uint8_t b : data)
            out.PutByte(b);
        out.FlushAll();
        EXPECT_EQ(out.Total(), 2500u);
    }
    EXPECT_EQ(file.Data(), data);
}

}  // namespace
