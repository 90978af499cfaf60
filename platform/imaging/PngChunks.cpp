#include "platform/imaging/PngChunks.h"

#include <cstring>
#include <limits>
#include <new>
#include <string_view>

#include <zlib.h>

#include "platform/imaging/ByteReader.h"

namespace imaging {

namespace {

constexpr std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr char kProfileName[] = "ICC profile";
// PNG chunk lengths are below 2^31.
constexpr std::uint64_t kMaxChunkData = 0x7FFFFFFF;

void PutBe32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<std::uint8_t>(v >> shift));
}

bool AppendChunk(std::vector<std::uint8_t>& out, const char (&type)[5], std::span<const std::uint8_t> data) {
    if (data.size() > kMaxChunkData)
        return false;
    PutBe32(out, static_cast<std::uint32_t>(data.size()));
    const std::size_t typeAt = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    // The CRC covers the type and the data.
    uLong crc = crc32(0L, Z_NULL, 0);
    crc = crc32_z(crc, out.data() + typeAt, out.size() - typeAt);
    PutBe32(out, static_cast<std::uint32_t>(crc));
    return true;
}

bool IccpData(std::span<const std::uint8_t> profile, std::vector<std::uint8_t>& data) {
    if (profile.size() > std::numeric_limits<uLong>::max() / 2)
        return false;
    uLongf compressedSize = compressBound(static_cast<uLong>(profile.size()));
    std::vector<std::uint8_t> compressed(compressedSize);
    if (compress2(compressed.data(), &compressedSize, profile.data(), static_cast<uLong>(profile.size()),
                  Z_BEST_COMPRESSION) != Z_OK)
        return false;
    data.assign(kProfileName, kProfileName + sizeof kProfileName);  // the name and its NUL
    data.push_back(0);                                              // compression method: zlib
    data.insert(data.end(), compressed.begin(), compressed.begin() + static_cast<std::ptrdiff_t>(compressedSize));
    return true;
}

bool IsType(std::span<const std::uint8_t> type, std::string_view name) {
    return type.size() == 4 && std::memcmp(type.data(), name.data(), 4) == 0;
}

}  // namespace

bool ReadPngChunk(std::span<const std::uint8_t> png, std::uint64_t offset, PngChunk& chunk) {
    const ByteReader r(png, true);
    std::uint32_t length = 0;
    if (!r.U32(offset, length) || length > kMaxChunkData || !r.Has(offset + 8, std::uint64_t{length} + 4))
        return false;
    chunk.type = r.Bytes(offset + 4, 4);
    chunk.offset = offset;
    chunk.end = offset + 12 + length;
    return true;
}

bool PngChunksFitFile(std::span<const std::uint8_t> png) {
    if (png.size() < sizeof kSignature || std::memcmp(png.data(), kSignature, sizeof kSignature) != 0)
        return false;
    PngChunk chunk;
    for (std::uint64_t at = sizeof kSignature; at < png.size(); at = chunk.end) {
        if (!ReadPngChunk(png, at, chunk))
            return false;
        if (IsType(chunk.type, "IEND"))
            return true;
    }
    return true;
}

bool AddPngMetadataChunks(std::vector<std::uint8_t>& png, std::span<const std::uint8_t> iccProfile,
                          std::span<const std::uint8_t> exifTiff) {
    try {
        if (png.size() < sizeof kSignature || std::memcmp(png.data(), kSignature, sizeof kSignature) != 0)
            return false;
        std::vector<std::uint8_t> out(png.begin(), png.begin() + sizeof kSignature);
        std::uint64_t at = sizeof kSignature;
        bool first = true;
        for (;;) {
            PngChunk chunk;
            if (!ReadPngChunk(png, at, chunk))
                return false;
            const auto type = chunk.type;
            const std::uint64_t end = chunk.end;
            if (first != IsType(type, "IHDR"))
                return false;
            const bool replaced = (!iccProfile.empty() && (IsType(type, "iCCP") || IsType(type, "sRGB"))) ||
                                  (!exifTiff.empty() && IsType(type, "eXIf"));
            if (!replaced)
                out.insert(out.end(), png.begin() + static_cast<std::ptrdiff_t>(at),
                           png.begin() + static_cast<std::ptrdiff_t>(end));
            if (first) {
                std::vector<std::uint8_t> data;
                if (!iccProfile.empty() && (!IccpData(iccProfile, data) || !AppendChunk(out, "iCCP", data)))
                    return false;
                if (!exifTiff.empty() && !AppendChunk(out, "eXIf", exifTiff))
                    return false;
            }
            first = false;
            at = end;
            if (IsType(type, "IEND"))
                break;
        }
        out.insert(out.end(), png.begin() + static_cast<std::ptrdiff_t>(at), png.end());
        png = std::move(out);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

}  // namespace imaging
