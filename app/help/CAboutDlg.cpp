#include "app/help/CAboutDlg.h"

#include "app/help/ProgramIcon.h"
#include "core/version/VersionInfo.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("About"));
    auto* icon = new QLabel(this);
    icon->setPixmap(help::ProgramIcon().pixmap(48, 48));
    icon->setAlignment(Qt::AlignTop);
    m_version = new QLabel(
        VersionText(vespera::kVersionMajor, vespera::kVersionMinor, vespera::kVersionPatch, vespera::kVersionTweak),
        this);
    m_version->setObjectName(QStringLiteral("version"));
    auto* maker = new QLabel(QStringLiteral("Copyright \u00A9 ORVEK. All rights reserved."), this);
    auto* purpose = new QLabel(QStringLiteral("Enlarges and reduces photographs with high quality."), this);
    m_ok = new QPushButton(QStringLiteral("OK"), this);
    m_ok->setDefault(true);
    connect(m_ok, &QPushButton::clicked, this, &CAboutDlg::accept);

    auto* texts = new QVBoxLayout;
    texts->addWidget(m_version);
    texts->addWidget(maker);
    texts->addWidget(purpose);
    texts->addStretch();
    auto* top = new QHBoxLayout;
    top->addWidget(icon);
    top->addLayout(texts, 1);
    top->addWidget(m_ok, 0, Qt::AlignTop);
    setLayout(top);
}

QString CAboutDlg::VersionText(int major, int minor, int patch, int tweak) {
    return QString::asprintf("ORVEK Vespera v. %d.%d.%d.%d", major, minor, patch, tweak);
}
