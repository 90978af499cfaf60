#pragma once
// Ids of the resize settings panel: the bar, its controls, its three preset
// menus and their commands. The frame routes the preset commands to the panel.

// The panel's dialog template and the bar's own id (the View menu toggles
// the bar with it).
inline constexpr int IDD_RESIZE_PANEL = 102;
inline constexpr int IDW_RESIZE_BAR = 103;

// Controls of the panel.
inline constexpr int IDC_ORIG_SIZE = 1000;
inline constexpr int IDC_ORIG_RAWSIZE = 1001;
inline constexpr int IDC_ORIG_DEPTH = 1002;
inline constexpr int IDC_ORIG_PRINTSIZE = 1003;
inline constexpr int IDC_ORIG_RESOLUTION = 1004;
inline constexpr int IDC_SIZE_UNITS = 1005;
inline constexpr int IDC_RES_UNITS = 1006;
inline constexpr int IDC_WIDTH = 1007;
inline constexpr int IDC_WIDTH_SPIN = 1008;
inline constexpr int IDC_HEIGHT = 1009;
inline constexpr int IDC_HEIGHT_SPIN = 1010;
inline constexpr int IDC_PIXEL_UNITS = 1011;
inline constexpr int IDC_SCREEN_PRESETS = 1012;
inline constexpr int IDC_PRINT_WIDTH = 1013;
inline constexpr int IDC_PRINT_WIDTH_SPIN = 1014;
inline constexpr int IDC_PRINT_HEIGHT = 1015;
inline constexpr int IDC_PRINT_HEIGHT_SPIN = 1016;
inline constexpr int IDC_CORRECTION = 1017;
inline constexpr int IDC_PAPER_PRESETS = 1018;
inline constexpr int IDC_RAW_SIZE = 1019;
inline constexpr int IDC_ALGORITHM = 1020;
inline constexpr int IDC_RES_PRESETS = 1021;
inline constexpr int IDC_PRINT_WIDTH_UNIT = 1022;
inline constexpr int IDC_PRINT_HEIGHT_UNIT = 1023;
inline constexpr int IDC_RESOLUTION = 1024;
inline constexpr int IDC_RESOLUTION_SPIN = 1025;
inline constexpr int IDC_RES_UNIT_LABEL = 1026;
inline constexpr int IDC_NAVIGATOR = 1027;
inline constexpr int IDC_EDIT_PIXELS = 1028;
inline constexpr int IDC_EDIT_PRINTS = 1029;
inline constexpr int IDC_LOCK = 1030;
inline constexpr int IDC_APPLY_ALL = 1042;
// Labels without a role of their own.
inline constexpr int IDC_STATIC = -1;

// The navigator window's child id inside the panel.
inline constexpr int IDW_NAVIGATOR = 1000;

// The preset menus.
inline constexpr int IDR_SIZE_PRESETS = 131;
inline constexpr int IDR_PAPER_PRESETS = 176;
inline constexpr int IDR_RES_PRESETS = 178;

// Menu 131: pixel sizes. Every entry has an id of its own; the list of
// 32771-32785 and 33157 was one short, so "DVD NTSC Full-D1 (720x480)" takes
// the free 32786.
inline constexpr int ID_SIZE_ORIGINAL = 32771;
inline constexpr int ID_SIZE_MULTIMEDIA = 32772;
inline constexpr int ID_SIZE_VCD_PAL = 32773;
inline constexpr int ID_SIZE_VCD_NTSC = 32774;
inline constexpr int ID_SIZE_SVCD_PAL = 32775;
inline constexpr int ID_SIZE_SVCD_NTSC = 32776;
inline constexpr int ID_SIZE_DVD_PAL_FULL = 32777;
inline constexpr int ID_SIZE_DVD_PAL = 32778;
inline constexpr int ID_SIZE_DVD_NTSC = 32779;
inline constexpr int ID_SIZE_HD = 32780;
inline constexpr int ID_SIZE_640 = 32781;
inline constexpr int ID_SIZE_800 = 32782;
inline constexpr int ID_SIZE_1024 = 32783;
inline constexpr int ID_SIZE_1152 = 32784;
inline constexpr int ID_SIZE_1280 = 32785;
inline constexpr int ID_SIZE_DVD_NTSC_FULL = 32786;
inline constexpr int ID_SIZE_1600 = 33157;

// Menu 176: paper and photo sizes, one id each in menu order. The menu has
// 51 entries; the range is widened from 32787-32835 to the free 32836 and
// 32837 so that every entry has an id inside it.
inline constexpr int ID_PAPER_FIRST = 32787;
inline constexpr int ID_PAPER_LAST = 32837;

// Menu 178: resolutions.
inline constexpr int ID_RES_PRINTER = 32842;
inline constexpr int ID_RES_72 = 32843;
inline constexpr int ID_RES_96 = 32844;
inline constexpr int ID_RES_120 = 32845;
inline constexpr int ID_RES_300 = 32846;
inline constexpr int ID_RES_600 = 32847;
inline constexpr int ID_RES_1200 = 32848;
inline constexpr int ID_RES_2400 = 32849;
inline constexpr int ID_RES_4800 = 32850;
inline constexpr int ID_RES_ORIGINAL = 32851;
inline constexpr int ID_RES_FIRST = ID_RES_PRINTER;
inline constexpr int ID_RES_LAST = ID_RES_ORIGINAL;

// The timer that releases held view updates.
inline constexpr int IDT_HOLD_UPDATES = 130960;
