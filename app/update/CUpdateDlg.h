#pragma once
// The dialog that offers an update: a heading, the reply's message, "Get
// updates" (opens the download page and closes), "More info site" (opens the
// information page; hidden when the reply has none) and "Cancel". Only http
// and https addresses are ever opened.

#include "app/update/UpdateProtocol.h"

#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QPushButton;

class CUpdateDlg : public QDialog {
    Q_OBJECT

public:
    explicit CUpdateDlg(const update::UpdateReply& reply, QWidget* parent = nullptr);

    int DoModal() { return exec(); }

    QLabel* Heading() const { return m_heading; }
    QPlainTextEdit* Info() const { return m_info; }
    QPushButton* GetUpdatesButton() const { return m_getUpdates; }
    QPushButton* MoreInfoButton() const { return m_moreInfo; }
    QPushButton* CancelButton() const { return m_cancel; }

public Q_SLOTS:
    void accept() override;  // "Get updates"

private:
    void OnInitDialog();
    void OnMoreInfo();

    update::UpdateReply m_reply;
    QLabel* m_heading = nullptr;
    QPlainTextEdit* m_info = nullptr;
    QPushButton* m_getUpdates = nullptr;
    QPushButton* m_cancel = nullptr;
    QPushButton* m_moreInfo = nullptr;
};
