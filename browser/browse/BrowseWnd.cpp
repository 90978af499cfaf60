#include "browser/browse/BrowseWnd.h"

#include "browser/browse/LeftView.h"
#include "browser/monitor/FolderMonitor.h"
#include "browser/thumbs/ImgThumbsBrowser.h"
#include "browser/thumbs/ThumbsView.h"
#include "browser/tree/ShellTree.h"
#include "core/settings/AppSettings.h"
#include "platform/profile/ProfileStore.h"
#include "platform/resources/CommandIds.h"

#include <QApplication>
#include <QSplitter>
#include <QStyle>

#include <algorithm>

namespace {

const QString kSplitterSection = QStringLiteral("SPLITTER");
const QString kLeftWidth = QStringLiteral("LEFTWIDTH");

}  // namespace

void CBrowseWnd::TreeBrowser::StopLoading() {
    if (owner_.browser_)
        owner_.browser_->StopLoading();
}

CBrowseWnd::CBrowseWnd(AppSettings& settings, platform::ProfileStore& profile,
                       std::shared_ptr<platform::CommandPort> mainWindow, QWidget* parent)
    : QWidget(parent), settings_(settings), profile_(profile), mainWindow_(std::move(mainWindow)) {
    setObjectName(QStringLiteral("BrowseWnd"));
    // The window covers the preview: every pixel of it, the bar between the
    // panes too, is its own.
    setAutoFillBackground(true);
    OnCommand(ID_BEGINREADFOLDER, [this] { OnBeginReadFolder(); });
    focusConnection_ =
        connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) { OnFocusChanged(now); });
}

CBrowseWnd::~CBrowseWnd() {
    // The focus moves while the panes go, after this object has stopped
    // being a Browse window: the handler must not run then.
    disconnect(focusConnection_);
    OnDestroy();
}

CThumbsView* CBrowseWnd::ThumbsView() const { return thumbsView_.data(); }

CShellTree* CBrowseWnd::Tree() const { return leftView_ != nullptr ? &leftView_->Tree() : nullptr; }

bool CBrowseWnd::Create() {
    if (browser_)
        return false;
    OnCreateClient();
    listsWithoutMonitor_ = !browser_->CreateMonitor(mainWindow_);
    if (!Tree()->RestoreState()) {
        settings_.ValidateBrowseFolder();
        leftView_->SelectPath(settings_.m_strBrowseFolder);
        SetFolderText(settings_.m_strBrowseFolder);
    }
    RestoreLayout();
    return true;
}

void CBrowseWnd::OnCreateClient() {
    browser_ = std::make_unique<CImgThumbsBrowser>(settings_);
    browser_->SetLabelEditingFlag(&settings_.m_bLabelEditing);

    splitter_ = new QSplitter(Qt::Horizontal, this);
    splitter_->setObjectName(QStringLiteral("BrowseSplitter"));
    splitter_->setChildrenCollapsible(false);
    leftView_ = new CLeftView(splitter_);
    thumbsView_ = new CThumbsView(splitter_);
    thumbsView_->setObjectName(QStringLiteral("BrowseThumbs"));
    leftView_->resize(100, 100);
    thumbsView_->resize(100, 100);
    splitter_->addWidget(leftView_);
    splitter_->addWidget(thumbsView_);
    // A wider or narrower window changes the thumbnails' pane only.
    splitter_->setStretchFactor(0, 0);
    splitter_->setStretchFactor(1, 1);
    splitter_->setGeometry(rect());
    activePane_ = thumbsView_.data();
    // The window's focus goes to the tree.
    setFocusProxy(leftView_);

    Tree()->SetBrowser(&treeBrowser_);
    Tree()->SetOwner(this);
    thumbsView_->SetBrowser(browser_.get());
    thumbsView_->RecalcScrollSizes();

    // The monitor does not exist yet: these reports only pause the browser.
    leftView_->SelectPath(settings_.m_strBrowseFolder);
    SetFolderText(settings_.m_strBrowseFolder);
}

void CBrowseWnd::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (splitter_ != nullptr)
        splitter_->setGeometry(rect());
}

void CBrowseWnd::RestoreLayout() {
    if (splitter_ == nullptr)
        return;
    splitter_->setGeometry(rect());
    const int client = std::max(0, width());
    int left = profile_.GetInt(kSplitterSection, kLeftWidth, -1);
    if (left < 0)
        left = FirstLeftWidth(client);
    // The stored width is untrusted: the tree's pane stays inside the window.
    if (client > 0)
        left = std::min(left, client);
    splitter_->setSizes({left, std::max(0, client - left)});
}

int CBrowseWnd::FirstLeftWidth(int client) const {
    // Wide enough for the names of the folders the tree opens on (no name
    // cut short), but never narrower than the default nor wider than two
    // fifths of the window.
    const QAbstractItemView* tree = Tree();
    const int names = tree->sizeHintForColumn(0) + 2 * tree->frameWidth() +
                      tree->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, tree);
    return std::clamp(names, kDefaultLeftWidth, std::max(kDefaultLeftWidth, client * 2 / 5));
}

void CBrowseWnd::SetFolderText(const QString& path) {
    if (!browser_)
        return;
    browser_->StopLoading();
    browser_->m_strFolder = path;
    browser_->m_strLocationText.clear();
    browser_->m_nLocationType = kLocationFolder;
    libraryShown_ = false;
    if (CFolderMonitor* monitor = browser_->Monitor())
        monitor->SetFolder(path, browser_.get());
    else if (listsWithoutMonitor_)
        OnBeginReadFolder();
}

void CBrowseWnd::OnFolderSelected(const QString& locationText) {
    if (!browser_)
        return;
    browser_->StopLoading();
    CFolderMonitor* monitor = browser_->Monitor();
    // Until the monitor exists (while the window is being made) a selection
    // only pauses the browser.
    if (monitor == nullptr && !listsWithoutMonitor_)
        return;
    if (locationText.startsWith(u'0')) {
        const qsizetype comma = locationText.indexOf(u',');
        if (comma < 0)
            return;
        if (monitor == nullptr) {
            SetFolderText(locationText.mid(comma + 1));
            return;
        }
        libraryShown_ = false;
        monitor->SetFolder(locationText.mid(comma + 1), browser_.get());
        return;
    }
    // While a library is shown nothing is watched: a change of the last
    // folder must not list it over the library.
    libraryShown_ = true;
    if (monitor != nullptr)
        monitor->StopWatching();
    browser_->SetLocation(locationText);
}

bool CBrowseWnd::OnMonitorCommand(const platform::Command& command) {
    if (command.id != ID_BEGINREADFOLDER && command.id != ID_REFRESH)
        return false;
    if (!browser_)
        return true;
    if (command.payload) {
        const auto* folder = static_cast<const MonitoredFolder*>(command.payload.get());
        if (libraryShown_)
            return true;
        if (folder->browser == browser_.get()) {
            browser_->m_strFolder = folder->folder;
            browser_->m_strLocationText.clear();
            browser_->m_nLocationType = kLocationFolder;
        }
        OnBeginReadFolder();
        return true;
    }
    // Without a payload: the browser's own commands (a paste asks for a
    // listing too).
    return OnCmdMsg(command.id, nullptr);
}

void CBrowseWnd::OnBeginReadFolder() {
    if (!browser_)
        return;
    browser_->Reload();
    if (thumbsView_)
        thumbsView_->Invalidate(QRect(), true);
}

bool CBrowseWnd::OnCmdMsg(int id, platform::CCmdUI* ui) {
    if (activePane_ == leftView_ && leftView_ != nullptr && leftView_->OnCmdMsg(id, ui))
        return true;
    if (activePane_ == thumbsView_ && thumbsView_ && thumbsView_->OnCmdMsg(id, ui))
        return true;
    return HandleOwnCommand(id, ui);
}

void CBrowseWnd::OnFocusChanged(QWidget* now) {
    for (QWidget* w = now; w != nullptr && w != this; w = w->parentWidget()) {
        if (w == leftView_ || w == thumbsView_) {
            activePane_ = w;
            return;
        }
    }
}

void CBrowseWnd::OnDestroy() {
    if (destroyed_)
        return;
    destroyed_ = true;
    if (leftView_ != nullptr) {
        Tree()->SaveState();
        Tree()->SetBrowser(nullptr);
        Tree()->SetOwner(nullptr);
    }
    if (splitter_ != nullptr && !splitter_->sizes().isEmpty()) {
        profile_.WriteInt(kSplitterSection, kLeftWidth, splitter_->sizes().front());
        profile_.Sync();
    }
    // The view lets the browser go before it does; it is deleted on its own
    // once no handler of the browser runs any more.
    if (thumbsView_) {
        thumbsView_->SetBrowser(nullptr);
        thumbsView_->setParent(nullptr);
        thumbsView_->DestroyWindow();
    }
    browser_.reset();
}
