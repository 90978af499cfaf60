// vespera-bench peer-jpeg-decode IN.jpg OUT.ppm [REPEAT]
// vespera-bench peer-jpeg-encode IN.ppm OUT.jpg QUALITY LAYOUT [REPEAT]
// libjpeg-turbo in the same harness as jpeg-decode and jpeg-encode, for
// figures measured the same way: memory to memory, file input and output
// outside the timed part. Decoding uses the fast integer DCT without fancy
// upsampling, encoding the fast integer DCT, without optimised tables.

#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "vespera-bench/JpegBench.h"
#include "vespera-bench/Subcommand.h"

namespace {

[[noreturn]] void ThrowLibjpegError(j_common_ptr cinfo) {
    char message[JMSG_LENGTH_MAX];
    (*cinfo->err->format_message)(cinfo, message);
    throw std::runtime_error(std::string("libjpeg-turbo: ") + message);
}

RgbImage Decode(const std::vector<std::uint8_t>& file) {
    jpeg_decompress_struct d{};
    jpeg_error_mgr err{};
    d.err = jpeg_std_error(&err);
    err.error_exit = ThrowLibjpegError;
    jpeg_create_decompress(&d);
    jpeg_mem_src(&d, file.data(), static_cast<unsigned long>(file.size()));
    jpeg_read_header(&d, TRUE);
    d.dct_method = JDCT_IFAST;
    d.do_fancy_upsampling = FALSE;
    d.out_color_space = JCS_RGB;
    jpeg_start_decompress(&d);
    RgbImage image{static_cast<int>(d.output_width), static_cast<int>(d.output_height),
                   std::vector<std::uint8_t>(std::size_t(d.output_width) * d.output_height * 3)};
    while (d.output_scanline < d.output_height) {
        JSAMPROW row = image.rgb.data() + std::size_t(d.output_scanline) * d.output_width * 3;
        jpeg_read_scanlines(&d, &row, 1);
    }
    jpeg_finish_decompress(&d);
    jpeg_destroy_decompress(&d);
    return image;
}

std::vector<std::uint8_t> Encode(const RgbImage& image, const std::vector<std::uint8_t>& grey, int quality,
                                 const std::string& layout) {
    jpeg_compress_struct c{};
    jpeg_error_mgr err{};
    c.err = jpeg_std_error(&err);
    err.error_exit = ThrowLibjpegError;
    jpeg_create_compress(&c);
    unsigned char* out = nullptr;
    unsigned long outSize = 0;
    jpeg_mem_dest(&c, &out, &outSize);
    const bool isColour = layout != "grey";
    c.image_width = static_cast<JDIMENSION>(image.width);
    c.image_height = static_cast<JDIMENSION>(image.height);
    c.input_components = isColour ? 3 : 1;
    c.in_color_space = isColour ? JCS_RGB : JCS_GRAYSCALE;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, quality, TRUE);
    c.dct_method = JDCT_IFAST;
    if (isColour) {
        c.comp_info[0].h_samp_factor = 2;
        c.comp_info[0].v_samp_factor = layout == "422" ? 1 : 2;
    }
    jpeg_start_compress(&c, TRUE);
    const std::size_t rowBytes = std::size_t(image.width) * (isColour ? 3 : 1);
    const std::uint8_t* rows = isColour ? image.rgb.data() : grey.data();
    while (c.next_scanline < c.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(rows + rowBytes * c.next_scanline);
        jpeg_write_scanlines(&c, &row, 1);
    }
    jpeg_finish_compress(&c);
    std::vector<std::uint8_t> result(out, out + outSize);
    jpeg_destroy_compress(&c);
    std::free(out);
    return result;
}

int RunDecode(const std::vector<std::string>& args) { return RunJpegDecodeSubcommand(args, Decode); }
int RunEncode(const std::vector<std::string>& args) { return RunJpegEncodeSubcommand(args, Encode); }

const RegisterSubcommand regDecode{"peer-jpeg-decode", "IN.jpg OUT.ppm [REPEAT]",
                                   "decodes with libjpeg-turbo (fast integer DCT, no fancy upsampling)", RunDecode};
const RegisterSubcommand regEncode{"peer-jpeg-encode", "IN.ppm OUT.jpg QUALITY LAYOUT [REPEAT]",
                                   "encodes with libjpeg-turbo (fast integer DCT), LAYOUT 420, 422 or grey", RunEncode};

}  // namespace
