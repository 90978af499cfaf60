#pragma once
// "Batch Settings": the batch options of a run (output folder, new name,
// saving beside the sources, what to do with existing files, output format,
// JPEG quality). The caller loads the members before showing the dialog and
// reads them back after OK. The dialog proposes a default output folder, lets
// the user pick one, and on OK makes sure the output folder exists (made
// level by level when the user agrees) and is writable.

#include <QDialog>
#include <QString>

#include <functional>

class AppSettings;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QSpinBox;

class CBatchDlg : public QDialog {
    Q_OBJECT

public:
    explicit CBatchDlg(QWidget* parent = nullptr);

    // The dialog's data, exchanged with the controls by UpdateData.
    int m_nOverwriteMethod = 1;  // 0 skip, 1 overwrite, 2 unique name
    int m_nOutFormat = 0;        // 0 as the source, 1 JPEG, 2 TIFF, 3 BMP, 4 PNG
    QString m_strOutFolder;
    int m_bNewName = 0;
    unsigned m_nQuality = 0;  // 1..100
    int m_bSameFolder = 0;

    // The six batch options of the settings, in and out.
    void LoadFrom(const AppSettings& settings);
    void StoreTo(AppSettings& settings) const;

    // Controls → members (true) with the quality's range check, or members →
    // controls (false). False when a value is refused (the message is shown).
    bool UpdateData(bool saveAndValidate);

    // Asks for a folder; empty when the user picks none. The folder dialog
    // unless replaced (tests).
    using FolderChooser = std::function<QString(QWidget* parent)>;
    void SetFolderChooser(FolderChooser chooser);

    void accept() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void OnInitDialog();
    void OnBrowse();
    void OnSameFolder();
    void EnableFolderControls();
    QString DefaultOutFolder() const;

    QLineEdit* m_editFolder;
    QPushButton* m_btnBrowse;
    QCheckBox* m_checkNewName;
    QCheckBox* m_checkSameFolder;
    QButtonGroup* m_groupOverwrite;
    QComboBox* m_comboFormat;
    QSpinBox* m_spinQuality;
    FolderChooser m_chooser;
    bool m_bInitialised = false;
};
