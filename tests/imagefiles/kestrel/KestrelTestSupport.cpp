#include "imagefiles/kestrel/KestrelTestSupport.h"

#include <cmath>
#include <cstdio>
#include <memory>
#include <stdexcept>

// libjpeg's header needs size_t and FILE first.
#include <jpeglib.h>

#include "imagefiles/kestrel/Kestrel.h"
#include "imagefiles/kestrel/MemStreams.h"

namespace kestrel_test {

Image SyntheticImage(int width, int height, int channels, unsigned seed) {
    Image image{width, height, channels, Bytes(std::size_t(width) * height * channels)};
    unsigned state = seed * 2654435761u + 12345u;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            state = state * 1103515245u + 12345u;
            const double noise = double((state >> 16) & 7) - 3.5;
            const double fx = double(x) / width, fy = double(y) / height;
            const double wave = 40 * std::sin(fx * 9 + fy * 4) + 25 * std::cos(fy * 13 - fx * 3);
            const double edge = (x * 3 + y * 2) % 61 < 30 ? 30 : -30;
            const double base[3] = {120 + wave + edge, 110 - wave * 0.5 + 0.5 * edge, 100 + 60 * fy - 0.3 * wave};
            for (int c = 0; c < channels; ++c) {
                const double v = (channels == 1 ? base[0] : base[c]) + noise;
                image.pixels[(std::size_t(y) * width + x) * channels + c] =
                    static_cast<std::uint8_t>(std::lround(std::fmin(255, std::fmax(0, v))));
            }
        }
    }
    return image;
}

Image UniformImage(int width, int height, int channels, std::uint8_t value) {
    return {width, height, channels, Bytes(std::size_t(width) * height * channels, value)};
}

Bytes KestrelEncode(const Image& image, const KestrelOptions& o) {
    platform::CMemFile file;
    OSSStream stream(file);
    std::unique_ptr<Kestrel::Coder, Kestrel::CoderDeleter> coder(Kestrel::CreateCoder(
        stream, static_cast<std::uint32_t>(image.width), static_cast<std::uint32_t>(image.height), image.channels == 3,
        o.quality, o.sub422, o.oneDqtSegment, o.densityUnits, o.xDensity, o.yDensity));
    if (!coder)
        throw std::bad_alloc();
    for (int y = 0; y < image.height; ++y)
        coder->WriteLine(image.Row(y));
    return file.Detach();
}

Image KestrelDecode(const Bytes& jpeg, KestrelInfo* info) {
    ISSStreamMem stream(jpeg.data(), jpeg.size());
    KestrelInfo i;
    std::unique_ptr<Kestrel::Decoder, Kestrel::DecoderDeleter> decoder(
        Kestrel::CreateDecoder(stream, &i.width, &i.height, &i.isColour, &i.densityUnits, &i.xDensity, &i.yDensity));
    if (!decoder)
        throw std::bad_alloc();
    Image image{int(i.width), int(i.height), i.isColour ? 3 : 1, {}};
    image.pixels.resize(std::size_t(i.width) * i.height * image.channels);
    const std::size_t rowBytes = std::size_t(i.width) * image.channels;
    for (std::uint32_t y = 0; y < i.height; ++y) {
        const std::uint8_t* row = decoder->ReadLine();
        std::copy(row, row + rowBytes, image.pixels.begin() + std::ptrdiff_t(rowBytes * y));
    }
    if (info)
        *info = i;
    return image;
}

namespace {

[[noreturn]] void ThrowLibjpegError(j_common_ptr cinfo) {
    char message[JMSG_LENGTH_MAX];
    (*cinfo->err->format_message)(cinfo, message);
    throw std::runtime_error(std::string("libjpeg-turbo: ") + message);
}

}  // namespace

Bytes LibjpegEncode(const Image& image, const LibjpegOptions& o) {
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr jerr{};
    cinfo.err = jpeg_std_error(&jerr);
    jerr.error_exit = ThrowLibjpegError;
    jpeg_create_compress(&cinfo);
    unsigned char* out = nullptr;
    unsigned long outSize = 0;
    jpeg_mem_dest(&cinfo, &out, &outSize);
    cinfo.image_width = static_cast<JDIMENSION>(image.width);
    cinfo.image_height = static_cast<JDIMENSION>(image.height);
    cinfo.input_components = image.channels;
    cinfo.in_color_space = image.channels == 3 ? JCS_RGB : JCS_GRAYSCALE;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, o.quality, TRUE);
    if (o.grey)
        jpeg_set_colorspace(&cinfo, JCS_GRAYSCALE);
    else if (o.rgbNoTransform)
        jpeg_set_colorspace(&cinfo, JCS_RGB);
    if (cinfo.num_components == 3 || !o.grey) {
        cinfo.comp_info[0].h_samp_factor = o.hSampling;
        cinfo.comp_info[0].v_samp_factor = o.vSampling;
    }
    cinfo.write_JFIF_header = o.writeJfif ? TRUE : FALSE;
    cinfo.write_Adobe_marker = o.writeAdobe ? TRUE : FALSE;
    cinfo.restart_interval = static_cast<unsigned>(o.restartInterval);
    cinfo.dct_method = JDCT_ISLOW;
    jpeg_start_compress(&cinfo, TRUE);
    Bytes grey;
    for (int y = 0; y < image.height; ++y) {
        JSAMPROW row = const_cast<JSAMPROW>(image.Row(y));
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    Bytes result(out, out + outSize);
    jpeg_destroy_compress(&cinfo);
    std::free(out);
    return result;
}

namespace {

Image LibjpegDecode(const Bytes& jpeg, J_DCT_METHOD method) {
    jpeg_decompress_struct dinfo{};
    jpeg_error_mgr jerr{};
    dinfo.err = jpeg_std_error(&jerr);
    jerr.error_exit = ThrowLibjpegError;
    jpeg_create_decompress(&dinfo);
    jpeg_mem_src(&dinfo, jpeg.data(), static_cast<unsigned long>(jpeg.size()));
    jpeg_read_header(&dinfo, TRUE);
    dinfo.dct_method = method;
    dinfo.do_fancy_upsampling = FALSE;
    dinfo.out_color_space = dinfo.num_components == 1 ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_start_decompress(&dinfo);
    Image image{int(dinfo.output_width), int(dinfo.output_height), dinfo.output_components, {}};
    image.pixels.resize(std::size_t(image.width) * image.height * image.channels);
    while (dinfo.output_scanline < dinfo.output_height) {
        JSAMPROW row = image.pixels.data() + std::size_t(dinfo.output_scanline) * image.width * image.channels;
        jpeg_read_scanlines(&dinfo, &row, 1);
    }
    jpeg_finish_decompress(&dinfo);
    jpeg_destroy_decompress(&dinfo);
    return image;
}

}  // namespace

Image LibjpegDecodeFast(const Bytes& jpeg) { return LibjpegDecode(jpeg, JDCT_IFAST); }
Image LibjpegDecodeAccurate(const Bytes& jpeg) { return LibjpegDecode(jpeg, JDCT_ISLOW); }

double Psnr(const Image& a, const Image& b) {
    if (a.pixels.size() != b.pixels.size())
        throw std::invalid_argument("images differ in size");
    double sum = 0;
    for (std::size_t i = 0; i < a.pixels.size(); ++i) {
        const double d = double(a.pixels[i]) - double(b.pixels[i]);
        sum += d * d;
    }
    if (sum == 0)
        return 99.0;
    return 10 * std::log10(255.0 * 255.0 * double(a.pixels.size()) / sum);
}

int MaxDifference(const Image& a, const Image& b) {
    if (a.pixels.size() != b.pixels.size())
        throw std::invalid_argument("images differ in size");
    int m = 0;
    for (std::size_t i = 0; i < a.pixels.size(); ++i)
        m = std::max(m, std::abs(int(a.pixels[i]) - int(b.pixels[i])));
    return m;
}

SegmentedJpeg SplitJpeg(const Bytes& jpeg) {
    SegmentedJpeg out;
    if (jpeg.size() < 2 || jpeg[0] != 0xFF || jpeg[1] != 0xD8)
        throw std::invalid_argument("not a JPEG");
    out.segments.push_back({0xD8, {}});
    std::size_t pos = 2;
    for (;;) {
        if (pos + 4 > jpeg.size() || jpeg[pos] != 0xFF)
            throw std::invalid_argument("unexpected bytes between segments");
        const std::uint8_t marker = jpeg[pos + 1];
        const std::size_t length = (std::size_t(jpeg[pos + 2]) << 8) | jpeg[pos + 3];
        if (length < 2 || pos + 2 + length > jpeg.size())
            throw std::invalid_argument("bad segment length");
        out.segments.push_back(
            {marker, Bytes(jpeg.begin() + std::ptrdiff_t(pos + 4), jpeg.begin() + std::ptrdiff_t(pos + 2 + length))});
        pos += 2 + length;
        if (marker == 0xDA)
            break;
    }
    out.scan.assign(jpeg.begin() + std::ptrdiff_t(pos), jpeg.end());
    return out;
}

Bytes SegmentBytes(std::uint8_t marker, const Bytes& payload) {
    Bytes out = {0xFF, marker};
    if (marker == 0xD8 || marker == 0xD9)
        return out;
    const std::size_t length = payload.size() + 2;
    out.push_back(static_cast<std::uint8_t>(length >> 8));
    out.push_back(static_cast<std::uint8_t>(length));
    out.insert(out.end(), payload.begin(), payload.end());
    return out;
}

Bytes JoinJpeg(const SegmentedJpeg& jpeg) {
    Bytes out;
    for (const Segment& s : jpeg.segments) {
        const Bytes b = SegmentBytes(s.marker, s.payload);
        out.insert(out.end(), b.begin(), b.end());
    }
    out.insert(out.end(), jpeg.scan.begin(), jpeg.scan.end());
    return out;
}

int FindSegment(const SegmentedJpeg& jpeg, std::uint8_t marker) {
    for (std::size_t i = 0; i < jpeg.segments.size(); ++i)
        if (jpeg.segments[i].marker == marker)
            return static_cast<int>(i);
    return -1;
}

}  // namespace kestrel_test
