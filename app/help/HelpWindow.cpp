#include "app/help/HelpWindow.h"

#include "app/help/ProgramIcon.h"
#include "platform/paths/Paths.h"
#include "platform/shellexec/OpenAddress.h"

#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QPointer>
#include <QTextBrowser>
#include <QTextDocument>
#include <QToolButton>
#include <QVBoxLayout>

namespace help {

namespace {

QPointer<HelpWindow> g_window;

// A file of the help folder, or empty.
QByteArray ReadHelpFile(const QString& name) {
    const QUrl url = HelpBaseUrl().resolved(QUrl(name));
    QFile file(url.isLocalFile() ? url.toLocalFile() : u':' + url.path());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

QUrl HelpBaseUrl() {
    const QString installed = platform::ProgramDataFolder(platform::ExecutableFolder(), QStringLiteral("help"));
    if (QFileInfo::exists(installed + QLatin1String(kContentsPage)))
        return QUrl::fromLocalFile(installed);
    return QUrl(QStringLiteral("qrc:/help/"));
}

HelpWindow::HelpWindow(QWidget* owner) : QWidget(owner, Qt::Window) {
    setWindowTitle(QStringLiteral("ORVEK Vespera Help"));
    setWindowIcon(ProgramIcon());
    setAttribute(Qt::WA_DeleteOnClose);

    m_browser = new QTextBrowser(this);
    m_browser->setOpenLinks(false);
    m_browser->setSearchPaths({});
    // The pages' style sheet, which the text browser does not load by itself.
    m_browser->document()->setDefaultStyleSheet(QString::fromUtf8(ReadHelpFile(QStringLiteral("style.css"))));
    m_back = new QToolButton(this);
    m_back->setText(QStringLiteral("Back"));
    m_back->setIcon(QIcon::fromTheme(QStringLiteral("go-previous")));
    m_forward = new QToolButton(this);
    m_forward->setText(QStringLiteral("Forward"));
    m_forward->setIcon(QIcon::fromTheme(QStringLiteral("go-next")));
    m_home = new QToolButton(this);
    m_home->setText(QStringLiteral("Contents"));
    m_home->setIcon(QIcon::fromTheme(QStringLiteral("go-home")));
    for (QToolButton* button : {m_back, m_forward, m_home})
        button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_back->setEnabled(false);
    m_forward->setEnabled(false);

    auto* bar = new QHBoxLayout;
    bar->addWidget(m_back);
    bar->addWidget(m_forward);
    bar->addWidget(m_home);
    bar->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(m_browser, 1);
    resize(720, 560);

    connect(m_back, &QToolButton::clicked, m_browser, &QTextBrowser::backward);
    connect(m_forward, &QToolButton::clicked, m_browser, &QTextBrowser::forward);
    connect(m_home, &QToolButton::clicked, this, [this] { ShowPage(); });
    connect(m_browser, &QTextBrowser::backwardAvailable, m_back, &QToolButton::setEnabled);
    connect(m_browser, &QTextBrowser::forwardAvailable, m_forward, &QToolButton::setEnabled);
    connect(m_browser, &QTextBrowser::anchorClicked, this, &HelpWindow::Follow);
}

void HelpWindow::ShowPage(const QString& page) {
    const QString name = page.isEmpty() ? QLatin1String(kContentsPage) : page;
    m_browser->setSource(HelpBaseUrl().resolved(QUrl(name)));
}

QUrl HelpWindow::CurrentPage() const { return m_browser->source(); }

void HelpWindow::Follow(const QUrl& link) {
    const QUrl target = m_browser->source().resolved(link);
    const QString scheme = target.scheme();
    if (scheme == QLatin1String("http") || scheme == QLatin1String("https")) {
        platform::OpenWebAddress(target.toString());
        return;
    }
    // Only the help pages themselves are shown here.
    const QString base = HelpBaseUrl().toString();
    if (!target.toString().startsWith(base))
        return;
    m_browser->setSource(target);
}

HelpWindow* ShowHelp(QWidget* owner, const QString& page) {
    if (g_window.isNull())
        g_window = new HelpWindow(owner != nullptr ? owner->window() : nullptr);
    g_window->ShowPage(page);
    g_window->show();
    g_window->raise();
    g_window->activateWindow();
    return g_window.data();
}

HelpWindow* OpenHelpWindow() { return g_window.data(); }

}  // namespace help
