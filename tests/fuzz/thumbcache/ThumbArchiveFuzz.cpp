// A folder archive of the thumbnail cache over arbitrary bytes: the archive
// reader, the cells' records and their stored JPEGs. What reads must write
// and read back to as many cells.
#include <cstddef>
#include <cstdint>
#include <span>

#include "browser/cache/CacheArchives.h"
#include "platform/archive/ArchiveException.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CellEntries entries;
    try {
        entries = ReadCellArchive(std::span<const std::uint8_t>(data, size));
    } catch (const platform::ArchiveException&) {
        return 0;
    }
    for (auto& [path, cell] : entries) {
        if (const DibRef dib = cell->GetDib()) {
            if (dib->Width() < 1 || dib->Width() > 220 || dib->Height() < 1 || dib->Height() > 165)
                __builtin_trap();
        }
    }
    try {
        const auto written = WriteCellArchive(entries);
        if (ReadCellArchive(written).size() != entries.size())
            __builtin_trap();
    } catch (const platform::ArchiveException&) {
        __builtin_trap();  // what we write we must read
    } catch (...) {
        // The JPEG compression of a cell's decoded DIB may fail for lack of memory.
    }
    return 0;
}
