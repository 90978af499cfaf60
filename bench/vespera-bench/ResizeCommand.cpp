// vespera-bench resize IN OUT W H MODE [CROP]
// The whole-image resize of one InterpolMode (0-9) as Resize and Save runs it:
// any file the imaging layer decodes in, the format named by the output's
// extension out (.jpg, .png, .bmp, .tif, .gif, or .ppm). time_ms and
// minor_faults cover ResizeBitmap alone; binary PPM files of 8-bit samples
// are read and written directly, so the process takes little more than the
// operation.

#include <algorithm>
#include <cctype>
#include <memory>
#include <stdexcept>
#include <vector>

#include "core/resize/ResizeBitmap.h"
#include "platform/imaging/Bitmap.h"
#include "platform/imaging/BitmapLock.h"
#include "platform/imaging/ExifProperties.h"
#include "platform/imaging/ImageEncoder.h"
#include "platform/imaging/PagePrefault.h"
#include "vespera-bench/PpmBitmap.h"
#include "vespera-bench/Subcommand.h"

namespace {

std::string LowerExtension(const std::string& path) {
    const auto dot = path.find_last_of('.');
    std::string ext = dot == std::string::npos ? "" : path.substr(dot);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    return ext;
}

std::string MimeTypeOf(const std::string& path) {
    const std::string ext = LowerExtension(path);
    if (ext == ".jpg" || ext == ".jpeg")
        return "image/jpeg";
    if (ext == ".png")
        return "image/png";
    if (ext == ".bmp")
        return "image/bmp";
    if (ext == ".tif" || ext == ".tiff")
        return "image/tiff";
    if (ext == ".gif")
        return "image/gif";
    return "";
}

int RunResize(const std::vector<std::string>& args) {
    if (args.size() != 5 && args.size() != 6)
        throw std::invalid_argument("expected IN OUT W H MODE [CROP]");
    const int w = IntArgument(args[2]), h = IntArgument(args[3]), mode = IntArgument(args[4]);
    const int crop = args.size() == 6 ? IntArgument(args[5]) : 0;
    if (w <= 0 || h <= 0)
        throw std::invalid_argument("the output size must be positive");
    const std::string mime = MimeTypeOf(args[1]);
    if (mime.empty() && LowerExtension(args[1]) != ".ppm")
        throw std::invalid_argument("no encoder for " + args[1]);

    imaging::InitializeImaging();
    // Every mode writes every pixel of the target, so it is not cleared first;
    // a second thread has the kernel provide its pages while the source is
    // read, as clearing it would have, but without a pass over it.
    auto target = imaging::Bitmap::CreateUninitialised(w, h, imaging::PixelFormat24bppRGB);
    if (!target)
        throw std::runtime_error("cannot make a bitmap of that size");
    std::unique_ptr<imaging::Bitmap> source;
    {
        const auto pixels = target->LockBits({0, 0, w, h}, imaging::LockMode::Write);
        if (!pixels)
            throw std::runtime_error("cannot make a bitmap of that size");
        const imaging::PagePrefault prefault(pixels->Scan0(), static_cast<std::size_t>(pixels->Stride()) * h);
        // The direct reader takes 8-bit binary PPM; the general one every
        // other file (16-bit PPM among them).
        if (LowerExtension(args[0]) == ".ppm")
            source = ReadPpmBitmap(args[0]);
        if (!source)
            source = imaging::Bitmap::FromFile(args[0]);
    }
    if (!source)
        throw std::runtime_error("cannot decode " + args[0]);

    if (!TimeOperation([&] { return ResizeBitmap(source.get(), target.get(), mode, crop, nullptr); })) {
        std::fprintf(stderr, "resize in mode %d failed\n", mode);
        return 1;
    }
    target->SetResolution(source->HorizontalResolution(), source->VerticalResolution());
    if (mime.empty())
        WritePpmBitmap(*target, args[1]);
    else if (!imaging::SaveBitmapToFile(*target, args[1], mime, {90}))
        throw std::runtime_error("cannot write " + args[1]);
    return 0;
}

const RegisterSubcommand reg{"resize", "IN OUT W H MODE [CROP]",
                             "ResizeBitmap in one InterpolMode (0-9); any decodable input, output by extension",
                             RunResize};

}  // namespace
