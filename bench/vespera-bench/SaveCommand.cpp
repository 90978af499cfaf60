// vespera-bench save IN OUT W H MODE QUALITY DPI
// Resize and Save on one file: decode the whole file from memory, resize a
// clone into a 24-bit target with ResizeBitmap (MODE is the InterpolMode),
// and write it with SaveImageWithEncoder (format by OUT's extension, the
// source's metadata, the rebuilt thumbnail, QUALITY for JPEG, DPI). Reading
// IN into memory is not timed; time_ms covers decode, resize and save, and
// decode_ms, resize_ms and save_ms the three steps.
//
// vespera-bench exif-thumbs BOX FILE...
// Reads the embedded EXIF thumbnail of every .JPG (or .TIF) file, fitted
// into a BOX x BOX box; prints how many were found and thumbs_per_s.

#include <chrono>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/resize/ResizeBitmap.h"
#include "core/saving/SaveImage.h"
#include "imagefiles/ExifThumbnail.h"
#include "platform/imaging/Bitmap.h"
#include "platform/imaging/ExifProperties.h"
#include "vespera-bench/Subcommand.h"

namespace {

using Clock = std::chrono::steady_clock;

double Milliseconds(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

std::vector<std::uint8_t> ReadInput(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot open " + path);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

int RunSave(const std::vector<std::string>& args) {
    if (args.size() != 7)
        throw std::invalid_argument("expected IN OUT W H MODE QUALITY DPI");
    const int w = IntArgument(args[2]), h = IntArgument(args[3]), mode = IntArgument(args[4]);
    const int quality = IntArgument(args[5]);
    const double dpi = DoubleArgument(args[6]);
    if (w <= 0 || h <= 0)
        throw std::invalid_argument("the output size must be positive");
    imaging::InitializeImaging();
    const std::vector<std::uint8_t> file = ReadInput(args[0]);

    const auto start = Clock::now();
    auto source = imaging::Bitmap::FromMemory(file);
    if (!source) {
        std::fprintf(stderr, "cannot decode %s\n", args[0].c_str());
        return 1;
    }
    const auto decoded = Clock::now();
    std::unique_ptr<imaging::Bitmap> target;
    if (w == source->Width() && h == source->Height()) {
        target = source->Clone();
    } else {
        auto clone = source->Clone();
        target = imaging::Bitmap::Create(w, h, imaging::PixelFormat24bppRGB);
        if (!clone || !target || !ResizeBitmap(clone.get(), target.get(), mode, 0, nullptr)) {
            std::fprintf(stderr, "resize in mode %d failed\n", mode);
            return 1;
        }
    }
    const auto resized = Clock::now();
    std::string why;
    const bool saved =
        SaveImageWithEncoder(target.get(), args[1], 1, source.get(), quality, static_cast<float>(dpi), &why);
    const auto end = Clock::now();
    std::fprintf(stderr, "decode_ms=%.1f\nresize_ms=%.1f\nsave_ms=%.1f\ntime_ms=%.1f\n", Milliseconds(start, decoded),
                 Milliseconds(decoded, resized), Milliseconds(resized, end), Milliseconds(start, end));
    if (!saved) {
        if (why.empty() && MimeTypeForPath(args[1]).empty())
            why = "no encoder for its extension";
        std::fprintf(stderr, "cannot save %s: %s\n", args[1].c_str(), why.empty() ? "the encoder failed" : why.c_str());
        return 1;
    }
    return 0;
}

int RunExifThumbs(const std::vector<std::string>& args) {
    if (args.size() < 2)
        throw std::invalid_argument("expected BOX FILE...");
    const int box = IntArgument(args[0]);
    int found = 0;
    const auto start = Clock::now();
    for (std::size_t i = 1; i < args.size(); ++i) {
        ThumbnailBox fitted{box, box};
        int imageW = 0, imageH = 0;
        try {
            PackedDib dib = ReadJpegExifThumbnail(args[i], fitted, imageW, imageH);
            if (!dib)
                dib = ReadTiffExifThumbnail(args[i], fitted, imageW, imageH);
            found += dib ? 1 : 0;
        } catch (const CFileException&) {
        }
    }
    const double ms = Milliseconds(start, Clock::now());
    const std::size_t files = args.size() - 1;
    std::fprintf(stderr, "files=%zu\nthumbnails=%d\ntime_ms=%.1f\nthumbs_per_s=%.0f\n", files, found, ms,
                 files * 1000.0 / ms);
    return found == static_cast<int>(files) ? 0 : 1;
}

const RegisterSubcommand regSave{"save", "IN OUT W H MODE QUALITY DPI",
                                 "Resize and Save: decode, ResizeBitmap and SaveImageWithEncoder", RunSave};
const RegisterSubcommand regThumbs{"exif-thumbs", "BOX FILE...", "embedded EXIF thumbnails read per second",
                                   RunExifThumbs};

}  // namespace
