#include "platform/prompt/Prompt.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCoreApplication>
#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QProgressDialog>
#include <QPushButton>
#include <QThread>
#include <QWidget>

#include <QSocketNotifier>

#include <sys/eventfd.h>
#include <unistd.h>

#include "platform/files/LocalFileName.h"

#include <cerrno>
#include <cstdint>
#include <future>
#include <utility>
#include <vector>

namespace platform {

namespace {

std::mutex g_promptMutex;
std::shared_ptr<Prompt> g_prompt;  // guarded by g_promptMutex; null: message boxes
QPointer<QWidget> g_owner;         // touched on the UI thread only

std::shared_ptr<Prompt> CurrentPrompt() {
    std::lock_guard lock(g_promptMutex);
    if (!g_prompt)
        g_prompt = std::make_shared<MessageBoxPrompt>();
    return g_prompt;
}

// The progress windows open on the UI thread; touched there only.
std::vector<ProgressWindow*> g_progressWindows;

PromptAnswer AskHere(PromptIcon icon, PromptButtons buttons, const QString& text) {
    // A progress window left open would come up over the message box once
    // its own delay runs out in the box's event loop, and take its keys.
    for (ProgressWindow* progress : g_progressWindows)
        progress->Close();
    // A file name of bytes that are not UTF-8 carries them as codes no font
    // draws; the message shows them as file managers do.
    return CurrentPrompt()->Ask(icon, buttons, platform::DisplayFileName(text));
}

// Carries questions from worker threads to the UI thread. One relay is made
// on the UI thread when each application object starts. Workers queue a
// request under the mutex and wake the relay through an eventfd; a socket
// notifier on the UI thread then runs Drain. Nothing a worker allocates is
// freed by Qt on the other thread, and the eventfd is a hand-off that
// ThreadSanitizer sees.
class PromptRelay : public QObject {
    Q_OBJECT

public:
    struct Request {
        PromptIcon icon;
        PromptButtons buttons;
        QString text;
        std::promise<PromptAnswer> answer;
    };

    PromptRelay() : wake_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
        if (wake_ < 0)
            return;
        notifier_ = new QSocketNotifier(wake_, QSocketNotifier::Read, this);
        connect(notifier_, &QSocketNotifier::activated, this, &PromptRelay::Drain);
    }

    // False when the relay could not be set up; the caller then answers itself.
    bool Submit(std::shared_ptr<Request> request) {
        if (notifier_ == nullptr)
            return false;
        {
            std::lock_guard lock(mutex_);
            pending_.push_back(std::move(request));
        }
        const std::uint64_t one = 1;
        return write(wake_, &one, sizeof one) == static_cast<ssize_t>(sizeof one);
    }

private:
    void Drain() {
        std::uint64_t count = 0;
        if (read(wake_, &count, sizeof count) < 0 && errno != EAGAIN)
            return;
        for (;;) {
            std::shared_ptr<Request> request;
            {
                std::lock_guard lock(mutex_);
                if (pending_.empty())
                    return;
                request = std::move(pending_.front());
                pending_.pop_front();
            }
            request->answer.set_value(AskHere(request->icon, request->buttons, request->text));
        }
    }

    int wake_;
    QSocketNotifier* notifier_ = nullptr;
    std::mutex mutex_;
    std::deque<std::shared_ptr<Request>> pending_;
};

// The relay of the running application. Relays are never deleted: a worker
// may still hold one while its application ends.
std::mutex g_relayMutex;
PromptRelay* g_relay = nullptr;
QCoreApplication* g_relayApp = nullptr;

void MakeRelayOnUiThread() {
    auto* relay = new PromptRelay;
    std::lock_guard lock(g_relayMutex);
    g_relay = relay;
    g_relayApp = QCoreApplication::instance();
}
Q_COREAPP_STARTUP_FUNCTION(MakeRelayOnUiThread)

PromptRelay* RelayFor(QCoreApplication* app) {
    std::lock_guard lock(g_relayMutex);
    return g_relayApp == app ? g_relay : nullptr;
}

QMessageBox::Icon BoxIcon(PromptIcon icon) {
    switch (icon) {
    case PromptIcon::Information:
        return QMessageBox::Information;
    case PromptIcon::Warning:
        return QMessageBox::Warning;
    case PromptIcon::Error:
        return QMessageBox::Critical;
    case PromptIcon::Question:
        return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

// A window manager shows the caption in the title bar, beside the window's
// icon and its buttons, and cuts it short when the box is narrower than all of
// them: the box is made at least that wide (its text keeps its own wrapping).
void WidenForCaption(QMessageBox& box) {
    constexpr int kTitleBarExtras = 160;  // the icon, three buttons, margins
    auto* grid = qobject_cast<QGridLayout*>(box.layout());
    if (grid == nullptr)
        return;
    QFont font = box.font();
    font.setBold(true);
    const int width = QFontMetrics(font).horizontalAdvance(box.windowTitle()) + kTitleBarExtras;
    grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Fixed), grid->rowCount(), 0, 1,
                  grid->columnCount());
}

QMessageBox::StandardButtons BoxButtons(PromptButtons buttons) {
    switch (buttons) {
    case PromptButtons::Ok:
        return QMessageBox::Ok;
    case PromptButtons::OkCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case PromptButtons::YesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case PromptButtons::YesNoCancel:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case PromptButtons::SkipSkipAllCancel:
        return QMessageBox::Cancel;  // Skip and Skip All are added by name
    }
    return QMessageBox::Ok;
}

// The buttons without a standard one, Skip the default; the answer of each.
std::vector<std::pair<QAbstractButton*, PromptAnswer>> AddNamedButtons(QMessageBox& box, PromptButtons buttons) {
    std::vector<std::pair<QAbstractButton*, PromptAnswer>> named;
    if (buttons != PromptButtons::SkipSkipAllCancel)
        return named;
    QPushButton* skip = box.addButton(QStringLiteral("Skip"), QMessageBox::AcceptRole);
    QPushButton* skipAll = box.addButton(QStringLiteral("Skip All"), QMessageBox::AcceptRole);
    box.setDefaultButton(skip);
    named.emplace_back(skip, PromptAnswer::Skip);
    named.emplace_back(skipAll, PromptAnswer::SkipAll);
    return named;
}

}  // namespace

PromptAnswer DefaultAnswer(PromptButtons buttons) {
    switch (buttons) {
    case PromptButtons::Ok:
        return PromptAnswer::Ok;
    case PromptButtons::OkCancel:
    case PromptButtons::YesNoCancel:
    case PromptButtons::SkipSkipAllCancel:
        return PromptAnswer::Cancel;
    case PromptButtons::YesNo:
        return PromptAnswer::No;
    }
    return PromptAnswer::Cancel;
}

PromptAnswer Ask(PromptIcon icon, PromptButtons buttons, const QString& text) {
    QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr || QThread::currentThread() == app->thread())
        return AskHere(icon, buttons, text);

    auto request = std::make_shared<PromptRelay::Request>();
    request->icon = icon;
    request->buttons = buttons;
    request->text = text;
    std::future<PromptAnswer> answer = request->answer.get_future();
    PromptRelay* relay = RelayFor(app);
    if (relay == nullptr || !relay->Submit(request))
        return DefaultAnswer(buttons);
    return answer.get();
}

std::shared_ptr<Prompt> InstallPrompt(std::shared_ptr<Prompt> prompt) {
    std::lock_guard lock(g_promptMutex);
    std::swap(g_prompt, prompt);
    return prompt;
}

void SetPromptOwner(QWidget* owner) { g_owner = owner; }

PromptAnswer MessageBoxPrompt::Ask(PromptIcon icon, PromptButtons buttons, const QString& text) {
    if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr)
        return DefaultAnswer(buttons);
    QMessageBox box(BoxIcon(icon), QCoreApplication::applicationName(), text, BoxButtons(buttons), g_owner.data());
    WidenForCaption(box);
    const auto named = AddNamedButtons(box, buttons);
    const int result = box.exec();
    for (const auto& [button, answer] : named) {
        if (box.clickedButton() == button)
            return answer;
    }
    switch (result) {
    case QMessageBox::Ok:
        return PromptAnswer::Ok;
    case QMessageBox::Yes:
        return PromptAnswer::Yes;
    case QMessageBox::No:
        return PromptAnswer::No;
    default:
        return DefaultAnswer(buttons);  // closed with Escape or the title bar
    }
}

ProgressWindow::ProgressWindow(const QString& text, int total, int showAfterMs)
    : text_(text), total_(total), showAfterMs_(showAfterMs) {
    QCoreApplication* app = QCoreApplication::instance();
    if (qobject_cast<QApplication*>(app) == nullptr || QThread::currentThread() != app->thread())
        return;
    onUiThread_ = true;
    g_progressWindows.push_back(this);
    Open();
}

ProgressWindow::~ProgressWindow() {
    if (onUiThread_)
        std::erase(g_progressWindows, this);
}

void ProgressWindow::Open() {
    dialog_ = std::make_unique<QProgressDialog>(text_, QStringLiteral("Cancel"), 0, total_, g_owner.data());
    dialog_->setWindowTitle(QCoreApplication::applicationName());
    dialog_->setWindowModality(Qt::WindowModal);
    dialog_->setMinimumDuration(showAfterMs_);
    dialog_->setAutoReset(false);
    dialog_->setValue(0);
}

void ProgressWindow::Close() {
    if (!dialog_)
        return;
    cancelled_ = cancelled_ || dialog_->wasCanceled();
    if (advancing_) {
        // Asked from the event loop that the dialog's own setValue runs: it
        // goes when that returns. Cancelled, it is hidden and never shows
        // itself again meanwhile.
        dialog_->cancel();
        closeAfterAdvance_ = true;
        return;
    }
    dialog_.reset();
}

bool ProgressWindow::Advance(int done, const QString& item) {
    if (!onUiThread_)
        return true;
    if (!dialog_)
        Open();
    advancing_ = true;
    dialog_->setLabelText(item);
    dialog_->setValue(done);  // a modal dialog runs the event loop here
    advancing_ = false;
    if (closeAfterAdvance_) {
        closeAfterAdvance_ = false;
        dialog_.reset();
        return !cancelled_;
    }
    cancelled_ = cancelled_ || dialog_->wasCanceled();
    return !cancelled_;
}

ScriptedPrompt::ScriptedPrompt(std::vector<PromptAnswer> answers) : answers_(answers.begin(), answers.end()) {}

PromptAnswer ScriptedPrompt::Ask(PromptIcon icon, PromptButtons buttons, const QString& text) {
    std::lock_guard lock(mutex_);
    questions_.push_back(Question{icon, buttons, text, std::this_thread::get_id()});
    if (answers_.empty())
        return DefaultAnswer(buttons);
    const PromptAnswer answer = answers_.front();
    answers_.pop_front();
    return answer;
}

std::vector<ScriptedPrompt::Question> ScriptedPrompt::Questions() const {
    std::lock_guard lock(mutex_);
    return questions_;
}

}  // namespace platform

#include "Prompt.moc"
