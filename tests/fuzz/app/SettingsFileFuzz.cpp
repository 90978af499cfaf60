// The settings file reader over any bytes: it accepts only usable values, and
// what it accepts writes back to the same bytes.
#include "app/presets/SettingsFile.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    presets::DecodeError error = presets::DecodeError::None;
    const auto values = presets::DecodeSettingsFile(bytes, &error);
    if (values.has_value() != (error == presets::DecodeError::None))
        std::abort();
    if (values && (!presets::IsUsable(*values) || presets::EncodeSettingsFile(*values) != bytes))
        std::abort();
    return 0;
}
