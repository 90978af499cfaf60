#pragma once
// The image document: the open image, the output size it sets in the
// settings, Next and Previous through its folder, Resize and Save, and the
// preview worker that resizes the visible region with the engine in the
// background, with a cache of regions per engine mode.
//
// The document lives on the UI thread and knows no window: it tells the
// windows above it through a DocumentListener, asks for paths through a
// DocumentFileDialog, shows messages through platform::Ask and posts
// ID_PREVIEW_READY through the CommandPort the frame hands it (the frame's
// handler then calls OnPreviewReady on the UI thread). Commands: ID_FILE_OPEN,
// ID_FILE_SAVE (Resize and Save), ID_NEXT_IMAGE, ID_PREV_IMAGE,
// ID_PREVIEW_READY.
//
// Threads. The open image is an immutable shared bitmap. A preview job gets a
// copy of its request (the source bitmap, the regions, the mode, the output
// size and a generation number) and works only on that, so opening another
// image or destroying the document never frees what a job still reads. Every
// request and every open starts a new generation; a result of an older one is
// dropped. The worker thread is joined by the destructor.
//
// While a batch runs (g_bBatchRunning) the engine's abort flag belongs to the
// batch: the document starts no preview job and never touches the flag; jobs
// already running stop at their next report. OnBatchEnded lets the views ask
// again.

#include <QString>
#include <QStringList>

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "core/document/PreviewRegion.h"
#include "platform/commands/CmdTarget.h"
#include "platform/imaging/Bitmap.h"
#include "platform/imaging/Geometry.h"
#include "platform/threads/Event.h"

class AppSettings;
class DocumentFileDialog;
class DocumentListener;
class ImagePrefetch;
struct ResizeEngine;

namespace platform {
class CommandPort;
}

// Set when the user cancelled the save dialog of the last Resize and Save.
extern bool g_bSaveCancelled;

class CQVVesperaDoc : public platform::CmdTarget {
public:
    // The settings are read and written on the UI thread only. `engine` is
    // the table of engine entry points the preview runs (tests put stand-ins
    // there); it must outlive the document.
    explicit CQVVesperaDoc(AppSettings& settings);
    CQVVesperaDoc(AppSettings& settings, const ResizeEngine& engine);
    ~CQVVesperaDoc() override;
    CQVVesperaDoc(const CQVVesperaDoc&) = delete;
    CQVVesperaDoc& operator=(const CQVVesperaDoc&) = delete;

    // Wiring, on the UI thread. The listener and the dialog must outlive the
    // document or be replaced by nullptr first.
    void SetListener(DocumentListener* listener) { m_pListener = listener; }
    void SetFileDialog(DocumentFileDialog* dialog) { m_pFileDialog = dialog; }
    // Where the worker posts ID_PREVIEW_READY; nullptr posts nothing.
    void SetPreviewPort(std::shared_ptr<platform::CommandPort> port);
    // A picture being read ahead (not owned; nullptr: none). Opening takes
    // it instead of reading the file when it is of the same, unchanged file.
    void SetPrefetch(ImagePrefetch* prefetch) { m_pPrefetch = prefetch; }

    // Opening. OnOpenDocument reads and decodes the file and applies the
    // output size rule; on failure it shows "Can't open file\n%s!" and the
    // document holds no image. OpenDocumentFile also sets the path name and
    // tells the listener. OpenImage with an empty path asks for one first.
    bool OnOpenDocument(const QString& path);
    bool OpenDocumentFile(const QString& path);
    bool OpenImage(const QString& path);

    bool HasImage() const { return m_pSource != nullptr; }
    // The open image (null when none). The bitmap is immutable: whoever
    // keeps it may read it on any thread.
    std::shared_ptr<const imaging::Bitmap> GetSource() const { return m_pSource; }
    int ImageWidth() const { return m_nImageWidth; }
    int ImageHeight() const { return m_nImageHeight; }
    float ImageDpi() const { return m_fImageDpi; }
    // The path the image was read from (kept through a failed open).
    const QString& ImagePath() const { return m_strPath; }
    // The framework's path name and title (the file name, or "Untitled").
    const QString& GetPathName() const { return m_strPathName; }
    QString GetTitle() const;

    // Next and Previous.
    QString FindNeighbourImage(bool previous) const;
    void OnNextImage();
    void OnPrevImage();

    // Resize and Save. ResizeAndSave with null asks for the path.
    void OnResizeAndSave();
    bool ResizeAndSave(const QString* path);
    // Resize and Save is enabled: an image is open and its size or resolution
    // differs from the output's.
    bool CanResizeAndSave() const;

    void UpdateAllViews();
    // UpdateAllViews unless m_bHoldUpdates is set (the resize panel's spin
    // arrows).
    void UpdateViewsIfAllowed();
    bool m_bHoldUpdates = false;

    // The preview. RequestPreviewRegion (UI thread, for InterpolMode 5-9):
    // the region `src` of the image, shown at `dst` in output pixels, at the
    // output size and mode of the settings. Served from the mode's cache when
    // it can be, else computed by the worker.
    void RequestPreviewRegion(const imaging::Rect& src, const imaging::Rect& dst);
    // The current result (null when none), for drawing on the UI thread.
    std::shared_ptr<const PreviewRegion> GetPreviewResult() const;
    // The view drops a result it no longer shows.
    void DropPreviewResult();
    // ID_PREVIEW_READY reached the UI thread: the views redraw.
    void OnPreviewReady();
    // The batch run has ended (g_bBatchRunning cleared): the views ask for
    // their regions again.
    void OnBatchEnded();

    // For tests and the benchmark: blocks until the worker has no job.
    void WaitForPreviewIdle();
    // The region a mode's cache holds (null when none).
    std::shared_ptr<const PreviewRegion> CachedRegion(int mode) const;

private:
    void RegisterCommands();
    void ShowOpenError(const QString& path) const;
    std::unique_ptr<imaging::Bitmap> ReadPicture(const QString& path);
    void DropImage();
    void StepImage(bool previous);
    bool CheckWritable(const QString& path) const;
    // Whether the output's format can hold the image: a name without an
    // image format's extension, or a size the format cannot hold, is said
    // at once, before any work.
    bool CheckFormat(const QString& path) const;
    // Says that the output image could not be made (memory); false.
    bool ResizeFailed() const;

    // The preview machinery (PreviewThreadProc on the worker thread).
    void PreviewThreadProc();
    void ComputePreviewRegion(const PreviewRequest& job);
    bool ServeFromCache(const PreviewRequest& request);
    void DropCaches();
    // Stops the running job and waits until the worker is idle. RaiseStop
    // and LowerStop are its two halves (the destructor joins in between).
    void StopPreviewJob();
    bool RaiseStop();
    void LowerStop(bool raisedAbort);
    void PublishResult(const PreviewRequest& job, std::shared_ptr<const imaging::Bitmap> bitmap);

    AppSettings& m_settings;
    const ResizeEngine& m_engine;
    DocumentListener* m_pListener = nullptr;
    DocumentFileDialog* m_pFileDialog = nullptr;
    ImagePrefetch* m_pPrefetch = nullptr;

    // UI thread.
    std::shared_ptr<const imaging::Bitmap> m_pSource;
    int m_nImageWidth = 10;
    int m_nImageHeight = 10;
    float m_fImageDpi = 0.0f;
    QString m_strPath;
    QString m_strPathName;
    QStringList m_lstFailed;

    // Shared with the worker, under m_lock.
    mutable std::mutex m_lock;
    std::shared_ptr<const PreviewRegion> m_pResult;
    std::array<std::shared_ptr<const PreviewRegion>, kPreviewCacheCount> m_pCache;
    imaging::Rect m_rcCachedSrc;  // the last region computed or cloned
    imaging::Rect m_rcCachedDst;
    std::optional<PreviewRequest> m_pending;  // the job the worker takes next
    imaging::Rect m_rcPendingSrc;             // the last request for a job
    imaging::Rect m_rcPendingDst;
    std::uint64_t m_nGeneration = 0;
    std::shared_ptr<platform::CommandPort> m_port;

    // The hand-shake: start (a job is waiting), quit (end the worker), idle
    // (manual reset: no job running).
    platform::Event m_evStart{platform::Event::Reset::Automatic};
    platform::Event m_evQuit{platform::Event::Reset::Automatic};
    platform::Event m_evIdle{platform::Event::Reset::Manual, true};
    // Stops the running job at its next report, whoever owns the abort flag.
    std::atomic<bool> m_bStopJob{false};

    std::thread m_pWorker;  // last: starts once everything above exists
};
