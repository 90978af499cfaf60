// The thumbnail cache's index over arbitrary bytes: every entry it accepts
// names an archive FLD<n>.tmp directly inside the cache folder, and it writes
// and reads back to the same entries.
#include <cstddef>
#include <cstdint>
#include <span>

#include "ThumbCacheFuzzSeeds.h"
#include "browser/cache/CacheArchives.h"
#include "platform/archive/ArchiveException.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString folder = QString::fromLatin1(kFuzzCacheFolder);
    ArchiveNumbers index;
    try {
        index = ReadCacheIndex(std::span<const std::uint8_t>(data, size), folder);
    } catch (const platform::ArchiveException&) {
        return 0;
    }
    for (const auto& [key, number] : index) {
        const QString archive = ArchiveFilePath(folder, number);
        if (ArchiveNumberOf(archive, folder) != number || !key.endsWith(u'/') || !key.startsWith(u'/'))
            __builtin_trap();
    }
    try {
        if (ReadCacheIndex(WriteCacheIndex(index, folder), folder) != index)
            __builtin_trap();
    } catch (const platform::ArchiveException&) {
        __builtin_trap();
    }
    return 0;
}
