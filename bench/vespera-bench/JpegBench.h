#pragma once
// Shared parts of the JPEG subcommands: whole-file input and output,
// the REPEAT argument, repeated timing and the encoders' input layouts.

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "vespera-bench/Ppm.h"
#include "vespera-bench/Subcommand.h"

std::vector<std::uint8_t> ReadWholeFile(const std::string& path);
void WriteWholeFile(const std::string& path, const std::vector<std::uint8_t>& bytes);

// The optional REPEAT argument at args[index]: 1 when absent.
int RepeatArgument(const std::vector<std::string>& args, std::size_t index);

// Checks LAYOUT: 420, 422 or grey.
void CheckLayout(const std::string& layout);

// Rec. 601 luma of each pixel, rounded: the input of a grey encode.
std::vector<std::uint8_t> GreyPlane(const RgbImage& image);

// Runs fn repeat times; prints the mean time per call as time_ms (and the
// number of calls when there is more than one). Returns the last result.
template <typename Fn>
auto TimeRepeated(int repeat, Fn&& fn) {
    if (repeat <= 1)
        return TimeOperation(fn);
    const auto start = std::chrono::steady_clock::now();
    auto result = fn();
    for (int i = 1; i < repeat; ++i)
        result = fn();
    const auto end = std::chrono::steady_clock::now();
    std::fprintf(stderr, "calls=%d\ntime_ms=%.4f\n", repeat,
                 std::chrono::duration<double, std::milli>(end - start).count() / repeat);
    return result;
}
