// vespera-bench batch OUTDIR W H MODE FORMAT FILE...
// Runs the batch worker without a window over the FILEs into OUTDIR, with one
// setting for all: W x H pixels (H 0 keeps each source's aspect, from its
// header), InterpolMode MODE, output FORMAT as Batch Settings numbers it
// (0 as the source, 1 JPEG, 2 TIFF, 3 BMP, 4 PNG), overwriting, JPEG
// quality 90 (VESPERA_QUALITY=N for another), 96 dpi, as many items in
// flight as the worker chooses (VESPERA_IN_FLIGHT=N for N). Prints each
// report's log text on standard output, and time_ms for the whole run and
// peak_rss_mb, the process's peak resident memory, on standard error.

#include <sys/resource.h>

#include <QString>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <stdexcept>

#include "batch/BatchLog.h"
#include "batch/BatchWorker.h"
#include "core/settings/AppSettings.h"
#include "imagefiles/PixelFormatProbe.h"
#include "platform/imaging/ExifProperties.h"
#include "vespera-bench/Subcommand.h"

namespace {

class PrintingReporter : public IBatchReporter {
public:
    void ReportFile(const BatchReport& report) override {
        std::fputs(BatchLogText(report).toUtf8().constData(), stdout);
        if (report.status == BATCH_ITEM_NO_OUTPUT_FOLDER)
            std::fputs("\n", stdout);
        if (report.status != BATCH_ITEM_STARTED && report.status != BATCH_ITEM_SKIPPED)
            ++failures;
    }
    void BatchFinished() override { std::fflush(stdout); }
    int failures = 0;
};

// The height that keeps the source's aspect at width w, from its header.
int AspectHeight(const QString& path, int w) {
    // The header alone, read without blocking on what is no regular file.
    const std::optional<imaging::ImageHeader> header = ProbeImageFileHeader(path);
    if (!header || header->width <= 0 || header->height <= 0)
        return 0;
    return static_cast<int>((static_cast<long long>(w) * header->height + header->width / 2) / header->width);
}

int RunBatchCommand(const std::vector<std::string>& args) {
    if (args.size() < 6)
        throw std::invalid_argument("expected OUTDIR W H MODE FORMAT FILE...");
    const int w = IntArgument(args[1]), h = IntArgument(args[2]);
    const int mode = IntArgument(args[3]), format = IntArgument(args[4]);
    if (w <= 0 || h < 0)
        throw std::invalid_argument("W must be positive and H 0 or more");
    const char* quality = std::getenv("VESPERA_QUALITY");
    const char* inFlight = std::getenv("VESPERA_IN_FLIGHT");

    AppSettings settings;
    settings.m_fDpi = 96.0f;
    settings.m_nInterpolMode = mode;
    settings.m_nCorrectProp = 0;
    BatchRun run;
    run.options.outFolder = QString::fromStdString(args[0]);
    if (!run.options.outFolder.endsWith(u'/'))
        run.options.outFolder += u'/';
    run.options.overwriteMethod = 1;
    run.options.outFormat = format;
    run.options.jpegQuality = quality && *quality ? IntArgument(quality) : 90;
    run.itemsInFlight = inFlight && *inFlight ? IntArgument(inFlight) : 0;
    for (std::size_t i = 5; i < args.size(); ++i) {
        CItem item(settings, QString::fromStdString(args[i]));
        item.m_nTargetWidth = w;
        item.m_nTargetHeight = h > 0 ? h : AspectHeight(item.m_strPath, w);
        run.items.push_back(std::move(item));
    }
    imaging::InitializeImaging();
    PrintingReporter reporter;
    TimeOperation([&] { return BatchThreadProc(run, reporter, nullptr); });
    rusage usage{};
    if (::getrusage(RUSAGE_SELF, &usage) == 0)
        std::fprintf(stderr, "peak_rss_mb=%.1f\n", static_cast<double>(usage.ru_maxrss) / 1024.0);
    return reporter.failures == 0 ? 0 : 1;
}

const RegisterSubcommand reg{"batch", "OUTDIR W H MODE FORMAT FILE...",
                             "the batch worker over FILEs with one setting for all (H 0 keeps the aspect)",
                             RunBatchCommand};

}  // namespace
