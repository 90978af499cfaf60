// The INI reader over arbitrary text: no crash and no undefined behaviour;
// a value found is never longer than the text it came from.
#include "platform/ini/IniFile.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <utility>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const platform::IniFile ini = platform::IniFile::Parse(text);
    // Names taken from the input itself, and the program's own.
    const std::pair<std::string_view, std::string_view> lookups[] = {
        {text.substr(0, size / 4), text.substr(size / 4, size / 4)},
        {"BROWSER", "TEXT COLOR"},
        {"browser", "sort"},
    };
    for (const auto& [section, key] : lookups) {
        if (const auto value = ini.Value(section, key); value && value->size() > size)
            std::abort();
    }
    return 0;
}
