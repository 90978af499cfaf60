#include "batch/BatchDlg.h"
#include "platform/files/LocalFileName.h"
#include "platform/files/RegularFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStandardPaths>
#include <QVBoxLayout>

#include "batch/BatchIds.h"
#include "batch/FolderLevels.h"
#include "core/settings/AppSettings.h"
#include "platform/paths/Paths.h"
#include "platform/prompt/Prompt.h"
#include "platform/resources/StringTable.h"

namespace {

constexpr int kQualityMin = 1, kQualityMax = 100;

// The quality field: it takes any number of up to three digits, as typed, and
// the range is checked on OK; its arrows keep within 1..100.
class QualitySpinBox : public QSpinBox {
public:
    explicit QualitySpinBox(QWidget* parent) : QSpinBox(parent) { setRange(0, 999); }
    void stepBy(int steps) override { setValue(std::clamp(value() + steps, kQualityMin, kQualityMax)); }

protected:
    StepEnabled stepEnabled() const override {
        StepEnabled enabled = StepNone;
        if (value() > kQualityMin)
            enabled |= StepDownEnabled;
        if (value() < kQualityMax)
            enabled |= StepUpEnabled;
        return enabled;
    }
};

QString WithSeparator(QString folder) {
    if (!folder.endsWith(u'/'))
        folder += u'/';
    return folder;
}

// A string-table text with one "%s".
QString FormatWithPath(int id, const QString& path) {
    return QString::asprintf(platform::LoadResString(id).toUtf8().constData(), path.toUtf8().constData());
}

bool IsFolder(const QString& path) { return platform::KindOfFile(path) == platform::FileKind::Folder; }

// The folder cannot take new files: no right to write or to enter it, for
// this process's effective user and capabilities.
bool IsReadOnlyFolder(const QString& path) {
    return ::faccessat(AT_FDCWD, platform::LocalFileName(path).constData(), W_OK | X_OK, AT_EACCESS) != 0;
}

}  // namespace

CBatchDlg::CBatchDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Batch Settings"));
    setObjectName(QStringLiteral("IDD_BATCH_SETTINGS"));

    auto* folderBox = new QGroupBox(QStringLiteral("Output folder"), this);
    m_editFolder = new QLineEdit(folderBox);
    m_editFolder->setObjectName(QStringLiteral("IDC_OUTFOLDER"));
    m_btnBrowse = new QPushButton(QStringLiteral("&Browse..."), folderBox);
    m_btnBrowse->setObjectName(QStringLiteral("IDC_BROWSE"));
    m_checkNewName = new QCheckBox(QStringLiteral("&Generate new name (e.g. FILE_RESIZED_TO_320X200 )"), folderBox);
    m_checkNewName->setObjectName(QStringLiteral("IDC_NEWNAME"));
    m_checkSameFolder = new QCheckBox(
        QStringLiteral("&Save in initial folder with new name (e.g. FILE_RESIZED_TO_320X200 )"), folderBox);
    m_checkSameFolder->setObjectName(QStringLiteral("IDC_SAMEFOLDER"));
    auto* folderLayout = new QGridLayout(folderBox);
    folderLayout->addWidget(m_editFolder, 0, 0);
    folderLayout->addWidget(m_btnBrowse, 0, 1);
    folderLayout->addWidget(m_checkNewName, 1, 0, 1, 2);
    folderLayout->addWidget(m_checkSameFolder, 2, 0, 1, 2);

    auto* existsBox = new QGroupBox(QStringLiteral("If file already exists"), this);
    m_groupOverwrite = new QButtonGroup(this);
    auto* existsLayout = new QVBoxLayout(existsBox);
    const char* const policies[] = {"&Skip", "&Overwrite", "Save with &unique name"};
    const char* const policyNames[] = {"IDC_SKIP", "IDC_OVERWRITE", "IDC_UNIQUE"};
    for (int i = 0; i < 3; ++i) {
        auto* radio = new QRadioButton(QString::fromLatin1(policies[i]), existsBox);
        radio->setObjectName(QString::fromLatin1(policyNames[i]));
        m_groupOverwrite->addButton(radio, i);
        existsLayout->addWidget(radio);
    }

    m_comboFormat = new QComboBox(this);
    m_comboFormat->setObjectName(QStringLiteral("IDC_OUTFORMAT"));
    m_comboFormat->addItems({QStringLiteral("Don't change"), QStringLiteral("JPEG files (*.jpg)"),
                             QStringLiteral("TIFF files (*.tif)"), QStringLiteral("Bitmap files (*.bmp)"),
                             QStringLiteral("PNG files (*.png)")});
    m_spinQuality = new QualitySpinBox(this);
    m_spinQuality->setObjectName(QStringLiteral("IDC_QUALITY"));
    auto* qualityLabel = new QLabel(QStringLiteral("JPEG &quality:"), this);
    qualityLabel->setBuddy(m_spinQuality);
    auto* formatLayout = new QHBoxLayout;
    formatLayout->addWidget(m_comboFormat, 1);
    formatLayout->addWidget(qualityLabel);
    formatLayout->addWidget(m_spinQuality);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(folderBox);
    layout->addWidget(existsBox);
    layout->addLayout(formatLayout);
    layout->addWidget(buttons);

    connect(buttons, &QDialogButtonBox::accepted, this, &CBatchDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CBatchDlg::reject);
    connect(m_btnBrowse, &QPushButton::clicked, this, &CBatchDlg::OnBrowse);
    connect(m_checkSameFolder, &QCheckBox::clicked, this, &CBatchDlg::OnSameFolder);

    m_chooser = [](QWidget* owner) { return QFileDialog::getExistingDirectory(owner, QString()); };
}

void CBatchDlg::LoadFrom(const AppSettings& settings) {
    m_nOverwriteMethod = settings.m_nOverwriteMethod;
    m_nOutFormat = settings.m_nOutFormat;
    m_strOutFolder = settings.m_strOutFolder;
    m_bNewName = settings.m_bNewName;
    m_nQuality = static_cast<unsigned>(std::max(0, settings.m_nBatchJpegQuality));
    m_bSameFolder = settings.m_bSameFolder;
}

void CBatchDlg::StoreTo(AppSettings& settings) const {
    settings.m_nOverwriteMethod = m_nOverwriteMethod;
    settings.m_nOutFormat = m_nOutFormat;
    settings.m_strOutFolder = m_strOutFolder;
    settings.m_bNewName = m_bNewName;
    settings.m_nBatchJpegQuality = static_cast<int>(m_nQuality);
    settings.m_bSameFolder = m_bSameFolder;
}

void CBatchDlg::SetFolderChooser(FolderChooser chooser) { m_chooser = std::move(chooser); }

bool CBatchDlg::UpdateData(bool saveAndValidate) {
    if (!saveAndValidate) {
        if (QAbstractButton* radio = m_groupOverwrite->button(m_nOverwriteMethod)) {
            radio->setChecked(true);
        } else {
            // No policy: no radio button is set.
            m_groupOverwrite->setExclusive(false);
            for (QAbstractButton* button : m_groupOverwrite->buttons())
                button->setChecked(false);
            m_groupOverwrite->setExclusive(true);
        }
        m_comboFormat->setCurrentIndex(m_nOutFormat >= 0 && m_nOutFormat < m_comboFormat->count() ? m_nOutFormat : -1);
        m_editFolder->setText(m_strOutFolder);
        m_checkNewName->setChecked(m_bNewName != 0);
        m_spinQuality->setValue(static_cast<int>(std::min(m_nQuality, 999u)));
        m_checkSameFolder->setChecked(m_bSameFolder != 0);
        return true;
    }
    const int quality = m_spinQuality->value();
    if (quality < kQualityMin || quality > kQualityMax) {
        platform::Ask(platform::PromptIcon::Warning, platform::PromptButtons::Ok,
                      platform::LoadResString(IDS_INT_RANGE).arg(kQualityMin).arg(kQualityMax));
        m_spinQuality->setFocus();
        m_spinQuality->selectAll();
        return false;
    }
    m_nOverwriteMethod = m_groupOverwrite->checkedId();
    m_nOutFormat = m_comboFormat->currentIndex();
    m_strOutFolder = m_editFolder->text();
    m_bNewName = m_checkNewName->isChecked() ? 1 : 0;
    m_nQuality = static_cast<unsigned>(quality);
    m_bSameFolder = m_checkSameFolder->isChecked() ? 1 : 0;
    return true;
}

void CBatchDlg::showEvent(QShowEvent* event) {
    if (!m_bInitialised) {
        m_bInitialised = true;
        OnInitDialog();
    }
    QDialog::showEvent(event);
}

QString CBatchDlg::DefaultOutFolder() const {
    QString base = platform::PicturesFolder();
    if (base.isEmpty())
        base = platform::DocumentsFolder();
    if (base.isEmpty())
        base = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    if (base.isEmpty())
        return {};
    return WithSeparator(WithSeparator(base) + platform::LoadResString(IDS_RESIZED_IMAGES));
}

void CBatchDlg::OnInitDialog() {
    if (m_strOutFolder.isEmpty())
        m_strOutFolder = DefaultOutFolder();
    UpdateData(false);
    EnableFolderControls();
}

void CBatchDlg::EnableFolderControls() {
    const bool own = !m_bSameFolder;
    m_editFolder->setEnabled(own);
    m_btnBrowse->setEnabled(own);
    m_checkNewName->setEnabled(own);
}

void CBatchDlg::OnSameFolder() {
    m_bSameFolder = m_checkSameFolder->isChecked() ? 1 : 0;
    EnableFolderControls();
}

void CBatchDlg::OnBrowse() {
    const QString folder = m_chooser ? m_chooser(this) : QString();
    if (folder.isEmpty())
        return;
    m_strOutFolder = WithSeparator(folder);
    m_editFolder->setText(m_strOutFolder);
}

void CBatchDlg::accept() {
    if (!UpdateData(true))
        return;
    if (m_bSameFolder) {
        QDialog::accept();
        return;
    }
    if (m_strOutFolder.isEmpty()) {
        m_editFolder->setFocus();
        return;
    }
    m_strOutFolder = WithSeparator(m_strOutFolder);
    m_editFolder->setText(m_strOutFolder);
    const QString tested = m_strOutFolder.size() > 1 ? m_strOutFolder.chopped(1) : m_strOutFolder;

    if (!IsFolder(tested)) {
        const platform::PromptAnswer answer =
            platform::Ask(platform::PromptIcon::Question, platform::PromptButtons::YesNo,
                          FormatWithPath(IDS_FOLDER_MISSING_CREATE, tested));
        if (answer != platform::PromptAnswer::Yes) {
            QDialog::accept();  // the run reports the missing folder
            return;
        }
        if (!CreateFolderLevels(tested)) {
            platform::Ask(platform::PromptIcon::Warning, platform::PromptButtons::Ok,
                          FormatWithPath(IDS_CANT_CREATE_FOLDER, tested));
            m_editFolder->setFocus();
            return;
        }
        QDialog::accept();
        return;
    }
    if (IsReadOnlyFolder(tested)) {
        platform::Ask(platform::PromptIcon::Warning, platform::PromptButtons::Ok,
                      FormatWithPath(IDS_FOLDER_READ_ONLY, tested));
        m_editFolder->setFocus();
        return;
    }
    QDialog::accept();
}
