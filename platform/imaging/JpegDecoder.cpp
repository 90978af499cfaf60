#include "platform/imaging/JpegDecoder.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <limits>
#include <vector>

#include <jpeglib.h>
// After jpeglib.h, which it needs.
#include <jerror.h>

#include "platform/imaging/CodedDataWalk.h"
#include "platform/imaging/DecodeBudget.h"

namespace imaging {

QImage AllocateImage(int width, int height, QImage::Format format) { return QImage(width, height, format); }

namespace {

// libjpeg reports errors and warnings through this; both end the decode
// with a jump back to the setjmp in RunDecode.
struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
};

[[noreturn]] void ErrorExit(j_common_ptr cinfo) { std::longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->jump, 1); }

}  // namespace

// Each of libjpeg-turbo's warnings (jerror.h, JWRN_*).
bool JpegWarningLosesNothing(int code) {
    switch (code) {
    case JWRN_EXTRANEOUS_DATA:  // bytes between segments, skipped
    case JWRN_JFIF_MAJOR:       // an unknown JFIF revision; the header is read as JFIF 1
    case JWRN_ADOBE_XFORM:      // an unknown Adobe transform code; the colours are taken as YCbCr
    case JWRN_BOGUS_ICC:        // a malformed ICC marker; only the profile is lost, never read here
    case JWRN_NOT_SEQUENTIAL:   // a sequential scan's Ss, Se, Ah, Al off; its decoder reads every coefficient
    case JWRN_TOO_MUCH_DATA:    // a row asked for past the last; none is given
        return true;
    case JWRN_ARITH_BAD_CODE:     // corrupt data: the rest of the segment is filled in
    case JWRN_BOGUS_PROGRESSION:  // a scan out of order: coefficients missing or refined twice
    case JWRN_HIT_MARKER:         // a segment's data ends early
    case JWRN_HUFF_BAD_CODE:      // corrupt data
    case JWRN_JPEG_EOF:           // the file ends early
    case JWRN_MUST_RESYNC:        // a restart marker lost: data skipped or filled in
    default:
        return false;
    }
}

namespace {

void EmitMessage(j_common_ptr cinfo, int level) {
    // Level 0 and up are trace messages; -1 is a warning, which libjpeg
    // gives where it fills in missing or corrupt data and carries on.
    if (level < 0 && !JpegWarningLosesNothing(cinfo->err->msg_code))
        ErrorExit(cinfo);
}

void OutputMessage(j_common_ptr) {}

// The state of one decode, kept outside the function that holds the setjmp
// so that no object with a destructor lives in the frame a jump unwinds.
// It owns libjpeg's state: every way out of the decode, an exception
// included, frees it.
struct Decode {
    Decode() { std::memset(&cinfo, 0, sizeof cinfo); }
    ~Decode() { jpeg_destroy_decompress(&cinfo); }  // nothing to free before jpeg_create_decompress
    Decode(const Decode&) = delete;
    Decode& operator=(const Decode&) = delete;

    jpeg_decompress_struct cinfo;
    ErrorManager errors;
    std::span<const std::uint8_t> data;
    std::int64_t scanBytes = 0;  // the entropy-coded bytes, which alone hold pixels
    std::int64_t memoryBudget = 0;
    const ImageAllocator* allocate = nullptr;
    QSize atLeast;  // empty: the whole size
    ColourLayout layout = ColourLayout::Rgb32;
    QImage image;
    std::vector<JSAMPLE> cmykRow;
};

#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
constexpr J_COLOR_SPACE kRgb32Space = JCS_EXT_BGRX;
#else
constexpr J_COLOR_SPACE kRgb32Space = JCS_EXT_XRGB;
#endif
// Format_BGR888 is bytes B, G, R whatever the byte order.
constexpr J_COLOR_SPACE kBgr24Space = JCS_EXT_BGR;

// Chooses the output colour space; false for colour spaces we do not show.
bool ChooseOutput(jpeg_decompress_struct& cinfo, ColourLayout layout, QImage::Format& format) {
    switch (cinfo.jpeg_color_space) {
    case JCS_GRAYSCALE:
        cinfo.out_color_space = JCS_GRAYSCALE;
        format = QImage::Format_Grayscale8;
        return true;
    case JCS_YCbCr:
    case JCS_RGB:
        if (layout == ColourLayout::Bgr24) {
            cinfo.out_color_space = kBgr24Space;
            format = QImage::Format_BGR888;
        } else {
            cinfo.out_color_space = kRgb32Space;
            format = QImage::Format_RGB32;
        }
        return true;
    case JCS_CMYK:
    case JCS_YCCK:  // libjpeg turns YCCK into CMYK
        cinfo.out_color_space = JCS_CMYK;
        format = QImage::Format_RGB32;
        return true;
    default:
        return false;
    }
}

int BytesPerPixel(QImage::Format format) {
    return format == QImage::Format_Grayscale8 ? 1 : format == QImage::Format_BGR888 ? 3 : 4;
}

// The bytes libjpeg needs for the whole image's coefficients when the file
// has more than one scan (progressive, or sequential with one scan per
// component); zero when it decodes in one pass.
std::int64_t CoefficientBufferBytes(const jpeg_decompress_struct& cinfo) {
    if (!cinfo.progressive_mode && cinfo.comps_in_scan >= cinfo.num_components)
        return 0;
    std::int64_t bytes = 0;
    for (int c = 0; c < cinfo.num_components; ++c) {
        const jpeg_component_info& comp = cinfo.comp_info[c];
        bytes += std::int64_t{comp.width_in_blocks} * comp.height_in_blocks * static_cast<std::int64_t>(sizeof(JBLOCK));
    }
    return bytes;
}

// Whether the frame the header declares may be allocated: a picture its
// bytes can hold and the memory can take. Leaves libjpeg's own allocations
// bounded by what the pixels leave of the budget.
bool FrameFitsBudget(Decode& d, QImage::Format format) {
    jpeg_decompress_struct& cinfo = d.cinfo;
    const std::int64_t width = cinfo.image_width, height = cinfo.image_height;
    if (width <= 0 || height <= 0 || width > std::numeric_limits<int>::max() / 4 ||
        height > std::numeric_limits<int>::max())
        return false;
    if (!cinfo.arith_code && !PixelsFitFile(width * height, d.scanBytes, kMaxJpegPixelsPerByte))
        return false;
    const std::int64_t bytesPerPixel = BytesPerPixel(format);
    const std::int64_t pixelBytes =
        (std::int64_t{cinfo.output_width} * bytesPerPixel + 3) / 4 * 4 * std::int64_t{cinfo.output_height};
    const std::int64_t coefficients = CoefficientBufferBytes(cinfo);
    if (pixelBytes > d.memoryBudget || coefficients > d.memoryBudget - pixelBytes)
        return false;
    const std::int64_t left = d.memoryBudget - pixelBytes;
    cinfo.mem->max_memory_to_use =
        left > std::numeric_limits<long>::max() ? std::numeric_limits<long>::max() : static_cast<long>(left);
    return true;
}

// The largest reduction libjpeg makes while decoding (1/8, 1/4, 1/2) that
// still gives at least `atLeast`; none without one.
void ChooseReduction(jpeg_decompress_struct& cinfo, const QSize& atLeast) {
    cinfo.scale_num = 1;
    cinfo.scale_denom = 1;
    if (atLeast.isEmpty())
        return;
    for (const unsigned denom : {8u, 4u, 2u}) {
        const std::int64_t w = (std::int64_t{cinfo.image_width} + denom - 1) / denom;
        const std::int64_t h = (std::int64_t{cinfo.image_height} + denom - 1) / denom;
        if (w >= atLeast.width() && h >= atLeast.height()) {
            cinfo.scale_denom = denom;
            return;
        }
    }
}

// Adobe's CMYK, inks stored inverted (255 is no ink), to RGB.
void CmykRowToRgb32(const JSAMPLE* cmyk, int width, QRgb* out) {
    for (int x = 0; x < width; ++x, cmyk += 4) {
        const int k = cmyk[3];
        out[x] = qRgb(k * cmyk[0] / 255, k * cmyk[1] / 255, k * cmyk[2] / 255);
    }
}

bool ReadRows(Decode& d) {
    jpeg_decompress_struct& cinfo = d.cinfo;
    const int width = static_cast<int>(cinfo.output_width);
    const bool cmyk = cinfo.out_color_space == JCS_CMYK;
    if (cmyk)
        d.cmykRow.resize(static_cast<std::size_t>(width) * 4);
    while (cinfo.output_scanline < cinfo.output_height) {
        const int y = static_cast<int>(cinfo.output_scanline);
        JSAMPROW row = cmyk ? d.cmykRow.data() : reinterpret_cast<JSAMPROW>(d.image.scanLine(y));
        if (jpeg_read_scanlines(&cinfo, &row, 1) != 1)
            return false;
        if (cmyk)
            CmykRowToRgb32(d.cmykRow.data(), width, reinterpret_cast<QRgb*>(d.image.scanLine(y)));
    }
    return true;
}

// Every libjpeg call of the decode. Holds no object with a destructor: an
// error or a damaging warning jumps back here.
bool RunDecode(Decode& d) {
    jpeg_decompress_struct& cinfo = d.cinfo;
    if (setjmp(d.errors.jump) != 0)
        return false;
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, d.data.data(), static_cast<unsigned long>(d.data.size()));
    if (jpeg_read_header(&cinfo, TRUE) != JPEG_HEADER_OK)
        return false;
    QImage::Format format = QImage::Format_Invalid;
    if (!ChooseOutput(cinfo, d.layout, format))
        return false;
    ChooseReduction(cinfo, d.atLeast);
    jpeg_calc_output_dimensions(&cinfo);
    const JDIMENSION width = cinfo.output_width, height = cinfo.output_height;
    if (!FrameFitsBudget(d, format))
        return false;
    jpeg_start_decompress(&cinfo);
    const int expected = BytesPerPixel(format);
    if (cinfo.output_width != width || cinfo.output_height != height || cinfo.output_components != expected)
        return false;
    d.image = (*d.allocate)(static_cast<int>(cinfo.output_width), static_cast<int>(cinfo.output_height), format);
    if (d.image.isNull() || d.image.format() != format || d.image.width() != static_cast<int>(cinfo.output_width) ||
        d.image.height() != static_cast<int>(cinfo.output_height))
        return false;
    if (!ReadRows(d))
        return false;
    jpeg_finish_decompress(&cinfo);
    return true;
}

QImage RunStrictDecode(std::span<const std::uint8_t> data, std::int64_t memoryBudget, const ImageAllocator& allocate,
                       const QSize& atLeast, ColourLayout layout) {
    if (data.empty() || data.size() > std::numeric_limits<unsigned long>::max())
        return {};
    try {
        Decode d;
        d.cinfo.err = jpeg_std_error(&d.errors.pub);
        d.errors.pub.error_exit = ErrorExit;
        d.errors.pub.emit_message = EmitMessage;
        d.errors.pub.output_message = OutputMessage;
        d.data = data;
        d.scanBytes = static_cast<std::int64_t>(
            std::min<std::uint64_t>(WalkJpegData(data).scanBytes, std::numeric_limits<std::int64_t>::max()));
        d.memoryBudget = memoryBudget;
        d.allocate = &allocate;
        d.atLeast = atLeast;
        d.layout = layout;
        return RunDecode(d) ? std::move(d.image) : QImage();
    } catch (...) {
        // Out of memory, a helper thread that cannot start in the allocator:
        // a failure of this decode, never of its caller.
        return {};
    }
}

}  // namespace

QImage DecodeJpeg(std::span<const std::uint8_t> data, std::int64_t memoryBudget, const ImageAllocator& allocate,
                  ColourLayout layout) {
    return RunStrictDecode(data, memoryBudget, allocate, {}, layout);
}

QImage DecodeJpegReduced(std::span<const std::uint8_t> data, std::int64_t memoryBudget, const QSize& atLeast) {
    return RunStrictDecode(data, memoryBudget, AllocateImage, atLeast, ColourLayout::Rgb32);
}

}  // namespace imaging
