#include "platform/imaging/IccProfile.h"

#include <cstring>

#include "platform/imaging/ByteReader.h"

namespace imaging {

namespace {

constexpr std::uint64_t kHeaderBytes = 128;
constexpr std::uint64_t kTagEntryBytes = 12;

constexpr std::uint32_t Signature(const char (&text)[5]) {
    return std::uint32_t{static_cast<std::uint8_t>(text[0])} << 24 |
           std::uint32_t{static_cast<std::uint8_t>(text[1])} << 16 |
           std::uint32_t{static_cast<std::uint8_t>(text[2])} << 8 | std::uint32_t{static_cast<std::uint8_t>(text[3])};
}

// The connection space's white, D50, as an ICC header states it.
constexpr std::uint8_t kD50[12] = {0x00, 0x00, 0xF6, 0xD6, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0xD3, 0x2D};

bool IsImageClass(std::uint32_t deviceClass) {
    return deviceClass == Signature("scnr") || deviceClass == Signature("mntr") || deviceClass == Signature("prtr") ||
           deviceClass == Signature("spac");
}

std::string TagTableMisfit(const ByteReader& r, std::uint64_t size, IccOutput output) {
    std::uint32_t tags = 0;
    r.U32(kHeaderBytes, tags);
    if (kHeaderBytes + 4 + kTagEntryBytes * tags > size)
        return "its tag table is longer than the profile";
    for (std::uint32_t i = 0; i < tags; ++i) {
        std::uint32_t start = 0, length = 0;
        r.U32(kHeaderBytes + 4 + kTagEntryBytes * i + 4, start);
        r.U32(kHeaderBytes + 4 + kTagEntryBytes * i + 8, length);
        if (start > size || length > size - start)
            return "a tag lies outside the profile";
        if (output == IccOutput::Png && start % 4 != 0)
            return "a tag does not start on a 4-byte boundary";
    }
    return {};
}

}  // namespace

std::string IccProfileMisfit(std::span<const std::uint8_t> profile, IccOutput output) {
    const ByteReader r(profile, true);
    const std::uint64_t size = profile.size();
    if (size < kHeaderBytes + 4)
        return "it is shorter than a profile's header";
    std::uint32_t stated = 0, deviceClass = 0, space = 0, connection = 0, signature = 0, intent = 0;
    r.U32(0, stated);
    r.U32(12, deviceClass);
    r.U32(16, space);
    r.U32(20, connection);
    r.U32(36, signature);
    r.U32(64, intent);
    if (stated != size)
        return "its header states " + std::to_string(stated) + " bytes, it holds " + std::to_string(size);
    if (signature != Signature("acsp"))
        return "it has no profile signature";
    if (space != Signature("RGB "))
        return "its colour space is not RGB";
    if (!IsImageClass(deviceClass))
        return "its class describes no image";
    if (connection != Signature("XYZ ") && connection != Signature("Lab "))
        return "its connection space is neither XYZ nor Lab";
    if (output == IccOutput::Png) {
        if (intent >= 4)
            return "its rendering intent is undefined";
        if (std::memcmp(profile.data() + 68, kD50, sizeof kD50) != 0)
            return "its connection space's illuminant is not D50";
        if (profile[8] >= 4 && size % 4 != 0)
            return "its length is not a multiple of 4";
    }
    return TagTableMisfit(r, size, output);
}

}  // namespace imaging
