#include "app/update/CUpdateDlg.h"

#include "app/update/UpdateIds.h"
#include "platform/resources/StringTable.h"
#include "platform/shellexec/OpenAddress.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

CUpdateDlg::CUpdateDlg(const update::UpdateReply& reply, QWidget* parent) : QDialog(parent), m_reply(reply) {
    setWindowTitle(QStringLiteral("Dialog"));
    m_heading = new QLabel(QStringLiteral("Updates are available for your version of software."), this);
    m_heading->setWordWrap(true);
    auto* infoLabel = new QLabel(QStringLiteral("Info:"), this);
    m_info = new QPlainTextEdit(this);
    m_info->setReadOnly(true);
    m_info->setMinimumSize(360, 90);
    m_getUpdates = new QPushButton(QStringLiteral("Get updates"), this);
    m_getUpdates->setDefault(true);
    m_cancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_moreInfo = new QPushButton(QStringLiteral("More info site"), this);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_moreInfo);
    buttons->addStretch();
    buttons->addWidget(m_getUpdates);
    buttons->addWidget(m_cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_heading);
    layout->addWidget(infoLabel);
    layout->addWidget(m_info);
    layout->addLayout(buttons);

    connect(m_getUpdates, &QPushButton::clicked, this, &CUpdateDlg::accept);
    connect(m_cancel, &QPushButton::clicked, this, &CUpdateDlg::reject);
    connect(m_moreInfo, &QPushButton::clicked, this, &CUpdateDlg::OnMoreInfo);
    OnInitDialog();
}

void CUpdateDlg::OnInitDialog() {
    if (m_reply.m_nStatus == 2)
        m_heading->setText(platform::LoadResString(IDS_CRITICAL_UPDATES));
    const QString& info = !m_reply.m_strMessage250.isEmpty()  ? m_reply.m_strMessage250
                          : !m_reply.m_strMessage80.isEmpty() ? m_reply.m_strMessage80
                                                              : m_reply.m_strMessage40;
    m_info->setPlainText(info);
    m_moreInfo->setVisible(!m_reply.m_strMoreInfoUrl.isEmpty());
}

void CUpdateDlg::accept() {
    if (!m_reply.m_strUpdateUrl.isEmpty())
        platform::OpenWebAddress(m_reply.m_strUpdateUrl);
    QDialog::accept();
}

void CUpdateDlg::OnMoreInfo() {
    if (!m_reply.m_strMoreInfoUrl.isEmpty())
        platform::OpenWebAddress(m_reply.m_strMoreInfoUrl);
}
