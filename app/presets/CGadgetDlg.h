#pragma once
// The named-preset picker: a name box over the always-open, sorted list of the
// presets of one kind (one extension in one sub-folder of the common data
// folder), with OK, Cancel and Delete. In load mode the name must be listed;
// in save mode it may be new, and a listed one asks before it is overwritten.
//
// A listed name is matched ignoring letter case, and the chosen path is the
// file the entry was listed under, so "portrait" finds and opens
// "Portrait.VPS".

#include "app/presets/PresetFolder.h"

#include <QDialog>
#include <QString>

#include <vector>

class QLineEdit;
class QListWidget;
class QPushButton;

class CGadgetDlg : public QDialog {
    Q_OBJECT

public:
    // `titleId`: the caption's string id. `ext` is kept in lower case.
    CGadgetDlg(int titleId, const QString& subfolder, const QString& ext, bool load, QWidget* parent = nullptr);

    int DoModal() { return exec(); }

    // The file of the chosen preset; valid after the dialog closed with OK.
    // Empty when the preset folder could not be made.
    QString GetSelectedPath() const;

    QString m_strName;
    QString m_strSubfolder;
    QString m_strExt;
    bool m_bLoad;
    QString m_strFolder;  // ends with '/', empty when it could not be created
    QString m_strTitle;

    // The controls, for the tests' clicks.
    QLineEdit* NameBox() const { return m_nameBox; }
    QListWidget* List() const { return m_list; }
    QPushButton* OkButton() const { return m_ok; }
    QPushButton* DeleteButton() const { return m_delete; }

public Q_SLOTS:
    void accept() override;  // OK

private:
    void OnInitDialog();
    void OnDelete();
    void FillList();
    void UpdateData();

    std::vector<presets::PresetEntry> m_entries;
    QString m_strSelectedFile;  // the chosen entry's real file name

    QLineEdit* m_nameBox = nullptr;
    QListWidget* m_list = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
    QPushButton* m_delete = nullptr;
};
