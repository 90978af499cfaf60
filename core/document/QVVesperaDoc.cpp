// The document's opening, Next and Previous, and Resize and Save. The
// preview worker and its caches are in QVVesperaDocPreview.cpp.

#include "core/document/QVVesperaDoc.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include <QFileInfo>

#include "core/document/DocumentFileDialog.h"
#include "core/document/DocumentIds.h"
#include "core/document/DocumentListener.h"
#include "core/document/ImageReading.h"
#include "core/document/NeighbourImages.h"
#include "core/document/OutputSizeRule.h"
#include "core/resize/ResizeBitmap.h"
#include "core/resize/ResizeEngine.h"
#include "core/saving/SaveImage.h"
#include "core/settings/AppSettings.h"
#include "core/widgets/WaitCursor.h"
#include "engine/RSProgress.h"
#include "platform/files/LocalFileName.h"
#include "platform/files/RegularFile.h"
#include "platform/imaging/ImageEncoder.h"
#include "platform/prompt/Prompt.h"
#include "platform/resources/CommandIds.h"
#include "platform/resources/StringTable.h"
#include "res/StringIds.h"

bool g_bSaveCancelled = false;

namespace {

constexpr int kMaxErrorText = 512;

// A string-table text with its "%s" replaced by `argument`.
QString FormatString(int id, const QString& argument) {
    QString text = platform::LoadResString(id);
    const qsizetype at = text.indexOf(QStringLiteral("%s"));
    if (at >= 0)
        text.replace(at, 2, argument);
    return text;
}

void ShowMessage(const QString& text) {
    platform::Ask(platform::PromptIcon::Warning, platform::PromptButtons::Ok, text);
}

std::string LocalPath(const QString& path) { return platform::LocalFilePath(path); }

}  // namespace

CQVVesperaDoc::CQVVesperaDoc(AppSettings& settings) : CQVVesperaDoc(settings, DefaultResizeEngine()) {}

CQVVesperaDoc::CQVVesperaDoc(AppSettings& settings, const ResizeEngine& engine)
    : m_settings(settings), m_engine(engine) {
    RegisterCommands();
    m_pWorker = std::thread([this] { PreviewThreadProc(); });
}

CQVVesperaDoc::~CQVVesperaDoc() {
    {
        std::lock_guard lock(m_lock);
        ++m_nGeneration;
        m_port.reset();
    }
    RaiseStop();
    m_evQuit.Set();
    if (m_pWorker.joinable())
        m_pWorker.join();
}

void CQVVesperaDoc::RegisterCommands() {
    OnCommand(ID_FILE_OPEN, [this] { OpenImage(QString()); });
    OnCommand(ID_FILE_SAVE, [this] { OnResizeAndSave(); });
    OnUpdate(ID_FILE_SAVE, [this](platform::CCmdUI& ui) { ui.Enable(CanResizeAndSave()); });
    OnCommand(ID_NEXT_IMAGE, [this] { OnNextImage(); });
    OnUpdate(ID_NEXT_IMAGE, [this](platform::CCmdUI& ui) { ui.Enable(HasImage()); });
    OnCommand(ID_PREV_IMAGE, [this] { OnPrevImage(); });
    OnUpdate(ID_PREV_IMAGE, [this](platform::CCmdUI& ui) { ui.Enable(HasImage()); });
    OnCommand(ID_PREVIEW_READY, [this] { OnPreviewReady(); });
}

QString CQVVesperaDoc::GetTitle() const {
    return m_strPathName.isEmpty() ? QStringLiteral("Untitled")
                                   : platform::DisplayFileName(QFileInfo(m_strPathName).fileName());
}

void CQVVesperaDoc::UpdateAllViews() {
    if (m_pListener)
        m_pListener->OnUpdateAllViews();
}

void CQVVesperaDoc::UpdateViewsIfAllowed() {
    if (!m_bHoldUpdates)
        UpdateAllViews();
}

// ---------------------------------------------------------------------------
// Opening

void CQVVesperaDoc::ShowOpenError(const QString& path) const {
    if (path.isEmpty())
        return;
    QString text = FormatString(IDS_CANT_OPEN_FILE, path);
    if (const QString reason = platform::UnreachableNameReason(path); !reason.isEmpty()) {
        qWarning("%s: %s", qUtf8Printable(path), qUtf8Printable(reason));
        text += u'\n' + reason;
    }
    ShowMessage(text);
}

std::unique_ptr<imaging::Bitmap> CQVVesperaDoc::ReadPicture(const QString& path) {
    if (m_pPrefetch != nullptr) {
        if (std::unique_ptr<imaging::Bitmap> bitmap = m_pPrefetch->Take(path))
            return bitmap;
    }
    return ReadImageFile(path);
}

void CQVVesperaDoc::DropImage() {
    std::lock_guard lock(m_lock);
    m_pSource.reset();
    m_pResult.reset();
    for (auto& cache : m_pCache)
        cache.reset();
    m_rcCachedSrc = {};
    m_rcCachedDst = {};
    ++m_nGeneration;
}

bool CQVVesperaDoc::OnOpenDocument(const QString& path) {
    try {
        WaitCursor wait;
        // The running job stops and the worker is idle before the image goes.
        StopPreviewJob();
        DropImage();
        m_nImageWidth = 10;
        m_nImageHeight = 10;
        m_fImageDpi = 0.0f;

        std::unique_ptr<imaging::Bitmap> bitmap = path.isEmpty() ? nullptr : ReadPicture(path);
        if (!bitmap || bitmap->GetPixelFormat() == imaging::PixelFormatUndefined) {
            // The old image is gone: the panel shows no image, as for a
            // closed document, not the values of the one it had.
            if (m_pListener)
                m_pListener->OnUpdateResizePanel();
            ShowOpenError(path);
            return false;
        }
        m_nImageWidth = bitmap->Width();
        m_nImageHeight = bitmap->Height();
        m_fImageDpi = static_cast<float>(bitmap->HorizontalResolution());
        {
            std::lock_guard lock(m_lock);
            m_pSource = std::move(bitmap);
        }
        m_strPath = path;
        ApplyOutputSizeRule(m_settings, m_nImageWidth, m_nImageHeight, m_fImageDpi);
        if (m_pListener)
            m_pListener->OnUpdateResizePanel();
        return true;
    } catch (...) {
        return false;
    }
}

bool CQVVesperaDoc::OpenDocumentFile(const QString& path) {
    const bool opened = OnOpenDocument(path);
    // A failed open leaves an empty document behind, as a new one.
    m_strPathName = opened ? QFileInfo(path).absoluteFilePath() : QString();
    if (m_pListener)
        m_pListener->OnDocumentOpened(path, opened);
    return opened;
}

bool CQVVesperaDoc::OpenImage(const QString& path) {
    QString chosen = path;
    if (chosen.isEmpty() && (!m_pFileDialog || !m_pFileDialog->PromptFileName(chosen, true) || chosen.isEmpty()))
        return false;
    return OpenDocumentFile(chosen);
}

// ---------------------------------------------------------------------------
// Next and Previous

QString CQVVesperaDoc::FindNeighbourImage(bool previous) const {
    const QString reference = !m_strPath.isEmpty() && platform::KindOfFile(m_strPath) != platform::FileKind::Missing
                                  ? m_strPath
                                  : m_strPathName;
    return NeighbourImage(reference, previous, m_lstFailed);
}

void CQVVesperaDoc::StepImage(bool previous) {
    QString next = FindNeighbourImage(previous);
    // Files that failed during the last command are skipped by its first
    // look-up only.
    m_lstFailed.clear();
    if (next.isEmpty()) {
        if (m_pListener)
            m_pListener->OnBeep();
        return;
    }
    // A run of unreadable files is skipped in the chosen direction, each
    // showing its message once.
    while (!OpenDocumentFile(next)) {
        m_lstFailed.append(next);
        next = FindNeighbourImage(previous);
        if (next.isEmpty())
            return;
    }
}

void CQVVesperaDoc::OnNextImage() { StepImage(false); }

void CQVVesperaDoc::OnPrevImage() { StepImage(true); }

// ---------------------------------------------------------------------------
// Resize and Save

bool CQVVesperaDoc::CanResizeAndSave() const {
    return HasImage() && (m_nImageWidth != m_settings.m_nWidth || m_nImageHeight != m_settings.m_nHeight ||
                          m_fImageDpi != m_settings.m_fDpi);
}

bool CQVVesperaDoc::CheckWritable(const QString& path) const {
    const std::string local = LocalPath(path);
    std::error_code ec;
    // The open image is never its own output.
    const bool isSource = !m_strPath.isEmpty() && std::filesystem::equivalent(local, LocalPath(m_strPath), ec);
    int error = 0;
    if (!isSource) {
        // An existing file must be writable, a missing one creatable; the
        // test file goes again at once, so a cancelled or failed save leaves
        // nothing behind.
        // Without blocking: a named pipe with no reader would hold the open.
        int fd = ::open(local.c_str(), O_WRONLY | O_CLOEXEC | O_NONBLOCK);
        bool created = false;
        if (fd < 0 && errno == ENOENT) {
            fd = ::open(local.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            created = fd >= 0;
        }
        if (fd < 0) {
            error = errno;
        } else {
            ::close(fd);
            if (created)
                ::unlink(local.c_str());
            return true;
        }
    }
    QString reason =
        isSource ? QStringLiteral("The file is the open image.") : QString::fromLocal8Bit(std::strerror(error));
    reason.truncate(kMaxErrorText);
    ShowMessage(FormatString(IDS_CANT_SAVE_FILE, path) + u'\n' + reason);
    return false;
}

bool CQVVesperaDoc::CheckFormat(const QString& path) const {
    const std::string mimeType = MimeTypeForPath(LocalPath(path));
    EncoderClsid clsid;
    std::string refusal;
    if (mimeType.empty() || FindEncoderClsid(mimeType, clsid) < 0)
        refusal = "The name has no extension of an image format this program writes.";
    else
        refusal = imaging::SizeRefusal(mimeType, m_settings.m_nWidth, m_settings.m_nHeight);
    if (refusal.empty())
        return true;
    ShowMessage(FormatString(IDS_CANT_SAVE_FILE, path) + u'\n' + QString::fromStdString(refusal));
    return false;
}

bool CQVVesperaDoc::ResizeAndSave(const QString* givenPath) {
    g_bSaveCancelled = false;
    if (!m_pSource)
        return false;
    QString path = givenPath ? *givenPath : QString();
    if (!givenPath && (!m_pFileDialog || !m_pFileDialog->PromptFileName(path, false) || path.isEmpty())) {
        g_bSaveCancelled = true;
        return false;
    }
    // Each step that fails says why itself.
    if (!CheckFormat(path) || !CheckWritable(path))
        return false;

    const std::shared_ptr<const imaging::Bitmap> source = m_pSource;
    std::unique_ptr<imaging::Bitmap> output;
    if (m_settings.m_nWidth == m_nImageWidth && m_settings.m_nHeight == m_nImageHeight) {
        output = source->Clone();
    } else {
        // The wait cursor shows, and the window has painted itself, before
        // the work begins.
        WaitCursor wait;
        if (m_pListener)
            m_pListener->OnLongWorkStarts();
        output = imaging::Bitmap::Create(m_settings.m_nWidth, m_settings.m_nHeight, imaging::PixelFormat24bppRGB);
        // The resize locks a clone: the document's own bitmap stays free for
        // the preview worker.
        std::unique_ptr<imaging::Bitmap> clone = output ? source->Clone() : nullptr;
        if (!clone || !ResizeBitmap(clone.get(), output.get(), m_settings.m_nInterpolMode,
                                    m_settings.m_nCorrectProp == 1, nullptr, m_engine))
            return ResizeFailed();
    }
    if (!output)
        return ResizeFailed();
    return SaveImageWithEncoder(output.get(), LocalPath(path), 0, source.get(), m_settings.m_nJpegQuality,
                                m_settings.m_fDpi);
}

bool CQVVesperaDoc::ResizeFailed() const {
    ShowMessage(platform::LoadResString(IDS_CANT_CREATE_OUTPUT));
    return false;
}

void CQVVesperaDoc::OnResizeAndSave() {
    // The general message tells of a failed resize (memory); a step that
    // said why stands alone.
    try {
        ResizeAndSave(nullptr);
    } catch (...) {
        ResizeFailed();
    }
}
