#pragma once
// The "Image Info" dialog: one image file's path, pixel dimensions, number of
// colours and its EXIF and TIFF tags as a two-column list of names and
// values. Read-only: nothing in it changes the file or the settings.

#include <QDialog>
#include <QString>
#include <QStringList>

#include "platform/imaging/Bitmap.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace browser {

class CJFIFDlg : public QDialog {
    Q_OBJECT

public:
    // Control ids of the form; the plain labels have the id -1.
    enum : int {
        IDC_STATIC = -1,
        IDC_OK = 1,
        IDC_FILE_NAME = 100,
        IDC_DIMENSIONS = 103,
        IDC_COLORS = 105,
        IDC_TAG_LIST = 1000,
        IDC_CAMERA_DETAILS = 1027,
    };

    // `tagList` holds names and values alternating. The list and the bitmap
    // (null for a file that did not open) must outlive the dialog.
    CJFIFDlg(const QStringList* tagList, const QString& path, const imaging::Bitmap* bitmap, QWidget* parent = nullptr);

    // The first control of the id, in the form's order; null when none.
    QWidget* GetDlgItem(int id) const;

private:
    void CreateControls();
    void OnInitDialog();
    void FillTagList();

    const QStringList* m_pTagList;
    QString m_strPath;
    const imaging::Bitmap* m_pBitmap;

    QTableWidget* m_listTags = nullptr;
    QLabel* m_labelDetails = nullptr;
    QLineEdit* m_editPath = nullptr;
    QLabel* m_labelDimensions = nullptr;
    QLabel* m_labelColors = nullptr;
    QPushButton* m_buttonOk = nullptr;
};

// "%u X %u" of the bitmap's width and height (0 X 0 without a bitmap).
QString DimensionsText(const imaging::Bitmap* bitmap);

// The number of colours of a pixel format, grouped by thousands with commas:
// 2 to the power of its bits per pixel, but 16,777,216 from 24 bits up.
QString ColorCountText(imaging::PixelFormat format);

}  // namespace browser
