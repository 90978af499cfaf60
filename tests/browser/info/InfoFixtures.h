#pragma once
// Property items for the Image Info tests, values little-endian.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/imaging/PropertyItem.h"

namespace infotests {

using imaging::PropertyItem;

inline std::vector<std::uint8_t> LittleEndian(std::uint64_t v, int bytes) {
    std::vector<std::uint8_t> b(static_cast<std::size_t>(bytes));
    for (int i = 0; i < bytes; ++i)
        b[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
    return b;
}

// Values of one type: each taking `size` bytes.
inline PropertyItem Values(std::uint32_t tag, std::uint16_t type, int size, std::vector<std::uint64_t> values) {
    PropertyItem item{tag, type, static_cast<std::uint32_t>(values.size()), {}};
    for (const std::uint64_t v : values) {
        const auto bytes = LittleEndian(v, size);
        item.value.insert(item.value.end(), bytes.begin(), bytes.end());
    }
    return item;
}

inline PropertyItem Short(std::uint32_t tag, std::vector<std::uint64_t> v) {
    return Values(tag, imaging::PropertyTypeShort, 2, std::move(v));
}
inline PropertyItem Long(std::uint32_t tag, std::vector<std::uint64_t> v) {
    return Values(tag, imaging::PropertyTypeLong, 4, std::move(v));
}
// Numerator and denominator pairs.
inline PropertyItem Rational(std::uint32_t tag, std::vector<std::uint64_t> pairs) {
    PropertyItem item = Values(tag, imaging::PropertyTypeRational, 4, std::move(pairs));
    item.count /= 2;
    return item;
}
inline PropertyItem SRational(std::uint32_t tag, std::vector<std::uint64_t> pairs) {
    PropertyItem item = Rational(tag, std::move(pairs));
    item.type = imaging::PropertyTypeSRational;
    return item;
}
inline PropertyItem Bytes(std::uint32_t tag, std::uint16_t type, const std::string& bytes) {
    return {tag, type, static_cast<std::uint32_t>(bytes.size()), std::vector<std::uint8_t>(bytes.begin(), bytes.end())};
}
inline PropertyItem Undefined(std::uint32_t tag, const std::string& bytes) {
    return Bytes(tag, imaging::PropertyTypeUndefined, bytes);
}
// An ASCII value with its terminating NUL, as files store it.
inline PropertyItem Ascii(std::uint32_t tag, const std::string& text) {
    return Bytes(tag, imaging::PropertyTypeASCII, text + std::string(1, '\0'));
}

}  // namespace infotests
