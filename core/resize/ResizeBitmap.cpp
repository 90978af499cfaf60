#include "core/resize/ResizeBitmap.h"

#include <cstdint>
#include <cstring>
#include <memory>

#include "core/resize/InterpolMode.h"
#include "core/resize/ResizeEngine.h"
#include "platform/imaging/Bitmap.h"
#include "platform/imaging/BitmapLock.h"
#include "platform/imaging/DrawImage.h"

using imaging::Bitmap;
using imaging::LockMode;

namespace {

// Copies the centre of the intermediate into the whole target.
int CentreCut(Bitmap& intermediate, Bitmap& target) {
    const int interW = intermediate.Width(), interH = intermediate.Height();
    const int tgtW = target.Width(), tgtH = target.Height();
    const int x0 = (interW - tgtW) / 2, y0 = (interH - tgtH) / 2;
    if (x0 < 0 || y0 < 0)
        return 0;
    auto from = intermediate.LockBits({x0, y0, tgtW, tgtH}, LockMode::Read);
    if (!from)
        return 0;
    auto to = target.LockBits({0, 0, tgtW, tgtH}, LockMode::Write);
    if (!to)
        return 0;
    const std::size_t rowBytes = static_cast<std::size_t>(tgtW) * 3;
    for (int r = 0; r < tgtH; ++r)
        std::memcpy(to->Scan0() + r * to->Stride(), from->Scan0() + r * from->Stride(), rowBytes);
    from->Unlock();
    return to->Unlock() ? 1 : 0;
}

int RunEngine(Bitmap& source, Bitmap& work, int mode, CRSProgress* progress, const ResizeEngine& engine) {
    auto src = source.LockBits({0, 0, source.Width(), source.Height()}, LockMode::Read);
    if (!src)
        return 0;
    auto dst = work.LockBits({0, 0, work.Width(), work.Height()}, LockMode::Write);
    if (!dst)
        return 0;
    EngineCall call;
    call.dst = dst->Scan0();
    call.dstStride = static_cast<int>(dst->Stride());
    call.src = src->Scan0();
    call.srcStride = static_cast<int>(src->Stride());
    call.dstW = work.Width();
    call.dstH = work.Height();
    call.srcW = source.Width();
    call.srcH = source.Height();
    call.progress = progress;
    SetModeArguments(mode, call);
    const int result = RunEngineMode(engine, mode, call);
    src->Unlock();
    return dst->Unlock() ? result : 0;
}

}  // namespace

bool CoveringSize(int srcW, int srcH, int tgtW, int tgtH, int& interW, int& interH) {
    const std::int64_t sw = srcW, sh = srcH, tw = tgtW, th = tgtH;
    std::int64_t w, h;
    if (th * sw < tw * sh) {
        w = tw;
        h = tw * sh / sw;
    } else {
        w = th * sw / sh;
        h = th;
    }
    if (w > imaging::kMaxBitmapSide || h > imaging::kMaxBitmapSide)
        return false;
    interW = static_cast<int>(w);
    interH = static_cast<int>(h);
    return true;
}

int ResizeBitmap(Bitmap* source, Bitmap* target, int mode, int crop, CRSProgress* progress) {
    return ResizeBitmap(source, target, mode, crop, progress, DefaultResizeEngine());
}

int ResizeBitmap(Bitmap* source, Bitmap* target, int mode, int crop, CRSProgress* progress,
                 const ResizeEngine& engine) {
    if (!source || !target || source == target || (!IsDrawingMode(mode) && !IsEngineMode(mode)))
        return 0;
    const int srcW = source->Width(), srcH = source->Height();

    std::unique_ptr<Bitmap> intermediate;
    Bitmap* work = target;
    if (crop) {
        int interW = 0, interH = 0;
        if (!CoveringSize(srcW, srcH, target->Width(), target->Height(), interW, interH))
            return 0;
        intermediate = Bitmap::Create(interW, interH, imaging::PixelFormat24bppRGB);
        if (!intermediate)
            return 0;
        work = intermediate.get();
    }

    int result;
    if (IsEngineMode(mode)) {
        result = RunEngine(*source, *work, mode, progress, engine);
    } else {
        // Drawing reports nothing and cannot be stopped.
        result = imaging::DrawImage(*work, {0, 0, work->Width(), work->Height()}, *source, {0, 0, srcW, srcH},
                                    DrawingInterpolation(mode))
                     ? 1
                     : 0;
    }
    if (result == 1 && crop)
        result = CentreCut(*intermediate, *target);
    return result;
}
