#pragma once
// The About box: the program's icon, "ORVEK Vespera v. " and the four-part
// version, two lines about the maker, and OK.

#include <QDialog>

class QLabel;
class QPushButton;

class CAboutDlg : public QDialog {
    Q_OBJECT

public:
    explicit CAboutDlg(QWidget* parent = nullptr);

    int DoModal() { return exec(); }

    QLabel* VersionLabel() const { return m_version; }
    QPushButton* OkButton() const { return m_ok; }

    // The version line's format and its text for a file version.
    static QString VersionText(int major, int minor, int patch, int tweak);

private:
    QLabel* m_version = nullptr;
    QPushButton* m_ok = nullptr;
};
