#include "platform/ini/IniFile.h"
#include "platform/files/LocalFileName.h"

#include <algorithm>
#include <cstdlib>
#include <limits>

#include "platform/files/RegularFile.h"

namespace platform {

namespace {

constexpr std::string_view kBlanks = " \t\v\f";

std::string_view Trim(std::string_view text) {
    const auto first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos)
        return {};
    const auto last = text.find_last_not_of(kBlanks);
    return text.substr(first, last - first + 1);
}

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (AsciiLower(a[i]) != AsciiLower(b[i]))
            return false;
    }
    return true;
}

std::string_view Unquote(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
        return value.substr(1, value.size() - 2);
    }
    return value;
}

// Splits `text` at the next line end (\n, \r\n or \r).
std::string_view NextLine(std::string_view& text) {
    const auto end = text.find_first_of("\r\n");
    std::string_view line = text.substr(0, end);
    if (end == std::string_view::npos) {
        text = {};
    } else {
        const bool crlf = text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n';
        text.remove_prefix(end + (crlf ? 2 : 1));
    }
    return line;
}

}  // namespace

IniFile IniFile::Parse(std::string_view text) {
    constexpr std::string_view kBom = "\xEF\xBB\xBF";
    if (text.substr(0, kBom.size()) == kBom)
        text.remove_prefix(kBom.size());

    IniFile ini;
    Section* current = nullptr;  // keys before the first section belong to none
    while (!text.empty()) {
        const std::string_view line = Trim(NextLine(text));
        if (line.empty() || line.front() == ';')
            continue;
        if (line.front() == '[') {
            const auto close = line.find(']');
            const std::string_view name = Trim(line.substr(1, close == std::string_view::npos ? line.npos : close - 1));
            ini.sections_.push_back(Section{std::string(name), {}});
            current = &ini.sections_.back();
            continue;
        }
        const auto equals = line.find('=');
        if (equals == std::string_view::npos || current == nullptr)
            continue;
        current->entries.push_back(
            Entry{std::string(Trim(line.substr(0, equals))), std::string(Unquote(Trim(line.substr(equals + 1))))});
    }
    return ini;
}

std::optional<IniFile> IniFile::Load(const std::filesystem::path& file) {
    // A named pipe or a device there is left alone, as if no file were there.
    if (RefuseSpecialFile(platform::FileNameFromLocal(file.c_str()), "ini file"))
        return std::nullopt;
    const auto bytes = ReadRegularFile(file.string(), kMaxFileBytes);
    if (!bytes)
        return std::nullopt;
    return Parse(std::string(bytes->begin(), bytes->end()));
}

std::optional<std::string> IniFile::Value(std::string_view section, std::string_view key) const {
    for (const Section& s : sections_) {
        if (!SameName(s.name, section))
            continue;
        for (const Entry& e : s.entries) {
            if (SameName(e.key, key))
                return e.value;
        }
        return std::nullopt;  // only the first section of a name is searched
    }
    return std::nullopt;
}

std::string ReadProfileString(const std::filesystem::path& file, std::string_view section, std::string_view key,
                              std::string_view defaultValue) {
    if (const auto ini = IniFile::Load(file)) {
        if (auto value = ini->Value(section, key))
            return *std::move(value);
    }
    return std::string(defaultValue);
}

int ReadProfileInt(const std::filesystem::path& file, std::string_view section, std::string_view key,
                   int defaultValue) {
    const auto ini = IniFile::Load(file);
    if (!ini)
        return defaultValue;
    const auto value = ini->Value(section, key);
    if (!value)
        return defaultValue;

    std::string_view digits = *value;
    const bool negative = !digits.empty() && digits.front() == '-';
    if (!digits.empty() && (digits.front() == '-' || digits.front() == '+'))
        digits.remove_prefix(1);
    constexpr long long kLimit = static_cast<long long>(std::numeric_limits<int>::max()) + 1;
    long long magnitude = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9')
            break;
        magnitude = std::min(kLimit, magnitude * 10 + (c - '0'));
    }
    const long long signedValue = negative ? -magnitude : magnitude;
    return static_cast<int>(
        std::clamp<long long>(signedValue, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

std::filesystem::path WinIniPath() {
    std::filesystem::path config;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg != nullptr && xdg[0] == '/') {
        config = xdg;
    } else if (const char* home = std::getenv("HOME"); home != nullptr && home[0] != '\0') {
        config = std::filesystem::path(home) / ".config";
    } else {
        return {};
    }
    return config / "ORVEK" / "win.ini";
}

int GetWinIniInt(std::string_view section, std::string_view key, int defaultValue) {
    const std::filesystem::path path = WinIniPath();
    if (path.empty())
        return defaultValue;
    return ReadProfileInt(path, section, key, defaultValue);
}

}  // namespace platform
