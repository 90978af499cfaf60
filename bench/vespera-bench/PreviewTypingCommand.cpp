// vespera-bench preview-typing IN MODE VIEWW VIEWH KEYMS PERCENT...
// Typing a size into the resize panel, key by key, while the preview works:
// IN opened as the document opens it, InterpolMode MODE (5-9), and for each
// PERCENT in turn (the sizes the keys give: 1 15 150 for "150") the output
// set to that percentage and the region of a VIEWW x VIEWH viewport centred
// on it requested, as the view does when it paints a new size. The keys
// come KEYMS apart; a key that comes while the UI thread is still busy with
// the previous one waits. key_ms=N for each key is how long after its key
// the UI thread got to it (it paints the new size then), and time_ms the
// same for the last key: the delay from the last key to the view showing
// the latest size. engine_ms is the time from the last key to the engine's
// region of the latest size.

#include <chrono>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include <QString>

#include "app/preview/PreviewGeometry.h"
#include "core/document/PreviewRegion.h"
#include "core/document/QVVesperaDoc.h"
#include "core/resize/InterpolMode.h"
#include "core/settings/AppSettings.h"
#include "platform/imaging/ExifProperties.h"
#include "vespera-bench/Subcommand.h"

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

int RunPreviewTyping(const std::vector<std::string>& args) {
    if (args.size() < 6)
        throw std::invalid_argument("expected IN MODE VIEWW VIEWH KEYMS PERCENT...");
    const int mode = IntArgument(args[1]), viewW = IntArgument(args[2]), viewH = IntArgument(args[3]);
    const int keyMs = IntArgument(args[4]);
    if (!IsEngineMode(mode) || viewW <= 0 || viewH <= 0 || keyMs < 0)
        throw std::invalid_argument("mode 5-9, a positive viewport and KEYMS 0 or more");

    imaging::InitializeImaging();
    AppSettings settings;
    CQVVesperaDoc doc(settings);
    if (!doc.OnOpenDocument(QString::fromStdString(args[0])))
        throw std::runtime_error("cannot open " + args[0]);
    settings.m_nInterpolMode = mode;
    const int imageW = doc.ImageWidth(), imageH = doc.ImageHeight();

    const Clock::time_point start = Clock::now();
    Clock::time_point lastKey;
    double lastDelay = 0;
    for (std::size_t i = 5; i < args.size(); ++i) {
        const double percent = DoubleArgument(args[i]);
        const Clock::time_point key = start + std::chrono::milliseconds(keyMs * static_cast<int>(i - 5));
        std::this_thread::sleep_until(key);
        const double delay = Ms(Clock::now() - key);
        std::fprintf(stderr, "key_ms=%.1f\n", delay);
        lastKey = key;
        lastDelay = delay;
        settings.m_nWidth = std::max(3, static_cast<int>(imageW * percent / 100));
        settings.m_nHeight = std::max(3, static_cast<int>(imageH * percent / 100));
        const PreviewMapping mapping(imageW, imageH, settings.m_nWidth, settings.m_nHeight, false);
        const int cw = std::min(viewW, settings.m_nWidth), ch = std::min(viewH, settings.m_nHeight);
        const imaging::Rect src =
            mapping.OutputToSource({(settings.m_nWidth - cw) / 2, (settings.m_nHeight - ch) / 2, cw, ch});
        doc.RequestPreviewRegion(src, mapping.SourceToOutput(src));
    }
    std::fprintf(stderr, "time_ms=%.1f\n", lastDelay);
    doc.WaitForPreviewIdle();
    const std::shared_ptr<const PreviewRegion> result = doc.GetPreviewResult();
    if (!result || result->outputWidth != settings.m_nWidth) {
        std::fprintf(stderr, "no region of the latest size\n");
        return 1;
    }
    std::fprintf(stderr, "engine_ms=%.1f\n", Ms(Clock::now() - lastKey));
    return 0;
}

const RegisterSubcommand reg{"preview-typing", "IN MODE VIEWW VIEWH KEYMS PERCENT...",
                             "sizes typed key by key while the preview works: the delay from each key to the view",
                             RunPreviewTyping};

}  // namespace
