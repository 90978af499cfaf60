#include "batch/BatchProgress.h"

#include <algorithm>

#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

#include "batch/BatchIds.h"
#include "batch/BatchLog.h"
#include "core/resize/InterpolMode.h"
#include "platform/commands/BatchRunning.h"
#include "platform/prompt/Prompt.h"
#include "platform/resources/StringTable.h"
#include "platform/threads/Event.h"

namespace {

// The bar's range, as the main frame's.
constexpr int kBarMaximum = 90;

// The statuses after which the worker stops the run by itself.
bool EndedTheRun(int status) {
    return status == BATCH_ITEM_NO_OUTPUT_FOLDER || status == BATCH_ITEM_CANCELLED || status == BATCH_ITEM_WRITE_FAILED;
}

}  // namespace

CBatchProgress::CBatchProgress(BatchRun run, QWidget* parent)
    : QDialog(parent),
      run_(std::move(run)),
      m_evReportShown(std::make_shared<platform::Event>(platform::Event::Reset::Automatic)),
      port_(platform::CommandPort::Create(this)) {
    setWindowTitle(QStringLiteral("Batch processing"));
    setObjectName(QStringLiteral("IDD_BATCH_PROGRESS"));
    m_staticStatus = new QLabel(this);
    m_staticStatus->setObjectName(QStringLiteral("IDC_BATCH_STATUS"));
    m_editLog = new QPlainTextEdit(this);
    m_editLog->setObjectName(QStringLiteral("IDC_BATCH_LOG"));
    m_editLog->setReadOnly(true);
    m_editLog->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_editLog->setMinimumSize(360, 220);
    m_progressBar = new QProgressBar(this);
    m_progressBar->setObjectName(QStringLiteral("IDC_BATCH_PROGRESS"));
    m_progressBar->setTextVisible(false);
    m_progressBar->hide();
    m_btnCancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_btnCancel->setObjectName(QStringLiteral("IDCANCEL"));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_staticStatus);
    layout->addWidget(m_editLog, 1);
    layout->addWidget(m_progressBar);
    layout->addWidget(m_btnCancel, 0, Qt::AlignHCenter);
    connect(m_btnCancel, &QPushButton::clicked, this, &CBatchProgress::reject);
}

CBatchProgress::~CBatchProgress() { StopWorker(); }

void CBatchProgress::StopWorker() {
    port_->Close();
    if (worker_.joinable()) {
        g_bAbortResize.store(1);
        m_evReportShown->Set();  // a report waiting to be shown goes on at once
        worker_.join();
    }
    if (running_) {
        running_ = false;
        g_bBatchRunning.store(0);
        g_bAbortResize.store(0);
    }
}

void CBatchProgress::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!started_) {
        started_ = true;
        OnInitDialog();
    }
}

void CBatchProgress::OnInitDialog() {
    m_progressBar->setRange(0, kBarMaximum);
    m_nTotal = static_cast<int>(run_.items.size());
    g_bAbortResize.store(0);
    g_bBatchRunning.store(1);
    running_ = true;
    worker_ = StartBatchThread(run_, *this, this);
}

int CBatchProgress::Progress(int percent) {
    if (g_bAbortResize.load())
        return 0;
    if (percent < m_nLastPercent)
        ++m_nWraps;
    const bool changed = percent != m_nLastPercent;
    m_nLastPercent = percent;
    if (!changed)
        return 1;
    const int overall = OverallPercent(percent, m_nWraps, m_nPhases);
    g_nProgressPercent.store(overall);
    port_->Post(IDC_BATCH_BAR_POSITION, overall);
    return 1;
}

void CBatchProgress::ReportFile(const BatchReport& report) {
    m_nWraps = 0;
    m_nLastPercent = 0;
    platform::Command command{IDC_BATCH_NEW_IMAGE, report.status, 0, std::make_shared<BatchReport>(report)};
    if (port_->Post(std::move(command)))
        m_evReportShown->Wait(kReportWaitMs);
}

void CBatchProgress::BatchFinished() { port_->Post(IDC_BATCH_FINISHED); }

void CBatchProgress::OnPostedCommand(const platform::Command& command) {
    switch (command.id) {
    case IDC_BATCH_NEW_IMAGE:
        if (command.payload)
            OnFileReport(*static_cast<const BatchReport*>(command.payload.get()));
        break;
    case IDC_BATCH_BAR_POSITION:
        SetBarPosition(static_cast<int>(command.wParam));
        break;
    case IDC_BATCH_FINISHED:
        OnBatchFinished();
        break;
    default:
        break;
    }
}

void CBatchProgress::SetBarPosition(int position) { m_progressBar->setValue(std::clamp(position, 0, kBarMaximum)); }

void CBatchProgress::OnFileReport(const BatchReport& report) {
    m_staticStatus->setText(BatchStatusLine(report.index, m_nTotal));
    m_progressBar->setVisible(IsEngineMode(report.item.m_nMode));
    SetBarPosition(0);
    m_nStatus = report.status;

    AppendLog(BatchLogText(report));

    m_evReportShown->Set();
    if (report.status == BATCH_ITEM_NO_OUTPUT_FOLDER)
        platform::Ask(platform::PromptIcon::Warning, platform::PromptButtons::Ok,
                      QString::fromLatin1(kCantCreateOutputFolder));
}

void CBatchProgress::AppendLog(const QString& text) {
    QScrollBar* scroll = m_editLog->verticalScrollBar();
    m_editLog->moveCursor(QTextCursor::End);
    m_editLog->insertPlainText(text);
    scroll->setValue(scroll->maximum());  // the end of the log stays in view
}

void CBatchProgress::OnBatchFinished() {
    if (worker_.joinable())
        worker_.join();  // its last act was this post
    // A Cancel pressed after the worker's last look at the flag still ends
    // the log with its line, unless the run had already stopped on its own.
    if (m_bCancelPressed && !EndedTheRun(m_nStatus))
        AppendLog(BatchCancelledText());
    if (m_bCancelPressed)
        SetBarPosition(0);
    running_ = false;
    g_bBatchRunning.store(0);
    m_btnCancel->setText(platform::LoadResString(IDS_DONE));
    m_btnCancel->setEnabled(true);
    g_bAbortResize.store(0);
}

void CBatchProgress::reject() {
    if (running_) {
        m_bCancelPressed = true;
        g_bAbortResize.store(1);  // the worker stops; its end closes nothing
        // Taken: the button stays off until the run's end makes it "Done".
        m_btnCancel->setEnabled(false);
        return;
    }
    QDialog::reject();
}

QString CBatchProgress::LogText() const { return m_editLog->toPlainText(); }
