// The batch file reader over arbitrary bytes. What it reads must write and
// read back to the same records, bit for bit.
#include <cstddef>
#include <cstdint>
#include <span>

#include "batch/basket/BatchFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto records = DecodeBatchFile(std::span<const std::uint8_t>(data, size));
    if (!records)
        return 0;
    // Each record took at least its minimum bytes.
    if (records->size() > (size - kBatchFileHeaderBytes) / kMinBatchRecordBytes)
        __builtin_trap();
    const auto written = EncodeBatchFile(*records);
    const auto again = DecodeBatchFile(written);
    if (!again || again->size() != records->size() || EncodeBatchFile(*again) != written)
        __builtin_trap();
    return 0;
}
