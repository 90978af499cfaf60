#pragma once
// The shared frame of the JPEG subcommands: file input before and output
// after the timed part, the optional REPEAT argument (time_ms is then the
// mean per call over that many calls) and the encoders' input layouts.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "vespera-bench/Ppm.h"

// A whole-image decoder: JPEG bytes to RGB.
using JpegDecodeFn = std::function<RgbImage(const std::vector<std::uint8_t>& file)>;
// A whole-image encoder: RGB (or, for LAYOUT grey, the grey plane) to JPEG
// bytes at QUALITY.
using JpegEncodeFn = std::function<std::vector<std::uint8_t>(
    const RgbImage& image, const std::vector<std::uint8_t>& grey, int quality, const std::string& layout)>;

// The decode subcommand, args IN.jpg OUT.ppm [REPEAT]: times decode alone.
int RunJpegDecodeSubcommand(const std::vector<std::string>& args, const JpegDecodeFn& decode);
// The encode subcommand, args IN.ppm OUT.jpg QUALITY LAYOUT [REPEAT], LAYOUT
// 420, 422 or grey (the Rec. 601 luma of the input): times encode alone and
// prints the encoded size as bytes=N.
int RunJpegEncodeSubcommand(const std::vector<std::string>& args, const JpegEncodeFn& encode);
