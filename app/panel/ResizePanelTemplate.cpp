#include "app/panel/ResizePanelTemplate.h"

#include "app/panel/DialogTemplate.h"
#include "app/panel/PanelIds.h"

namespace {

constexpr const char* kPixelUnits[] = {"Pixels", "Percent"};
constexpr const char* kCorrections[] = {"Keep aspect", "Crop", "None"};
constexpr const char* kSizeUnits[] = {"Inches", "Millimeters", "Centimeters", "Picas", "Points"};
constexpr const char* kResUnits[] = {"Dots per inch", "Dots per mm", "Dots per cm"};

using K = ControlKind;

// In tab order: the image's own values, the pixel size, the print size, the
// raw size, the resolution, what is edited, correction, algorithm, units,
// the lock and the navigator.
constexpr ControlTemplate kControls[] = {
    {IDC_STATIC, K::GroupBox, "Original image", 4, 2, 142, 62},
    {IDC_ORIG_SIZE, K::Static, "", 10, 13, 132, 8},
    {IDC_ORIG_DEPTH, K::Static, "", 10, 23, 132, 8},
    {IDC_ORIG_RAWSIZE, K::Static, "", 10, 33, 132, 8},
    {IDC_ORIG_PRINTSIZE, K::Static, "", 10, 43, 132, 8},
    {IDC_ORIG_RESOLUTION, K::Static, "", 10, 53, 132, 8},

    {IDC_STATIC, K::Static, "&Width:", 6, 70, 30, 8},
    {IDC_WIDTH, K::Edit, "", 38, 68, 40, 12},
    {IDC_WIDTH_SPIN, K::Spin, "", 78, 68, 10, 12},
    {IDC_STATIC, K::Static, "Hei&ght:", 6, 84, 30, 8},
    {IDC_HEIGHT, K::Edit, "", 38, 82, 40, 12},
    {IDC_HEIGHT_SPIN, K::Spin, "", 78, 82, 10, 12},
    {IDC_PIXEL_UNITS, K::ComboBox, "", 92, 68, 54, 12, kPixelUnits},
    {IDC_SCREEN_PRESETS, K::Button, "Screen/device", 92, 82, 54, 13},

    {IDC_STATIC, K::Static, "Width:", 6, 102, 30, 8},
    {IDC_PRINT_WIDTH, K::Edit, "", 38, 100, 40, 12},
    {IDC_PRINT_WIDTH_SPIN, K::Spin, "", 78, 100, 10, 12},
    {IDC_PRINT_WIDTH_UNIT, K::Static, "", 90, 102, 26, 8},
    {IDC_STATIC, K::Static, "Height:", 6, 116, 30, 8},
    {IDC_PRINT_HEIGHT, K::Edit, "", 38, 114, 40, 12},
    {IDC_PRINT_HEIGHT_SPIN, K::Spin, "", 78, 114, 10, 12},
    {IDC_PRINT_HEIGHT_UNIT, K::Static, "", 90, 116, 26, 8},
    {IDC_PAPER_PRESETS, K::Button, "Paper", 118, 106, 28, 13},

    {IDC_RAW_SIZE, K::Static, "", 6, 130, 140, 8},

    {IDC_STATIC, K::Static, "Re&solution:", 6, 144, 42, 8},
    {IDC_RESOLUTION, K::Edit, "", 48, 142, 34, 12},
    {IDC_RESOLUTION_SPIN, K::Spin, "", 82, 142, 10, 12},
    {IDC_RES_UNIT_LABEL, K::Static, "", 94, 144, 52, 8},
    {IDC_RES_PRESETS, K::Button, "Standard", 92, 156, 54, 13},

    {IDC_EDIT_PIXELS, K::Radio, "Edit &pixels", 6, 158, 86, 10},
    {IDC_EDIT_PRINTS, K::Radio, "Edit p&rint size", 6, 170, 86, 10},

    {IDC_STATIC, K::Static, "Correction:", 6, 186, 42, 8},
    {IDC_CORRECTION, K::ComboBox, "", 48, 184, 98, 12, kCorrections},
    {IDC_STATIC, K::Static, "Algorithm:", 6, 200, 42, 8},
    {IDC_ALGORITHM, K::ComboBox, "", 48, 198, 98, 12, kAlgorithmNames},
    {IDC_STATIC, K::Static, "Print units:", 6, 214, 42, 8},
    {IDC_SIZE_UNITS, K::ComboBox, "", 48, 212, 98, 12, kSizeUnits},
    {IDC_STATIC, K::Static, "Res. units:", 6, 228, 42, 8},
    {IDC_RES_UNITS, K::ComboBox, "", 48, 226, 98, 12, kResUnits},

    {IDC_LOCK, K::Check, "&Lock settings", 6, 244, 86, 10},
    {IDC_APPLY_ALL, K::Button, "Apply to &All", 92, 242, 54, 14},

    {IDC_NAVIGATOR, K::Frame, "", 4, 260, 142, 96},
};

constexpr DialogTemplate kDialog = {"Resize settings", 150, 360, kControls};

}  // namespace

const DialogTemplate& ResizePanelTemplate() { return kDialog; }
