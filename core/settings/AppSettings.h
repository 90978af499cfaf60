#pragma once
// The user's settings: the fields the application object holds for every
// subsystem, their loading at start-up and their saving at exit, and the
// process-wide thumbnail zoom, details switch and browser colours.
//
// Stored values are untrusted: each is range-checked as it is read, and a
// value outside its range takes the default.

#include <QString>

#include <atomic>
#include <cstdint>
#include <string_view>

namespace platform {
class ProfileStore;
}

// Thumbnail zoom in percent: 100 large, 66 small.
extern std::atomic<int> g_nIconsZoom;
// The details layout of the thumbnail cells; cleared at start.
extern std::atomic<int> g_bDetailsMode;

// The browser's colours as 0x00BBGGRR values, from "resourses.ini".
struct BrowserColors {
    std::atomic<std::uint32_t> crSelectedText;
    std::atomic<std::uint32_t> crText;
    std::atomic<std::uint32_t> crBackground;
    std::atomic<std::uint32_t> crBackgroundInFrame;
    std::atomic<std::uint32_t> crBackgroundInFrameCut;
    std::atomic<std::uint32_t> crSelectedBorder;
    std::atomic<std::uint32_t> crBorder;
    std::atomic<std::uint32_t> crDetailsSeparator;
    std::atomic<std::uint32_t> crDetailsTab;
};
extern BrowserColors g_BrowserColors;

// A colour text "r, g, b" (scanned as "%d, %d, %d"); each component keeps its
// low byte. Components missing from the text keep those of `defaultColor`.
std::uint32_t ParseColorText(std::string_view text, std::uint32_t defaultColor);

// Reads the nine colours of section "BROWSER" of `iniPath` into
// g_BrowserColors; a missing file or key gives the default colour.
void LoadBrowserColors(const QString& iniPath);

class AppSettings {
public:
    // Stored in "MAIN".
    int m_nInterpolMode = 0;  // InterpolMode 0-9
    int m_nResUnits = 0;      // 0 dots per inch, 1 per mm, 2 per cm
    int m_nSizeUnits = 0;     // 0 inches, 1 mm, 2 cm, 3 picas, 4 points
    int m_nCorrectProp = 0;   // 0 keep aspect, 1 crop, 2 none
    int m_nInPercents = 0;
    int m_nEditPrints = 0;
    int m_nLockSettings = 0;
    int m_nJpegQuality = 0;
    int m_nApplyToAll = 0;
    int m_nWidth = 0;
    int m_nHeight = 0;
    float m_fDpi = 0.0f;  // always dots per inch
    double m_dPercentW = 0.0;
    double m_dPercentH = 0.0;

    // Stored in "BATCH".
    int m_nOverwriteMethod = 0;  // 0 skip, 1 overwrite, 2 unique name
    int m_nOutFormat = 0;        // 0 source, 1 .jpg, 2 .tif, 3 .bmp, 4 .png
    QString m_strOutFolder;
    int m_bNewName = 0;
    int m_nBatchJpegQuality = 0;
    int m_bSameFolder = 0;

    // Stored in "BROWSER".
    QString m_strBrowseFolder;

    // Not stored.
    int m_bBatchMode = 0;
    int m_bOpenFromBasket = 0;
    int m_bAnimateThumbs = 1;
    bool m_bLabelEditing = false;
    std::uint8_t m_bNoSave = 0;  // the start ended before the settings were read: save nothing
    QString m_strExeFolder;      // ends with '/'
    QString m_strResFolder;      // ends with '/'
    QString m_strIniPath;
    QString m_strSettingsFolder;  // ends with '/'
    // LoadFolderSettings ran: only then is the browse folder written back, so
    // a start that ended before reading it never stores an empty one.
    bool m_bFolderSettingsRead = false;

    // The start-up's first reading: "MAIN", the resource folder and INI path
    // under `exeFolder`, the zoom, the details switch, the browser colours and
    // "BATCH".
    void LoadSettings(const platform::ProfileStore& store, const QString& exeFolder);
    // The reading after the main window is shown: the executable and settings
    // folders and the browse folder.
    void LoadFolderSettings(const platform::ProfileStore& store, const QString& exeFolder);
    // Both readings.
    void Load(const platform::ProfileStore& store, const QString& exeFolder);

    // Writes every stored value that was read, unless m_bNoSave is set.
    // False when the profile could not be written.
    bool Save(platform::ProfileStore& store) const;

    // The text of `key` in `section` of m_strIniPath, or `defaultValue`.
    QString ReadIniString(const QString& section, const QString& key, const QString& defaultValue) const;

    // The imaging library's interpolation mode for m_nInterpolMode 0-4, else -1.
    int GetGdiplusInterpolationMode() const;

    // Makes m_strBrowseFolder an existing folder: kept when it is one, else
    // "SAMPLES" next to the executable, else My Pictures, else My Documents,
    // else empty.
    void ValidateBrowseFolder();
};
