// The document's preview worker and its region cache.
//
// The UI thread asks for the visible region (RequestPreviewRegion); a region
// the mode's cache holds, or a part of it at the same scale, is served at
// once; otherwise the running job is stopped and the worker gets the request
// as a job. The worker resizes the region with the engine on a copy of its
// source pixels, publishes the result and the mode's cache under m_lock, and
// posts ID_PREVIEW_READY.

#include <chrono>
#include <thread>

#include "core/document/DocumentListener.h"
#include "core/document/QVVesperaDoc.h"
#include "core/resize/InterpolMode.h"
#include "core/resize/ResizeEngine.h"
#include "core/settings/AppSettings.h"
#include "engine/RSProgress.h"
#include "platform/commands/BatchRunning.h"
#include "platform/commands/PostedCommand.h"
#include "platform/imaging/BitmapLock.h"
#include "platform/resources/CommandIds.h"

using imaging::Bitmap;
using imaging::Rect;

int PreviewCacheIndex(int mode) {
    switch (mode) {
    case INTERPOL_ARTIFICIAL_SCENES:
        return 0;
    case INTERPOL_NATURAL_SCENES:
        return 1;
    case INTERPOL_ADVANCED_NATURAL_SCENES:
        return 2;
    case INTERPOL_SUPERRESOLUTION:
        return 3;
    case INTERPOL_SUPERRES_ARTIFICIAL_SCENES:
        return 4;
    default:
        return -1;
    }
}

namespace {

// The engine's progress for a preview job: it also stops when the document
// drops the job, and when a batch starts (the abort flag is then the
// batch's, so the document cannot raise it).
class PreviewProgress : public CRSProgress {
public:
    explicit PreviewProgress(const std::atomic<bool>& stop) : stop_(stop) {}
    int Progress(int percent) override {
        if (stop_.load() || g_bBatchRunning.load())
            return 0;
        return CRSProgress::Progress(percent);
    }

private:
    const std::atomic<bool>& stop_;
};

bool Contains(const Rect& outer, const Rect& inner) {
    return inner.x >= outer.x && inner.y >= outer.y &&
           std::int64_t{inner.x} + inner.width <= std::int64_t{outer.x} + outer.width &&
           std::int64_t{inner.y} + inner.height <= std::int64_t{outer.y} + outer.height;
}

// Destination size per source size in whole percent, both ways.
bool SameScale(const PreviewRegion& cached, const PreviewRequest& request) {
    auto percent = [](int dst, int src) { return std::int64_t{dst} * 100 / src; };
    return percent(cached.dst.width, cached.src.width) == percent(request.dst.width, request.src.width) &&
           percent(cached.dst.height, cached.src.height) == percent(request.dst.height, request.src.height);
}

std::shared_ptr<const PreviewRegion> RegionFor(const PreviewRequest& request, std::shared_ptr<const Bitmap> bitmap) {
    auto region = std::make_shared<PreviewRegion>();
    region->bitmap = std::move(bitmap);
    region->src = request.src;
    region->dst = request.dst;
    region->mode = request.mode;
    region->outputWidth = request.outputWidth;
    region->outputHeight = request.outputHeight;
    region->generation = request.generation;
    return region;
}

}  // namespace

void CQVVesperaDoc::SetPreviewPort(std::shared_ptr<platform::CommandPort> port) {
    std::lock_guard lock(m_lock);
    m_port = std::move(port);
}

std::shared_ptr<const PreviewRegion> CQVVesperaDoc::GetPreviewResult() const {
    std::lock_guard lock(m_lock);
    return m_pResult;
}

void CQVVesperaDoc::DropPreviewResult() {
    std::lock_guard lock(m_lock);
    m_pResult.reset();
}

std::shared_ptr<const PreviewRegion> CQVVesperaDoc::CachedRegion(int mode) const {
    const int index = PreviewCacheIndex(mode);
    std::lock_guard lock(m_lock);
    return index < 0 ? nullptr : m_pCache[index];
}

void CQVVesperaDoc::OnPreviewReady() { UpdateAllViews(); }

void CQVVesperaDoc::OnBatchEnded() {
    // Requests refused and jobs stopped while the batch ran left the views
    // with their fast rendering; drawing again asks for the regions.
    if (HasImage())
        UpdateAllViews();
}

void CQVVesperaDoc::WaitForPreviewIdle() {
    for (;;) {
        {
            std::lock_guard lock(m_lock);
            if (!m_pending && m_evIdle.IsSet())
                return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

void CQVVesperaDoc::DropCaches() {
    for (auto& cache : m_pCache)
        cache.reset();
}

bool CQVVesperaDoc::ServeFromCache(const PreviewRequest& request) {
    std::shared_ptr<const PreviewRegion>& cache = m_pCache[PreviewCacheIndex(request.mode)];
    const bool sameOutput =
        cache && cache->outputWidth == request.outputWidth && cache->outputHeight == request.outputHeight;
    if (sameOutput && cache->src == request.src && cache->dst == request.dst) {
        m_pResult = RegionFor(request, cache->bitmap);
        return true;
    }
    // The last region again, in a mode not computed for it yet: a job, and
    // the other modes keep theirs.
    if (request.src == m_rcCachedSrc && request.dst == m_rcCachedDst)
        return false;
    if (sameOutput && Contains(cache->src, request.src) && Contains(cache->dst, request.dst) &&
        SameScale(*cache, request)) {
        // The cut is placed by the destination rectangles, which are both in
        // output pixels.
        const Rect cut{request.dst.x - cache->dst.x, request.dst.y - cache->dst.y, request.dst.width,
                       request.dst.height};
        std::shared_ptr<const Bitmap> part = cache->bitmap->Clone(cut, imaging::PixelFormat24bppRGB);
        if (part) {
            m_pResult = RegionFor(request, std::move(part));
            return true;
        }
        cache.reset();
        return false;
    }
    DropCaches();
    return false;
}

bool CQVVesperaDoc::RaiseStop() {
    {
        // A start the worker has not taken yet is taken back: after this no
        // job of an older request can begin.
        std::lock_guard lock(m_lock);
        m_pending.reset();
        m_evStart.ResetEvent();
    }
    m_bStopJob = true;
    // The abort flag stops the engine within a row. While a batch runs it is
    // the batch's, and the job stops at its next report instead. Both flags
    // change on the UI thread only, so the batch cannot start in between.
    if (g_bBatchRunning)
        return false;
    g_bAbortResize = 1;
    return true;
}

void CQVVesperaDoc::LowerStop(bool raisedAbort) {
    m_bStopJob = false;
    if (raisedAbort)
        g_bAbortResize = 0;
}

void CQVVesperaDoc::StopPreviewJob() {
    const bool raised = RaiseStop();
    // The job then only publishes nothing; no wait can time out into
    // freeing what it reads, and nothing it reads is freed under it.
    m_evIdle.Wait();
    LowerStop(raised);
}

void CQVVesperaDoc::RequestPreviewRegion(const Rect& src, const Rect& dst) {
    PreviewRequest request;
    request.source = m_pSource;
    request.src = src;
    request.dst = dst;
    request.mode = m_settings.m_nInterpolMode;
    request.outputWidth = m_settings.m_nWidth;
    request.outputHeight = m_settings.m_nHeight;
    if (!request.source || !IsEngineMode(request.mode) || !src.InsideOf(m_nImageWidth, m_nImageHeight) ||
        !dst.InsideOf(request.outputWidth, request.outputHeight))
        return;

    bool served;
    {
        std::lock_guard lock(m_lock);
        // From here on a result of any earlier request is out of date.
        request.generation = ++m_nGeneration;
        served = ServeFromCache(request);
        if (served) {
            m_pending.reset();
            m_evStart.ResetEvent();
        }
    }
    if (served) {
        m_bStopJob = true;  // a job still running is of no use; the next request waits for it
        UpdateAllViews();
        return;
    }
    // While a batch runs the engine belongs to it: no job and no abort flag.
    if (g_bBatchRunning)
        return;
    StopPreviewJob();

    if (dst.width == src.width && dst.height == src.height) {
        // 100 %: the image's own pixels, without the engine.
        imaging::PixelFormat format = request.source->GetPixelFormat();
        if (format == imaging::PixelFormatUndefined || format == imaging::PixelFormat16bppGrayScale)
            format = imaging::PixelFormat24bppRGB;
        std::shared_ptr<const Bitmap> clone = request.source->Clone(src, format);
        {
            std::lock_guard lock(m_lock);
            if (clone)
                m_pResult = RegionFor(request, clone);
            m_rcCachedSrc = src;
            m_rcCachedDst = dst;
        }
        if (clone)
            UpdateAllViews();
        return;
    }

    {
        std::lock_guard lock(m_lock);
        m_rcPendingSrc = src;
        m_rcPendingDst = dst;
        m_pending = std::move(request);
    }
    m_evStart.Set();
}

void CQVVesperaDoc::PreviewThreadProc() {
    while (platform::WaitForEvents({&m_evStart, &m_evQuit}) == 0) {
        std::optional<PreviewRequest> job;
        {
            std::lock_guard lock(m_lock);
            job.swap(m_pending);
            // A request that slipped in as a batch began waits for the batch's
            // end (OnBatchEnded), when the views ask again.
            if (job && g_bBatchRunning)
                job.reset();
            if (job)
                m_evIdle.ResetEvent();
        }
        if (!job)
            continue;
        try {
            ComputePreviewRegion(*job);
        } catch (...) {
            // A failed job leaves no result; the view keeps its fast rendering.
        }
        m_evIdle.Set();
    }
}

void CQVVesperaDoc::ComputePreviewRegion(const PreviewRequest& job) {
    const Rect& src = job.src;
    if ((src.width <= 2 && src.height <= 2) || !IsEngineMode(job.mode) || !job.source)
        return;
    // The job reads its own copy of the region; the shared source is never
    // locked.
    std::unique_ptr<Bitmap> region = job.source->Clone(src, imaging::PixelFormat24bppRGB);
    std::unique_ptr<Bitmap> result = Bitmap::Create(job.dst.width, job.dst.height, imaging::PixelFormat24bppRGB);
    if (!region || !result)
        return;
    auto in = region->LockBits({0, 0, src.width, src.height}, imaging::LockMode::Read);
    auto out = result->LockBits({0, 0, job.dst.width, job.dst.height}, imaging::LockMode::Write);
    if (!in || !out)
        return;

    EngineCall call;
    call.dst = out->Scan0();
    call.dstStride = static_cast<int>(out->Stride());
    call.src = in->Scan0();
    call.srcStride = static_cast<int>(in->Stride());
    call.dstW = job.dst.width;
    call.dstH = job.dst.height;
    call.srcW = src.width;
    call.srcH = src.height;
    SetModeArguments(job.mode, call);

    int done;
    {
        PreviewProgress progress(m_bStopJob);
        call.progress = &progress;
        done = RunEngineMode(m_engine, job.mode, call);
    }
    in->Unlock();
    const bool written = out->Unlock();
    if (done != 1 || !written)
        return;
    PublishResult(job, std::move(result));
}

void CQVVesperaDoc::PublishResult(const PreviewRequest& job, std::shared_ptr<const Bitmap> bitmap) {
    std::shared_ptr<platform::CommandPort> port;
    {
        std::lock_guard lock(m_lock);
        // A newer request or another image came meanwhile: this result would
        // answer a question nobody asks any more.
        if (job.generation != m_nGeneration)
            return;
        std::shared_ptr<const PreviewRegion> region = RegionFor(job, std::move(bitmap));
        m_pResult = region;
        m_pCache[PreviewCacheIndex(job.mode)] = region;
        m_rcCachedSrc = job.src;
        m_rcCachedDst = job.dst;
        port = m_port;
    }
    if (port)
        port->Post(ID_PREVIEW_READY);
}
