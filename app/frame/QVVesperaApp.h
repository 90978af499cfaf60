#pragma once
// The application object: the settings, the start-up and the shut-down of the
// single-document program, the opening of images by path or through the file
// dialog, and the application's own commands (File > Open, the recent files,
// Exit).
//
// One object lives for the program's run (main makes it and hands it to
// whoever needs it). InitInstance returns false when the start ends without a window; the
// caller then runs ExitInstance at once, else after the event loop.

#include "app/frame/CommandLineInfo.h"
#include "app/frame/DialogFolder.h"
#include "app/frame/MainFrame.h"
#include "app/frame/RecentFileList.h"
#include "app/preview/NavigatorWnd.h"
#include "browser/tabstops/TabstopNavigator.h"
#include "core/document/DocumentFileDialog.h"
#include "core/document/DocumentListener.h"
#include "core/settings/AppSettings.h"
#include "platform/commands/CmdTarget.h"
#include "platform/profile/ProfileStore.h"

#include <QPointer>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

class CQVVesperaView;
class CQVVesperaDoc;
struct ResizeEngine;
class ImagePrefetch;

namespace help {
class HelpCommands;
}
namespace presets {
class PresetCommands;
}
namespace update {
class UpdateCommands;
}

class CQVVesperaApp : public platform::CmdTarget,
                      public AppSettings,
                      private DocumentListener,
                      private DocumentFileDialog {
public:
    // The file dialog: open or save mode, the filter in the dialog's own
    // form, the 1-based filter index to start with (0 the first) and to
    // return. Gives the chosen path, an empty one for OK without a name, or
    // nothing when cancelled.
    using FileDialog = std::function<std::optional<QString>(bool open, const QString& filter, int* filterIndex)>;

    CQVVesperaApp();
    ~CQVVesperaApp() override;
    CQVVesperaApp(const CQVVesperaApp&) = delete;
    CQVVesperaApp& operator=(const CQVVesperaApp&) = delete;

    // The application's own commands, then those of the settings files, the
    // update check and the Help menu.
    bool OnCmdMsg(int id, platform::CCmdUI* ui) override;

    // `arguments` without the program's name.
    bool InitInstance(const QStringList& arguments);
    // Writes the settings back (once) and ends what the start began.
    int ExitInstance();

    // Opens `path` as the document; an empty path asks for one first.
    bool OpenImage(const QString& path);
    // Opens `path` (empty: a new empty document) and updates the views.
    bool OpenDocumentFile(const QString& path);
    // The file dialog of File > Open (open) and Resize and Save (save). False
    // when cancelled, or confirmed without a name ("Can't open file!").
    bool PromptFileName(QString& path, bool open, int flags, int* filterIndex);

    // Destroys the main frame (its panes store their sizes) and then the
    // document. Safe to call more than once.
    void CloseMainFrame();

    CMainFrame* m_pMainWnd = nullptr;
    unsigned m_nWindowsVersion = 0;

    CRecentFileList& RecentFiles() { return m_recentFiles; }
    platform::ProfileStore& Profile() { return *m_pProfile; }
    const CMyCommandLineInfo& CommandLine() const { return m_commandLine; }

    // The open document (made with the main frame), or null.
    CQVVesperaDoc* GetDocument() const { return m_pDocument.get(); }
    // The preview view of row 0, or null when the context gave another view.
    CQVVesperaView* GetPreviewView() const { return m_pPreviewView; }
    // The navigator laid over the resize panel's navigator frame, or null.
    CNavigatorWnd* GetNavigator() const { return m_pNavigator; }

    // The panes that the frame's splitter gets; the default shows the
    // preview in row 0 and an empty basket row.
    CMainFrame::CreateContext m_frameContext;
    // The file dialog; the default is the desktop's, started in the folder
    // of the last file chosen in it (DialogFolder).
    FileDialog m_fileDialog;
    // Writes (true) or deletes (false) the plug-in description file for the
    // register switches; none installed: nothing to write.
    std::function<bool(bool install)> m_registerPlugin;
    // Shows the main window; the default maximises it.
    std::function<void(CMainFrame&)> m_showMainWindow;
    // The engine of the document's resizes; none: the engine itself.
    const ResizeEngine* m_resizeEngine = nullptr;
    // Run on the worker that reads the command line's picture, before it
    // reads (tests hold it there); none by default.
    std::function<void()> m_beforePrefetchRead;

    // Prints "first_paint_ms=N" (from the program's entry) and the start-up's
    // marks on standard error once, when --timing was given; called by the
    // view that paints the first picture.
    void NoteFirstPaint();

private:
    // What the document tells the windows.
    void OnUpdateAllViews() override;
    void OnUpdateResizePanel() override;
    void OnDocumentOpened(const QString& path, bool opened) override;
    void OnBeep() override;
    void OnLongWorkStarts() override;
    // The document's file dialogs are the application's.
    bool PromptFileName(QString& path, bool open) override;

    void UpdateCaption();
    bool ProcessShellCommand();
    void StopThumbnails() noexcept;
    bool CreateMainFrame();
    void RegisterCommands();
    void OnFileOpen();
    void OnOpenRecentFile(int id);
    void CreateNavigator(CMainFrame& frame);
    // Opens the command line's picture, taking it from the prefetch; false
    // when the window was closed while the picture decoded.
    bool OpenPrefetchedImage(const QString& path);

    // Made first and ended last: the panes register with it as they are made.
    std::unique_ptr<CTabstopNavigator> m_pTabstops;
    CMyCommandLineInfo m_commandLine;
    std::unique_ptr<CQVVesperaDoc> m_pDocument;
    CQVVesperaView* m_pPreviewView = nullptr;
    QPointer<CNavigatorWnd> m_pNavigator;
    std::unique_ptr<presets::PresetCommands> m_pPresetCommands;
    std::unique_ptr<update::UpdateCommands> m_pUpdateCommands;
    std::unique_ptr<help::HelpCommands> m_pHelpCommands;
    std::unique_ptr<platform::ProfileStore> m_pProfile;
    CRecentFileList m_recentFiles{4};
    // Where the file dialogs start.
    DialogFolder m_dialogFolder;
    // The recent files and the dialogs' folder were read (and are written
    // back at exit).
    bool m_bRecentFilesRead = false;
    bool m_bSettingsRead = false;
    bool m_bExited = false;
    bool m_bThumbnailsStarted = false;
    bool m_bFirstPaintNoted = false;
    // The picture of the command line, read while the window is built.
    std::unique_ptr<ImagePrefetch> m_pPrefetch;
};
