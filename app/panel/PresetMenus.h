#pragma once
// The three preset menus of the resize panel as data: the pixel sizes of
// "Screen/device", the paper and photo sizes of "Paper" and the resolutions
// of "Standard". Paper sizes and resolutions are read from the entry's own
// text, so the menu is the data.

#include <QString>

#include <optional>
#include <span>

class QMenu;
class QWidget;

struct PresetMenuEntry {
    int id;  // 0 for a separator
    const char* text;
};

// A pixel size of menu 131.
struct PixelPreset {
    int id;
    int width;
    int height;
};

// The entries of menu 131, 176 or 178 in menu order; empty for another id.
std::span<const PresetMenuEntry> PresetMenuEntries(int menuId);
// The menu's title ("Predefined sizes", ...); empty for another id.
QString PresetMenuTitle(int menuId);
// The text of the entry with command `commandId` in menu `menuId`, or empty.
QString PresetMenuText(int menuId, int commandId);
// The fixed sizes of menu 131 (every entry but "Original size").
std::span<const PixelPreset> PixelPresets();

// Makes menu `menuId` as a QMenu owned by `parent`: one action per entry,
// its data the command id.
QMenu* BuildPresetMenu(int menuId, QWidget* parent);

// A paper entry's size, as its text gives it.
struct PaperSize {
    double first;      // the value before "x"
    double second;     // the value after "x"
    bool millimetres;  // else inches
};

// Reads "A4 (210x297 mm)" or "US Letter (8 1/2x11 inch)": the text between
// "(" and ")", the unit by its ending ("m": millimetres, else inches), the
// two values split at "x", each a decimal ("148.5") or a whole part and a
// one-digit fraction ("8 1/2", "1/2"). Nothing for a text that does not read
// so or gives a value that is not positive.
std::optional<PaperSize> ParsePaperEntry(const QString& text);
// One value of a paper entry: "8 1/2" gives 8.5, "3 7/8" 3.875, "148.5" 148.5.
std::optional<double> ParsePaperValue(const QString& text);

// Reads "300 DPI": the number before the first blank. Nothing when it is not
// a positive number.
std::optional<double> ParseResolutionEntry(const QString& text);
