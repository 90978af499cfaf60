#pragma once
// One file of a thumbnail browser or of the batch basket: its path, its
// selection, the file information read on demand for sorting and display,
// and the output settings the basket gives it (target size, resolution,
// algorithm, size correction). A plain record; the CITEMLIST that holds it
// owns it.

#include <QString>

#include <cstdint>

class AppSettings;

class CItem {
public:
    // The batch fields start from the resize settings as they are now:
    // resolution, algorithm and size correction; the target size is 0 until
    // the basket computes it.
    explicit CItem(const AppSettings& settings, QString path = {});

    QString m_strPath;
    int m_bSelected = 0;
    double m_dFileSize = 0.0;  // bytes; valid with m_bInfoLoaded
    // Seconds since the epoch, as the file's times are read (local time).
    std::int64_t m_timeCreated = 0;
    std::int64_t m_timeModified = 0;
    std::int64_t m_timeShot = 0;  // EXIF shot date, else the last write; valid with m_bShotLoaded
    std::int64_t m_timeAccessed = 0;
    int m_bInfoLoaded = 0;
    int m_bShotLoaded = 0;

    // The basket's fields; the folder browser never reads them.
    int m_nTargetWidth = 0;
    int m_nTargetHeight = 0;
    float m_fTargetDpi = 0.0f;
    int m_nMode = 0;        // InterpolMode
    int m_nCorrection = 0;  // CorrectProp
};
