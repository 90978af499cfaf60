#include "app/panel/PresetMenus.h"

#include "app/panel/PanelIds.h"
#include "app/panel/PanelNumbers.h"

#include <QMenu>

#include <array>

namespace {

constexpr std::array<PresetMenuEntry, 19> kSizeMenu = {{
    {ID_SIZE_ORIGINAL, "Original size"},
    {0, nullptr},
    {ID_SIZE_MULTIMEDIA, "Multimedia (320x240)"},
    {ID_SIZE_VCD_PAL, "VCD PAL (352x288)"},
    {ID_SIZE_VCD_NTSC, "VCD NTSC (352x240)"},
    {ID_SIZE_SVCD_PAL, "SVCD PAL (480x576)"},
    {ID_SIZE_SVCD_NTSC, "SVCD NTSC (480x480)"},
    {ID_SIZE_DVD_PAL_FULL, "DVD PAL Full-D1 (720x576)"},
    {ID_SIZE_DVD_PAL, "DVD PAL (704x576)"},
    {ID_SIZE_DVD_NTSC_FULL, "DVD NTSC Full-D1 (720x480)"},
    {ID_SIZE_DVD_NTSC, "DVD NTSC (704x480)"},
    {ID_SIZE_HD, "HD (1920x1080)"},
    {0, nullptr},
    {ID_SIZE_640, "Desktop (640x480)"},
    {ID_SIZE_800, "Desktop (800x600)"},
    {ID_SIZE_1024, "Desktop (1024x768)"},
    {ID_SIZE_1152, "Desktop (1152x864)"},
    {ID_SIZE_1280, "Desktop (1280x1024)"},
    {ID_SIZE_1600, "Desktop (1600x1200)"},
}};

constexpr std::array<PixelPreset, 16> kPixelPresets = {{
    {ID_SIZE_MULTIMEDIA, 320, 240},
    {ID_SIZE_VCD_PAL, 352, 288},
    {ID_SIZE_VCD_NTSC, 352, 240},
    {ID_SIZE_SVCD_PAL, 480, 576},
    {ID_SIZE_SVCD_NTSC, 480, 480},
    {ID_SIZE_DVD_PAL_FULL, 720, 576},
    {ID_SIZE_DVD_PAL, 704, 576},
    {ID_SIZE_DVD_NTSC_FULL, 720, 480},
    {ID_SIZE_DVD_NTSC, 704, 480},
    {ID_SIZE_HD, 1920, 1080},
    {ID_SIZE_640, 640, 480},
    {ID_SIZE_800, 800, 600},
    {ID_SIZE_1024, 1024, 768},
    {ID_SIZE_1152, 1152, 864},
    {ID_SIZE_1280, 1280, 1024},
    {ID_SIZE_1600, 1600, 1200},
}};

// The paper entries take the ids of the range one after the other.
constexpr int Paper(int index) { return ID_PAPER_FIRST + index; }

constexpr std::array<PresetMenuEntry, 53> kPaperMenu = {{
    {Paper(0), "A0 (841x1189 mm)"},
    {Paper(1), "A1 (594x841 mm)"},
    {Paper(2), "A2 (420x594 mm)"},
    {Paper(3), "A3 (297x420 mm)"},
    {Paper(4), "A4 (210x297 mm)"},
    {Paper(5), "A5 (148x210 mm)"},
    {Paper(6), "A6 Card (105x148.5 mm)"},
    {Paper(7), "B4 (250x354 mm)"},
    {Paper(8), "B5 (182x257 mm)"},
    {Paper(9), "B4 Envelope (250x353 mm)"},
    {Paper(10), "B5 Envelope (176x250 mm)"},
    {Paper(11), "B6 Envelope (176x125 mm)"},
    {Paper(12), "Italy Envelope (110x230 mm)"},
    {Paper(13), "C3 Envelope (324x458 mm)"},
    {Paper(14), "C4 Envelope (229x324 mm)"},
    {Paper(15), "C5 Envelope (162x229 mm)"},
    {Paper(16), "DL Envelope (110x220 mm)"},
    {0, nullptr},
    {Paper(17), "US Letter (8 1/2x11 inch)"},
    {Paper(18), "Legal (8 1/2x14 inch)"},
    {Paper(19), "C (17x22 inch)"},
    {Paper(20), "D (22x34 inch)"},
    {Paper(21), "E (34x44 inch)"},
    {Paper(22), "US Letter Small (8 1/2x11 inch)"},
    {Paper(23), "Tabloid (11x17 inch)"},
    {Paper(24), "Ledger (17x11 inch)"},
    {Paper(25), "Statement (5 1/2x8 1/2 inch)"},
    {Paper(26), "Executive (7 1/4x10 1/2 inch)"},
    {Paper(27), "Note (8 1/2x11 inch)"},
    {Paper(28), "#9 Envelope (3 7/8x8 7/8 inch)"},
    {Paper(29), "#10 Envelope (4 1/8x10 3/8 inch)"},
    {Paper(30), "#11 Envelope (4 1/2x10 3/8 inch)"},
    {Paper(31), "#12 Envelope (4 3/4x11 inch)"},
    {Paper(32), "#14 Envelope (5x11 1/2 inch)"},
    {Paper(33), "Monarch Envelope (3 7/8x7 1/2 inch)"},
    {Paper(34), "6 3/4 Envelope (3 5/8x6 1/2 inch)"},
    {Paper(35), "US Std Fanfold (14 7/8x11 inch)"},
    {Paper(36), "German Std Fanfold (8 1/2x12 inch)"},
    {Paper(37), "German Legal Fanfold (8 1/2x13 inch)"},
    {0, nullptr},
    {Paper(38), "Photo (5x3 1/2 inch)"},
    {Paper(39), "Photo (5x4 inch)"},
    {Paper(40), "Photo (5x5 inch)"},
    {Paper(41), "Photo (6x4 inch)"},
    {Paper(42), "Photo (6x6 inch)"},
    {Paper(43), "Photo (8x6 inch)"},
    {Paper(44), "Photo (10x8 inch)"},
    {Paper(45), "Photo (10x10 inch)"},
    {Paper(46), "Photo (11x11 inch)"},
    {Paper(47), "Photo (12x8 inch)"},
    {Paper(48), "Photo (12x12 inch)"},
    {Paper(49), "Photo (14x11 inch)"},
    {Paper(50), "Photo (16x12 inch)"},
}};
static_assert(Paper(50) == ID_PAPER_LAST, "every paper entry has an id of the range");

constexpr std::array<PresetMenuEntry, 11> kResolutionMenu = {{
    {ID_RES_PRINTER, "Default Printer"},
    {ID_RES_ORIGINAL, "Original"},
    {0, nullptr},
    {ID_RES_72, "72 DPI"},
    {ID_RES_96, "96 DPI"},
    {ID_RES_120, "120 DPI"},
    {ID_RES_300, "300 DPI"},
    {ID_RES_600, "600 DPI"},
    {ID_RES_1200, "1200 DPI"},
    {ID_RES_2400, "2400 DPI"},
    {ID_RES_4800, "4800 DPI"},
}};

}  // namespace

std::span<const PresetMenuEntry> PresetMenuEntries(int menuId) {
    switch (menuId) {
    case IDR_SIZE_PRESETS:
        return kSizeMenu;
    case IDR_PAPER_PRESETS:
        return kPaperMenu;
    case IDR_RES_PRESETS:
        return kResolutionMenu;
    default:
        return {};
    }
}

QString PresetMenuTitle(int menuId) {
    switch (menuId) {
    case IDR_SIZE_PRESETS:
        return QStringLiteral("Predefined sizes");
    case IDR_PAPER_PRESETS:
        return QStringLiteral("Print Predefined sizes");
    case IDR_RES_PRESETS:
        return QStringLiteral("Predefined res");
    default:
        return QString();
    }
}

QString PresetMenuText(int menuId, int commandId) {
    for (const PresetMenuEntry& entry : PresetMenuEntries(menuId)) {
        if (entry.id != 0 && entry.id == commandId)
            return QString::fromUtf8(entry.text);
    }
    return QString();
}

std::span<const PixelPreset> PixelPresets() { return kPixelPresets; }

QMenu* BuildPresetMenu(int menuId, QWidget* parent) {
    auto* menu = new QMenu(PresetMenuTitle(menuId), parent);
    for (const PresetMenuEntry& entry : PresetMenuEntries(menuId)) {
        if (entry.id == 0) {
            menu->addSeparator();
            continue;
        }
        QAction* action = menu->addAction(QString::fromUtf8(entry.text));
        action->setData(entry.id);
    }
    return menu;
}

std::optional<double> ParsePaperValue(const QString& text) {
    const QString value = text.trimmed();
    const int slash = value.indexOf(u'/');
    if (slash < 0)
        return ParseDecimal(value);
    // A one-digit fraction, after a whole part and a blank when there is one.
    if (slash == 0 || slash + 1 >= value.size())
        return std::nullopt;
    const QChar numerator = value.at(slash - 1);
    const QChar denominator = value.at(slash + 1);
    if (!numerator.isDigit() || !denominator.isDigit() || denominator.digitValue() == 0)
        return std::nullopt;
    double whole = 0.0;
    const int blank = value.indexOf(u' ');
    if (blank >= 0 && blank < slash) {
        const std::optional<double> wholePart = ParseDecimal(value.left(blank));
        if (!wholePart)
            return std::nullopt;
        whole = *wholePart;
    }
    return whole + static_cast<double>(numerator.digitValue()) / denominator.digitValue();
}

std::optional<PaperSize> ParsePaperEntry(const QString& text) {
    const int open = text.indexOf(u'(');
    const int close = open < 0 ? -1 : text.indexOf(u')', open + 1);
    if (close < 0)
        return std::nullopt;
    QString size = text.mid(open + 1, close - open - 1);  // "210x297 mm"
    const bool millimetres = size.endsWith(u'm');
    const int unit = size.lastIndexOf(millimetres ? QStringLiteral(" mm") : QStringLiteral(" inch"));
    if (unit < 0)
        return std::nullopt;
    size.truncate(unit);
    const int cross = size.indexOf(u'x');
    if (cross < 0)
        return std::nullopt;
    const std::optional<double> first = ParsePaperValue(size.left(cross));
    const std::optional<double> second = ParsePaperValue(size.mid(cross + 1));
    if (!first || !second || *first <= 0.0 || *second <= 0.0)
        return std::nullopt;
    return PaperSize{*first, *second, millimetres};
}

std::optional<double> ParseResolutionEntry(const QString& text) {
    const int blank = text.indexOf(u' ');
    const std::optional<double> value = ParseDecimal(blank < 0 ? text : text.left(blank));
    if (!value || *value <= 0.0)
        return std::nullopt;
    return value;
}
