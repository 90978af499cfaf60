#include "app/presets/CGadgetDlg.h"

#include "app/presets/PresetStrings.h"
#include "platform/prompt/Prompt.h"
#include "platform/resources/StringTable.h"

#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

using platform::Ask;
using platform::PromptAnswer;
using platform::PromptButtons;
using platform::PromptIcon;

CGadgetDlg::CGadgetDlg(int titleId, const QString& subfolder, const QString& ext, bool load, QWidget* parent)
    : QDialog(parent),
      m_strSubfolder(subfolder),
      m_strExt(ext.toLower()),
      m_bLoad(load),
      m_strTitle(platform::LoadResString(titleId)) {
    m_nameBox = new QLineEdit(this);
    m_nameBox->setObjectName(QStringLiteral("name"));
    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("list"));
    m_list->setSortingEnabled(false);  // the entries come sorted, ignoring case
    auto* label = new QLabel(QStringLiteral("&Name:"), this);
    label->setBuddy(m_nameBox);

    m_ok = new QPushButton(QStringLiteral("OK"), this);
    m_ok->setDefault(true);
    m_cancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_delete = new QPushButton(QStringLiteral("&Delete"), this);

    auto* left = new QVBoxLayout;
    left->addWidget(label);
    left->addWidget(m_nameBox);
    left->addWidget(m_list);
    auto* right = new QVBoxLayout;
    right->addWidget(m_ok);
    right->addWidget(m_cancel);
    right->addSpacing(12);
    right->addWidget(m_delete);
    right->addStretch();
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left, 1);
    layout->addLayout(right);

    connect(m_ok, &QPushButton::clicked, this, &CGadgetDlg::accept);
    connect(m_cancel, &QPushButton::clicked, this, &CGadgetDlg::reject);
    connect(m_delete, &QPushButton::clicked, this, &CGadgetDlg::OnDelete);
    // The list of a simple combo box: a click puts the entry into the name box.
    connect(m_list, &QListWidget::currentTextChanged, this, [this](const QString& text) {
        if (!text.isEmpty())
            m_nameBox->setText(text);
    });
    connect(m_list, &QListWidget::itemDoubleClicked, this, [this] { accept(); });

    OnInitDialog();
}

void CGadgetDlg::OnInitDialog() {
    m_strFolder = presets::PresetFolder(m_strSubfolder);
    FillList();
    setWindowTitle(m_strTitle);
    m_nameBox->setFocus();
}

void CGadgetDlg::FillList() {
    m_entries = presets::ListPresets(m_strFolder, m_strExt);
    m_list->clear();
    for (const presets::PresetEntry& entry : m_entries)
        m_list->addItem(entry.title);
}

void CGadgetDlg::UpdateData() { m_strName = m_nameBox->text(); }

QString CGadgetDlg::GetSelectedPath() const {
    if (m_strFolder.isEmpty())
        return {};  // no preset folder: no path, never one relative to the current folder
    if (!m_strSelectedFile.isEmpty())
        return m_strFolder + m_strSelectedFile;
    return m_strFolder + m_strName + u'.' + m_strExt;
}

void CGadgetDlg::accept() {
    UpdateData();
    if (m_strName.isEmpty())
        return;
    const presets::PresetEntry* entry = presets::FindPreset(m_entries, m_strName);
    if (m_bLoad) {
        if (entry == nullptr) {
            Ask(PromptIcon::Warning, PromptButtons::Ok, platform::LoadResString(IDS_NO_SUCH_NAME));
            return;
        }
    } else if (entry != nullptr) {
        if (Ask(PromptIcon::Question, PromptButtons::YesNo, platform::LoadResString(IDS_FILE_EXISTS_OVERWRITE)) !=
            PromptAnswer::Yes)
            return;
    } else if (!presets::IsValidPresetName(m_strName)) {
        Ask(PromptIcon::Warning, PromptButtons::Ok, platform::LoadResString(IDS_BAD_PRESET_NAME));
        return;
    }
    m_strSelectedFile = entry != nullptr ? entry->fileName : QString();
    QDialog::accept();
}

void CGadgetDlg::OnDelete() {
    UpdateData();
    const presets::PresetEntry* entry = presets::FindPreset(m_entries, m_strName);
    if (entry == nullptr)
        return;
    if (Ask(PromptIcon::Question, PromptButtons::YesNo, platform::LoadResString(IDS_DELETE_ENTRY)) != PromptAnswer::Yes)
        return;
    QFile file(m_strFolder + entry->fileName);
    if (!file.remove()) {
        Ask(PromptIcon::Error, PromptButtons::Ok,
            platform::LoadResString(IDS_CANT_DELETE_PRESET).arg(file.errorString()));
        FillList();
        return;
    }
    FillList();
}
