// vespera-bench preview IN OUTW OUTH MODE VIEWW VIEWH [OUT]
// One preview job as the view asks for it: IN opened as the document opens
// it, the output size OUTW x OUTH, InterpolMode MODE (5-9), and the region
// seen through a VIEWW x VIEWH viewport centred on the output. time_ms covers
// the job alone (the request until the worker is idle again). OUT, when
// given, receives the region in the format its extension names (.jpg, .png,
// .bmp, .tif, .gif).

#include <algorithm>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include <QString>

#include "app/preview/PreviewGeometry.h"
#include "core/document/QVVesperaDoc.h"
#include "core/resize/InterpolMode.h"
#include "core/saving/SaveImage.h"
#include "core/settings/AppSettings.h"
#include "platform/imaging/ExifProperties.h"
#include "platform/imaging/ImageEncoder.h"
#include "vespera-bench/Subcommand.h"

namespace {

struct ViewRegions {
    imaging::Rect src;
    imaging::Rect dst;
};

// The view's mapping: the client rectangle centred on the output, then its
// source region (left and top rounded down, right and bottom up), then that
// region back at the output scale.
ViewRegions CentredViewport(int imageW, int imageH, int outW, int outH, int viewW, int viewH) {
    const PreviewMapping mapping(imageW, imageH, outW, outH, false);
    const int cw = std::min(viewW, outW), ch = std::min(viewH, outH);
    const imaging::Rect src = mapping.OutputToSource({(outW - cw) / 2, (outH - ch) / 2, cw, ch});
    return {src, mapping.SourceToOutput(src)};
}

int RunPreview(const std::vector<std::string>& args) {
    if (args.size() != 6 && args.size() != 7)
        throw std::invalid_argument("expected IN OUTW OUTH MODE VIEWW VIEWH [OUT]");
    const int outW = IntArgument(args[1]), outH = IntArgument(args[2]), mode = IntArgument(args[3]);
    const int viewW = IntArgument(args[4]), viewH = IntArgument(args[5]);
    if (outW <= 0 || outH <= 0 || viewW <= 0 || viewH <= 0)
        throw std::invalid_argument("sizes must be positive");
    if (!IsEngineMode(mode))
        throw std::invalid_argument("the preview runs the engine modes 5-9 only");
    const std::string out = args.size() == 7 ? args[6] : std::string();
    const std::string mime = out.empty() ? std::string() : MimeTypeForPath(out);
    if (!out.empty() && mime.empty())
        throw std::invalid_argument("no encoder for " + out);

    imaging::InitializeImaging();
    AppSettings settings;
    CQVVesperaDoc doc(settings);
    if (!doc.OnOpenDocument(QString::fromStdString(args[0])))
        throw std::runtime_error("cannot open " + args[0]);
    settings.m_nWidth = outW;
    settings.m_nHeight = outH;
    settings.m_nInterpolMode = mode;
    const ViewRegions view = CentredViewport(doc.ImageWidth(), doc.ImageHeight(), outW, outH, viewW, viewH);
    std::fprintf(stderr, "region=%d,%d %dx%d -> %d,%d %dx%d\n", view.src.x, view.src.y, view.src.width, view.src.height,
                 view.dst.x, view.dst.y, view.dst.width, view.dst.height);

    TimeOperation([&] {
        doc.RequestPreviewRegion(view.src, view.dst);
        doc.WaitForPreviewIdle();
        return 0;
    });
    const std::shared_ptr<const PreviewRegion> result = doc.GetPreviewResult();
    if (!result) {
        std::fprintf(stderr, "the preview job in mode %d gave no region\n", mode);
        return 1;
    }
    if (!out.empty() && !imaging::SaveBitmapToFile(*result->bitmap, out, mime, {90}))
        throw std::runtime_error("cannot write " + out);
    return 0;
}

const RegisterSubcommand reg{"preview", "IN OUTW OUTH MODE VIEWW VIEWH [OUT]",
                             "one preview job: the centred viewport's region at the output size in mode 5-9",
                             RunPreview};

}  // namespace
