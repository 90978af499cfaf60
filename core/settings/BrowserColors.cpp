#include "core/settings/AppSettings.h"
#include "platform/files/LocalFileName.h"

#include "platform/ini/IniFile.h"

#include <array>

BrowserColors g_BrowserColors{};

namespace {

struct ColorKey {
    std::atomic<std::uint32_t> BrowserColors::*member;
    const char* key;
    const char* defaultText;
};

// In reading order.
const std::array<ColorKey, 9> kColorKeys = {{
    {&BrowserColors::crSelectedText, "SELECTED TEXT COLOR", "255, 0, 0"},
    {&BrowserColors::crText, "TEXT COLOR", "0, 0, 0"},
    {&BrowserColors::crBackground, "BACKGROUND COLOR", "203, 219, 244"},
    {&BrowserColors::crBackgroundInFrame, "BACKGROUND COLOR INFRAME", "233, 233, 233"},
    {&BrowserColors::crBackgroundInFrameCut, "BACKGROUND COLOR INFRAME CUT", "128, 128, 128"},
    {&BrowserColors::crSelectedBorder, "SELECTED BORDER COLOR", "254, 190, 47"},
    {&BrowserColors::crBorder, "BORDER COLOR", "122, 157, 227"},
    {&BrowserColors::crDetailsSeparator, "DETAILS SEPARATOR COLOR", "123, 138, 172"},
    {&BrowserColors::crDetailsTab, "DETAILS TAB COLOR", "119, 158, 227"},
}};

bool IsSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// scanf's "%d" reduced to the number's low byte: blanks, an optional sign,
// at least one digit. Advances `text` past what it took.
bool ScanLowByte(std::string_view& text, std::uint32_t& lowByte) {
    size_t at = 0;
    while (at < text.size() && IsSpace(text[at]))
        ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-'))
        negative = text[at++] == '-';
    const size_t digitsStart = at;
    std::uint32_t value = 0;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9')
        value = (value * 10 + (text[at++] - '0')) & 0xFF;
    if (at == digitsStart)
        return false;
    lowByte = (negative ? 0x100 - value : value) & 0xFF;
    text.remove_prefix(at);
    return true;
}

// scanf's ", " between two numbers: a comma, then any blanks.
bool ScanSeparator(std::string_view& text) {
    if (text.empty() || text.front() != ',')
        return false;
    text.remove_prefix(1);
    while (!text.empty() && IsSpace(text.front()))
        text.remove_prefix(1);
    return true;
}

}  // namespace

std::uint32_t ParseColorText(std::string_view text, std::uint32_t defaultColor) {
    std::array<std::uint32_t, 3> rgb = {defaultColor & 0xFF, (defaultColor >> 8) & 0xFF, (defaultColor >> 16) & 0xFF};
    for (size_t i = 0; i < rgb.size(); ++i) {
        if (i > 0 && !ScanSeparator(text))
            break;
        if (!ScanLowByte(text, rgb[i]))
            break;
    }
    return rgb[0] + 256 * rgb[1] + 65536 * rgb[2];
}

void LoadBrowserColors(const QString& iniPath) {
    const auto ini = platform::IniFile::Load(platform::LocalFilePath(iniPath));
    for (const ColorKey& entry : kColorKeys) {
        const std::uint32_t defaultColor = ParseColorText(entry.defaultText, 0);
        std::optional<std::string> text;
        if (ini)
            text = ini->Value("BROWSER", entry.key);
        (g_BrowserColors.*entry.member) = text ? ParseColorText(*text, defaultColor) : defaultColor;
    }
}

QString AppSettings::ReadIniString(const QString& section, const QString& key, const QString& defaultValue) const {
    const auto ini = platform::IniFile::Load(platform::LocalFilePath(m_strIniPath));
    if (ini) {
        if (const auto value = ini->Value(section.toStdString(), key.toStdString()))
            return QString::fromStdString(*value);
    }
    return defaultValue;
}
