#include "platform/imaging/TiffDecoder.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstring>
#include <limits>
#include <memory>

#include <tiffio.h>

namespace imaging {

namespace {

// The file in memory, as libtiff's client procedures see it.
struct MemoryFile {
    std::span<const std::uint8_t> data;
    std::uint64_t at = 0;
};

tmsize_t ReadMemory(thandle_t handle, void* out, tmsize_t wanted) {
    auto* file = static_cast<MemoryFile*>(handle);
    if (wanted <= 0 || file->at >= file->data.size())
        return 0;
    const std::uint64_t n = std::min<std::uint64_t>(static_cast<std::uint64_t>(wanted), file->data.size() - file->at);
    std::memcpy(out, file->data.data() + file->at, n);
    file->at += n;
    return static_cast<tmsize_t>(n);
}

tmsize_t RefuseWrite(thandle_t, void*, tmsize_t) { return 0; }

toff_t SeekMemory(thandle_t handle, toff_t offset, int whence) {
    auto* file = static_cast<MemoryFile*>(handle);
    std::uint64_t base = 0;
    if (whence == SEEK_CUR)
        base = file->at;
    else if (whence == SEEK_END)
        base = file->data.size();
    if (offset > std::numeric_limits<std::uint64_t>::max() - base)
        return static_cast<toff_t>(-1);
    file->at = base + offset;
    return file->at;
}

int CloseMemory(thandle_t) { return 0; }

toff_t SizeOfMemory(thandle_t handle) { return static_cast<MemoryFile*>(handle)->data.size(); }

// libtiff reads strips and tiles straight from the caller's bytes.
int MapMemory(thandle_t handle, void** base, toff_t* size) {
    auto* file = static_cast<MemoryFile*>(handle);
    *base = const_cast<std::uint8_t*>(file->data.data());
    *size = file->data.size();
    return 1;
}

void UnmapMemory(thandle_t, void*, toff_t) {}

// Errors fail the decode through libtiff's own results; neither they nor
// warnings are printed.
int Quiet(TIFF*, void*, const char*, const char*, va_list) { return 1; }

struct OptionsFree {
    void operator()(TIFFOpenOptions* options) const { TIFFOpenOptionsFree(options); }
};
struct TiffClose {
    void operator()(TIFF* tiff) const { TIFFClose(tiff); }
};
using TiffFile = std::unique_ptr<TIFF, TiffClose>;

TiffFile OpenMemory(MemoryFile& file, std::int64_t memoryBudget) {
    const std::unique_ptr<TIFFOpenOptions, OptionsFree> options(TIFFOpenOptionsAlloc());
    if (!options)
        return nullptr;
    TIFFOpenOptionsSetErrorHandlerExtR(options.get(), Quiet, nullptr);
    TIFFOpenOptionsSetWarningHandlerExtR(options.get(), Quiet, nullptr);
    TIFFOpenOptionsSetMaxSingleMemAlloc(options.get(), static_cast<tmsize_t>(memoryBudget));
    return TiffFile(TIFFClientOpenExt("memory", "r", &file, ReadMemory, RefuseWrite, SeekMemory, CloseMemory,
                                      SizeOfMemory, MapMemory, UnmapMemory, options.get()));
}

// The most bytes of samples that one coded byte gives in each compression,
// with room to spare: PackBits repeats a byte at most 128 times for two,
// Deflate expands at most 1032 times, an LZW code of at least 9 bits
// stands for at most 4096 bytes, a Huffman-coded JPEG spends at least a bit
// on an 8 x 8 block of up to three samples. Others are held to a bound that
// any of their real files keep.
double MostBytesPerCodedByte(std::uint16_t compression) {
    switch (compression) {
    case COMPRESSION_NONE:
        return 1.0;
    case COMPRESSION_PACKBITS:
        return 64.0;
    case COMPRESSION_ADOBE_DEFLATE:
    case COMPRESSION_DEFLATE:
        return 1032.0;
    case COMPRESSION_LZW:
        return 4096.0;
    case COMPRESSION_JPEG:
    case COMPRESSION_OJPEG:
        return 3.0 * 512.0;
    default:
        return 65536.0;
    }
}

bool IsFaxCoding(std::uint16_t compression) {
    return compression == COMPRESSION_CCITTRLE || compression == COMPRESSION_CCITTFAX3 ||
           compression == COMPRESSION_CCITTFAX4 || compression == COMPRESSION_CCITTRLEW;
}

// Whether the picture's samples can come from the bytes that its strips or
// tiles hold inside the file. Fax coding spends at least a bit on a row.
bool SamplesFitCodedBytes(TIFF* tiff, std::uint64_t fileSize, std::uint32_t width, std::uint32_t height) {
    std::uint16_t compression = COMPRESSION_NONE, samples = 1, bits = 1;
    TIFFGetFieldDefaulted(tiff, TIFFTAG_COMPRESSION, &compression);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLESPERPIXEL, &samples);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_BITSPERSAMPLE, &bits);
    double coded = 0.0;
    const std::uint32_t striles = TIFFIsTiled(tiff) ? TIFFNumberOfTiles(tiff) : TIFFNumberOfStrips(tiff);
    for (std::uint32_t i = 0; i < striles; ++i) {
        const std::uint64_t offset = TIFFGetStrileOffset(tiff, i);
        if (offset < fileSize)
            coded += static_cast<double>(std::min(TIFFGetStrileByteCount(tiff, i), fileSize - offset));
    }
    if (IsFaxCoding(compression))
        return static_cast<double>(height) <= coded * 8.0;
    const double rowBytes = std::ceil(static_cast<double>(width) * samples * bits / 8.0);
    return rowBytes * height <= coded * MostBytesPerCodedByte(compression);
}

bool HasAlphaSample(TIFF* tiff) {
    std::uint16_t count = 0;
    std::uint16_t* kinds = nullptr;
    if (!TIFFGetField(tiff, TIFFTAG_EXTRASAMPLES, &count, &kinds) || kinds == nullptr)
        return false;
    return std::any_of(kinds, kinds + count, [](std::uint16_t kind) {
        return kind == EXTRASAMPLE_ASSOCALPHA || kind == EXTRASAMPLE_UNASSALPHA;
    });
}

}  // namespace

QImage DecodeTiff(std::span<const std::uint8_t> data, std::int64_t memoryBudget, const ImageAllocator& allocate,
                  bool* otherSamples) {
    if (otherSamples != nullptr)
        *otherSamples = false;
    if (data.empty() || memoryBudget <= 0)
        return {};
    MemoryFile file{data};
    const TiffFile tiff = OpenMemory(file, memoryBudget);
    if (!tiff)
        return {};
    std::uint32_t width = 0, height = 0;
    if (!TIFFGetField(tiff.get(), TIFFTAG_IMAGEWIDTH, &width) ||
        !TIFFGetField(tiff.get(), TIFFTAG_IMAGELENGTH, &height))
        return {};
    constexpr std::uint32_t kMaxSide = std::numeric_limits<int>::max();
    if (width == 0 || height == 0 || width > kMaxSide || height > kMaxSide ||
        std::int64_t{width} > memoryBudget / 4 / std::int64_t{height})
        return {};
    char message[1024] = {};
    if (!TIFFRGBAImageOK(tiff.get(), message)) {
        if (otherSamples != nullptr)
            *otherSamples = true;
        return {};
    }
    if (!SamplesFitCodedBytes(tiff.get(), data.size(), width, height))
        return {};

    // libtiff's raster is a word a pixel, red in its lowest byte: Qt's RGBA
    // byte order, premultiplied when there is alpha.
    const bool alpha = HasAlphaSample(tiff.get());
    QImage image = allocate(static_cast<int>(width), static_cast<int>(height),
                            alpha ? QImage::Format_RGBA8888_Premultiplied : QImage::Format_RGBX8888);
    if (image.isNull() || image.bytesPerLine() != static_cast<qsizetype>(width) * 4)
        return {};
    // As the file stores its rows: asking for the file's own orientation
    // turns nothing.
    std::uint16_t orientation = ORIENTATION_TOPLEFT;
    TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_ORIENTATION, &orientation);
    auto* raster = reinterpret_cast<std::uint32_t*>(image.bits());
    if (!TIFFReadRGBAImageOriented(tiff.get(), width, height, raster, orientation, 1))
        return {};
    image.convertTo(alpha ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    return image;
}

}  // namespace imaging
