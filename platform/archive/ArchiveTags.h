#pragma once
// The framework's archive tags and markers, shared by the reader and the writer.

#include <cstdint>

namespace platform::archivetags {

inline constexpr std::uint16_t kNullTag = 0;
inline constexpr std::uint16_t kNewClassTag = 0xFFFF;
inline constexpr std::uint16_t kClassTag = 0x8000;
inline constexpr std::uint16_t kBigObjectTag = 0x7FFF;
inline constexpr std::uint32_t kBigClassTag = 0x80000000;
inline constexpr std::uint32_t kTime64Marker = 0x8000000A;
// The framework's limit of classes and objects in one archive.
inline constexpr std::uint64_t kMaxMapCount = 0x3FFFFFFE;
inline constexpr std::uint16_t kMaxClassNameLength = 63;

}  // namespace platform::archivetags
