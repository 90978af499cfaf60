#include "platform/imaging/DecodeBudget.h"

#include <sys/resource.h>

#include <cstdio>
#include <cstring>
#include <limits>

namespace imaging {

bool PixelsFitFile(std::int64_t pixels, std::int64_t fileBytes, std::int64_t maxPixelsPerByte) {
    if (pixels < 0 || fileBytes < 0 || maxPixelsPerByte <= 0)
        return false;
    return fileBytes >= std::numeric_limits<std::int64_t>::max() / maxPixelsPerByte ||
           pixels <= fileBytes * maxPixelsPerByte;
}

namespace {

// MemAvailable from /proc/meminfo in bytes, or -1.
std::int64_t MemAvailable() {
    std::FILE* file = std::fopen("/proc/meminfo", "re");
    if (file == nullptr)
        return -1;
    std::int64_t bytes = -1;
    char line[256];
    while (std::fgets(line, sizeof line, file) != nullptr) {
        long long kib = 0;
        if (std::sscanf(line, "MemAvailable: %lld kB", &kib) == 1) {
            if (kib >= 0 && kib < std::numeric_limits<std::int64_t>::max() / 1024)
                bytes = static_cast<std::int64_t>(kib) * 1024;
            break;
        }
    }
    std::fclose(file);
    return bytes;
}

}  // namespace

std::int64_t AvailableMemoryBytes() {
    std::int64_t bytes = MemAvailable();
    if (bytes < 0)
        bytes = std::numeric_limits<std::int64_t>::max();
    rlimit limit{};
    if (::getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY &&
        limit.rlim_cur < static_cast<rlim_t>(bytes))
        bytes = static_cast<std::int64_t>(limit.rlim_cur);
    return bytes;
}

}  // namespace imaging
