#pragma once
// A reader of private-profile (INI) files, standing in for the system's
// profile-string calls.
//
// Lines are "[section]" or "key=value"; lines starting with ';' and lines
// without '=' are ignored. Section and key names compare without regard to
// ASCII letter case, and names and values are trimmed of blanks; a value in
// matching double or single quotes loses them. The first section of a name
// and its first key of a name are the ones found. Text is taken as UTF-8
// (a byte-order mark is skipped). The reader never writes.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

class IniFile {
public:
    // Files larger than this are not read: a profile is a few lines.
    static constexpr std::uintmax_t kMaxFileBytes = 1 << 20;

    static IniFile Parse(std::string_view text);
    // Nothing when the file is missing, unreadable, too large or no regular
    // file (a named pipe or a device, never opened).
    static std::optional<IniFile> Load(const std::filesystem::path& file);

    std::optional<std::string> Value(std::string_view section, std::string_view key) const;

private:
    struct Entry {
        std::string key;
        std::string value;
    };
    struct Section {
        std::string name;
        std::vector<Entry> entries;
    };
    std::vector<Section> sections_;
};

// The text of `key` in `section` of `file`, or `defaultValue` when the file,
// the section or the key is missing.
std::string ReadProfileString(const std::filesystem::path& file, std::string_view section, std::string_view key,
                              std::string_view defaultValue);

// The number of `key` as the system's profile calls read it: an optional sign
// and the leading decimal digits (saturated to the int range); no digits give
// 0; a missing key gives `defaultValue`.
int ReadProfileInt(const std::filesystem::path& file, std::string_view section, std::string_view key, int defaultValue);

// The per-user stand-in of the Windows profile: $XDG_CONFIG_HOME/ORVEK/win.ini
// ($HOME/.config when XDG_CONFIG_HOME is unset). Read only.
std::filesystem::path WinIniPath();

// ReadProfileInt over WinIniPath().
int GetWinIniInt(std::string_view section, std::string_view key, int defaultValue);

}  // namespace platform
