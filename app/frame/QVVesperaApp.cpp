#include "app/frame/QVVesperaApp.h"

#include "app/frame/CommandActions.h"
#include "app/frame/DesktopFileDialog.h"
#include "app/frame/FrameIds.h"
#include "app/frame/StartupTimes.h"
#include "app/frame/SystemVersion.h"
#include "app/help/HelpCommands.h"
#include "app/help/WhatsThis.h"
#include "app/panel/ResizeDlgBar.h"
#include "app/plugin/PluginDescription.h"
#include "app/presets/SettingsCommands.h"
#include "app/preview/NavigatorWnd.h"
#include "app/preview/QVVesperaView.h"
#include "app/update/CUpdateChecker.h"
#include "app/update/UpdateCommands.h"
#include "browser/builder/Thumbnails.h"
#include "browser/libraries/Win7Library.h"
#include "core/document/ImageReading.h"
#include "core/document/QVVesperaDoc.h"
#include "platform/paths/Paths.h"
#include "platform/prompt/Prompt.h"
#include "platform/resources/CommandIds.h"
#include "platform/resources/StringTable.h"

#include <QApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QFrame>
#include <QScreen>
#include <QVBoxLayout>

#include <cstdio>

namespace {

// The name a new document takes: the third part of the template string.
QString NewDocumentName() { return platform::LoadResString(IDR_MAINFRAME).section(u'\n', 2, 2); }

// "Name|*.a;*.b|Name|*.c||" as the dialog's "Name (*.a *.b);;Name (*.c)".
QString DialogFilter(const QString& filter) {
    const QStringList parts = filter.split(u'|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].isEmpty())
            break;
        QString patterns = parts[i + 1];
        patterns.replace(u';', u' ');
        filters << parts[i] + QStringLiteral(" (") + patterns + u')';
    }
    return filters.join(QStringLiteral(";;"));
}

}  // namespace

CQVVesperaApp::CQVVesperaApp() {
    m_pTabstops = std::make_unique<CTabstopNavigator>();
    m_fileDialog = [this](bool open, const QString& filter, int* filterIndex) {
        return RunDesktopFileDialog(open, m_dialogFolder.StartFolder(), filter, filterIndex);
    };
    m_showMainWindow = [](CMainFrame& frame) {
        // The size the window keeps when it is not maximised, or where no
        // window manager maximises it.
        if (const QScreen* screen = frame.screen())
            frame.resize(screen->availableGeometry().size() * 3 / 4);
        frame.showMaximized();
    };
    m_registerPlugin = [](bool install) { return plugin::RegisterPlugin(install); };
    auto mainWindow = [this]() -> QWidget* { return m_pMainWnd; };
    m_pPresetCommands = std::make_unique<presets::PresetCommands>(*this, mainWindow, [this] {
        OnUpdateResizePanel();
        OnUpdateAllViews();
    });
    m_pUpdateCommands = std::make_unique<update::UpdateCommands>(mainWindow);
    m_pHelpCommands = std::make_unique<help::HelpCommands>(mainWindow);
    RegisterCommands();
}

CQVVesperaApp::~CQVVesperaApp() {
    CloseMainFrame();
    DeleteWin7Library();
    CUpdateChecker::Destroy();
    StopThumbnails();
    m_pTabstops.reset();
}

bool CQVVesperaApp::OnCmdMsg(int id, platform::CCmdUI* ui) {
    return HandleOwnCommand(id, ui) || m_pPresetCommands->OnCmdMsg(id, ui) || m_pUpdateCommands->OnCmdMsg(id, ui) ||
           m_pHelpCommands->OnCmdMsg(id, ui);
}

bool CQVVesperaApp::InitInstance(const QStringList& arguments) {
    // Common controls, OLE, the imaging library and control containment
    // need no start-up on this system; nothing of theirs can fail here.
    m_commandLine = CMyCommandLineInfo();
    m_commandLine.ParseCommandLine(arguments);

    if (m_commandLine.m_nShellCommand == CMyCommandLineInfo::AppRegister ||
        m_commandLine.m_nShellCommand == CMyCommandLineInfo::AppUnregister) {
        const bool install = m_commandLine.m_nShellCommand == CMyCommandLineInfo::AppRegister;
        if (m_registerPlugin)
            m_registerPlugin(install);
        m_bNoSave = 1;
        return false;
    }
    // The one picture to open is decoded while the window is built.
    if (m_commandLine.m_listFiles.size() == 1)
        m_pPrefetch = std::make_unique<ImagePrefetch>(m_commandLine.m_listFiles.front(), m_beforePrefetchRead);

    if (!GetWindowsVersion(&m_nWindowsVersion))
        m_nWindowsVersion = 0;

    m_pProfile = std::make_unique<platform::ProfileStore>();
    m_recentFiles.ReadList(*m_pProfile);
    m_dialogFolder.Read(*m_pProfile);
    m_bRecentFilesRead = true;
    LoadSettings(*m_pProfile, platform::ExecutableFolder());
    m_bSettingsRead = true;
    StartupTimes::Mark("settings");
    // The thumbnail cache and its builder threads, before any browser.
    InitThumbnails();
    m_bThumbnailsStarted = true;
    // The libraries, before any folder tree lists them.
    CreateWin7Library();

    // There is no automation server on this system: a start as one would
    // wait for clients that never come, so it ends here.
    if (m_commandLine.m_bRunEmbedded || m_commandLine.m_bRunAutomated)
        return false;

    if (!ProcessShellCommand())
        return false;
    if (!OpenDocumentFile(QString()))
        return false;
    StartupTimes::Mark("window");
    m_showMainWindow(*m_pMainWnd);
    StartupTimes::Mark("shown");

    LoadFolderSettings(*m_pProfile, platform::ExecutableFolder());

    CUpdateChecker* checker = CUpdateChecker::Create();
    checker->SetNotifyPort(m_pMainWnd->Port());
    checker->Check(false);

    if (m_commandLine.m_listFiles.size() == 1) {
        // A window closed while its picture decoded ends the start.
        if (!OpenPrefetchedImage(m_commandLine.m_listFiles.front()))
            return false;
    } else if (m_commandLine.m_listFiles.size() > 1) {
        m_pMainWnd->AddFilesToBatch(m_commandLine.m_listFiles);
    }
    return true;
}

// After the last browser has gone: the builders are joined, then the cache
// is emptied.
void CQVVesperaApp::StopThumbnails() noexcept {
    if (!m_bThumbnailsStarted)
        return;
    m_bThumbnailsStarted = false;
    ShutdownThumbnails();
}

// A file on the command line is opened with the other images after the
// window is shown; print and DDE commands are not carried out, so every
// command that remains starts the program as usual.
bool CQVVesperaApp::ProcessShellCommand() {
    switch (m_commandLine.m_nShellCommand) {
    case CMyCommandLineInfo::FileNew:
    case CMyCommandLineInfo::FileOpen:
    case CMyCommandLineInfo::FileNothing:
        return true;
    case CMyCommandLineInfo::AppRegister:
    case CMyCommandLineInfo::AppUnregister:
        return false;
    }
    return false;
}

int CQVVesperaApp::ExitInstance() {
    if (m_bExited)
        return 0;
    m_bExited = true;
    m_pPrefetch.reset();
    CloseMainFrame();
    DeleteWin7Library();
    StopThumbnails();
    if (m_bNoSave == 0 && m_bSettingsRead && m_pProfile) {
        Save(*m_pProfile);
        if (m_bRecentFilesRead) {
            m_recentFiles.WriteList(*m_pProfile);
            m_dialogFolder.Write(*m_pProfile);
        }
        m_pProfile->Sync();
    }
    // Its worker is asked to stop and joined.
    CUpdateChecker::Destroy();
    return 0;
}

// The single-document template: the document, then the frame with its view.
bool CQVVesperaApp::CreateMainFrame() {
    auto document = m_resizeEngine != nullptr ? std::make_unique<CQVVesperaDoc>(*this, *m_resizeEngine)
                                              : std::make_unique<CQVVesperaDoc>(*this);
    document->SetListener(this);
    document->SetFileDialog(this);
    auto frame = std::make_unique<CMainFrame>(*this);
    CMainFrame::CreateContext context = m_frameContext;
    if (!context.view) {
        CQVVesperaDoc* doc = document.get();
        CMainFrame* owner = frame.get();
        context.view = [this, doc, owner](QWidget* parent) -> QWidget* {
            auto* view = new CQVVesperaView(*doc, *this, parent);
            view->m_runCommand = [owner](int id) { owner->Actions().Trigger(id); };
            if (m_commandLine.m_bTiming)
                view->m_timing = [](const char* what, qint64 value) {
                    std::fprintf(stderr, "%s=%lld\n", what, static_cast<long long>(value));
                    std::fflush(stderr);
                };
            QObject::connect(view, &CQVVesperaView::PicturePainted, view, [this] { NoteFirstPaint(); });
            m_pPreviewView = view;
            return view;
        };
    }
    if (!frame->LoadFrame(context)) {
        m_pPreviewView = nullptr;
        return false;
    }
    CreateNavigator(*frame);
    help::ApplyWhatsThis(frame->ResizePanel());
    document->SetPreviewPort(frame->Port());
    frame->SetActiveDocument(document.get());
    m_pDocument = std::move(document);
    m_pMainWnd = frame.release();
    return true;
}

bool CQVVesperaApp::OpenDocumentFile(const QString& path) {
    try {
        if (m_pMainWnd == nullptr && !CreateMainFrame())
            return false;
        if (path.isEmpty()) {
            UpdateCaption();
            return true;
        }
        if (!m_pDocument->OpenDocumentFile(path))
            return false;
        m_pDocument->UpdateAllViews();
        return true;
    } catch (...) {
        return false;
    }
}

bool CQVVesperaApp::OpenImage(const QString& path) {
    if (m_pMainWnd == nullptr && !CreateMainFrame())
        return false;
    return m_pDocument->OpenImage(path);
}

bool CQVVesperaApp::OpenPrefetchedImage(const QString& path) {
    if (m_pPrefetch && !m_pPrefetch->HasFinished()) {
        // The window paints itself (menus, bars, panel) while the picture
        // decodes; input waits until it is open. A picture already decoded
        // is shown in the window's first painting.
        QEventLoop loop;
        m_pPrefetch->WhenFinished(
            [&loop] { QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection); });
        loop.exec(QEventLoop::ExcludeUserInputEvents);
        m_pPrefetch->Wait();
        // The window manager may close the window meanwhile.
        if (m_pMainWnd == nullptr || !m_pMainWnd->isVisible()) {
            m_pPrefetch.reset();
            return false;
        }
    }
    if (m_pDocument)
        m_pDocument->SetPrefetch(m_pPrefetch.get());
    OpenImage(path);
    if (m_pDocument)
        m_pDocument->SetPrefetch(nullptr);
    if (m_pPrefetch) {
        m_pPrefetch->Wait();
        StartupTimes::MarkAt("decode_begin", m_pPrefetch->Started());
        StartupTimes::MarkAt("decode_end", m_pPrefetch->Finished());
        m_pPrefetch.reset();
    }
    StartupTimes::Mark("opened");
    return true;
}

bool CQVVesperaApp::PromptFileName(QString& path, bool open) { return PromptFileName(path, open, 0, nullptr); }

void CQVVesperaApp::UpdateCaption() {
    if (m_pMainWnd == nullptr)
        return;
    // A document without a file has the template's name for new ones.
    const bool named = m_pDocument != nullptr && !m_pDocument->GetPathName().isEmpty();
    m_pMainWnd->SetDocumentTitle(named ? m_pDocument->GetTitle() : NewDocumentName());
}

void CQVVesperaApp::OnUpdateAllViews() {
    if (m_pPreviewView != nullptr)
        m_pPreviewView->OnUpdate();
}

void CQVVesperaApp::OnUpdateResizePanel() {
    if (m_pMainWnd != nullptr)
        m_pMainWnd->UpdateResizePanel(m_pDocument.get());
    if (m_pNavigator != nullptr)
        m_pNavigator->SetDocument(m_pDocument.get());
}

// The navigator fills the panel's navigator frame and follows the preview
// view.
void CQVVesperaApp::CreateNavigator(CMainFrame& frame) {
    CResizeDlgBar* panel = frame.ResizePanel();
    QFrame* place = panel != nullptr ? panel->NavigatorFrame() : nullptr;
    if (place == nullptr || m_pPreviewView == nullptr)
        return;
    m_pNavigator = new CNavigatorWnd(*this, place);
    auto* layout = new QVBoxLayout(place);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_pNavigator);
    m_pNavigator->SetView(m_pPreviewView);
}

void CQVVesperaApp::OnDocumentOpened(const QString& path, bool opened) {
    if (opened)
        m_recentFiles.Add(path);
    UpdateCaption();
    if (m_pPreviewView != nullptr)
        m_pPreviewView->OnInitialUpdate();
    if (m_pNavigator != nullptr)
        m_pNavigator->SetDocument(m_pDocument.get());
}

void CQVVesperaApp::OnBeep() { QApplication::beep(); }

void CQVVesperaApp::OnLongWorkStarts() {
    // The pending paints and the window system's requests go out (a closed
    // dialog is unmapped, the wait cursor set); then the main window paints
    // itself whole, over whatever was exposed meanwhile. Input waits for the
    // end of the work.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    if (m_pMainWnd != nullptr && m_pMainWnd->isVisible())
        m_pMainWnd->repaint();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

bool CQVVesperaApp::PromptFileName(QString& path, bool open, int /*flags*/, int* filterIndex) {
    path.clear();
    const QString filter = DialogFilter(platform::LoadResString(open ? IDS_OPEN_FILTER : IDS_SAVE_FILTER));
    int index = filterIndex != nullptr ? *filterIndex : 0;
    const std::optional<QString> chosen = m_fileDialog ? m_fileDialog(open, filter, &index) : std::nullopt;
    if (!chosen)
        return false;
    if (chosen->isEmpty()) {
        platform::Ask(platform::PromptIcon::Warning, platform::PromptButtons::Ok,
                      platform::LoadResString(IDS_NO_FILE_CHOSEN));
        return false;
    }
    path = *chosen;
    m_dialogFolder.Remember(path);
    if (filterIndex != nullptr)
        *filterIndex = index;
    return true;
}

void CQVVesperaApp::CloseMainFrame() {
    // The frame and its panes first, then the document (its destructor
    // stops the preview worker).
    m_pPreviewView = nullptr;
    delete m_pMainWnd;
    m_pMainWnd = nullptr;
    m_pDocument.reset();
}

void CQVVesperaApp::NoteFirstPaint() {
    if (m_bFirstPaintNoted || !m_commandLine.m_bTiming)
        return;
    m_bFirstPaintNoted = true;
    StartupTimes::Mark("painted");
    std::fprintf(stderr, "first_paint_ms=%.1f\n", StartupTimes::ElapsedMs());
    StartupTimes::Print(stderr);
}

void CQVVesperaApp::RegisterCommands() {
    // The document offers File > Open first; this one serves while there is
    // no document.
    OnCommand(ID_FILE_OPEN, [this] { OnFileOpen(); });
    OnCommandRange(ID_FILE_MRU_FILE1, ID_FILE_MRU_LAST, [this](int id) { OnOpenRecentFile(id); });
    OnUpdateRange(ID_FILE_MRU_FILE1, ID_FILE_MRU_LAST,
                  [this](platform::CCmdUI& ui) { ui.Enable(ui.m_nID - ID_FILE_MRU_FILE1 < m_recentFiles.Count()); });
    OnCommand(ID_APP_EXIT, [this] {
        if (m_pMainWnd != nullptr)
            m_pMainWnd->close();
    });
}

void CQVVesperaApp::OnFileOpen() { OpenImage(QString()); }

void CQVVesperaApp::OnOpenRecentFile(int id) {
    const int index = id - ID_FILE_MRU_FILE1;
    const QString path = m_recentFiles[index];
    if (path.isEmpty())
        return;
    // A file that can no longer be opened leaves the list.
    if (!OpenDocumentFile(path))
        m_recentFiles.Remove(index);
}
