#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>
#include <stdexcept>

#include <tbb/global_control.h>

#include "platform/files/RegularFile.h"
#include "platform/imaging/ImageFormatPlugins.h"
#include "vespera-bench/Subcommand.h"

std::vector<Subcommand>& Subcommands() {
    static std::vector<Subcommand> all;
    return all;
}

int IntArgument(const std::string& text) {
    std::size_t used = 0;
    const int value = std::stoi(text, &used);
    if (used != text.size())
        throw std::invalid_argument("not an integer: " + text);
    return value;
}

double DoubleArgument(const std::string& text) {
    std::size_t used = 0;
    const double value = std::stod(text, &used);
    if (used != text.size())
        throw std::invalid_argument("not a number: " + text);
    return value;
}

namespace {

// VESPERA_THREADS=N caps the engine's parallel loops at N threads for the
// whole run (oneTBB's global control); unset or 0 leaves oneTBB's default.
std::unique_ptr<tbb::global_control> LimitThreadsFromEnvironment() {
    const char* text = std::getenv("VESPERA_THREADS");
    if (!text || !*text)
        return nullptr;
    const int threads = IntArgument(text);
    if (threads < 0)
        throw std::invalid_argument("VESPERA_THREADS must be 0 or more");
    if (threads == 0)
        return nullptr;
    return std::make_unique<tbb::global_control>(tbb::global_control::max_allowed_parallelism,
                                                 static_cast<std::size_t>(threads));
}

void PrintUsage() {
    std::fprintf(stderr, "usage: vespera-bench SUBCOMMAND ARGS...\n");
    std::fprintf(stderr, "environment: VESPERA_THREADS=N runs the engine on at most N threads\n\n");
    for (const auto& s : Subcommands())
        std::fprintf(stderr, "  %s %s\n      %s\n", s.name.c_str(), s.usage.c_str(), s.summary.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    platform::IgnoreFileSizeLimitSignal();
    imaging::LoadImageFormatPlugins();
    if (argc < 2) {
        PrintUsage();
        return 2;
    }
    const std::string name = argv[1];
    for (const auto& s : Subcommands()) {
        if (s.name != name)
            continue;
        try {
            const auto limit = LimitThreadsFromEnvironment();
            return s.run(std::vector<std::string>(argv + 2, argv + argc));
        } catch (const std::exception& e) {
            std::fprintf(stderr, "vespera-bench %s: %s\n", name.c_str(), e.what());
            return 1;
        }
    }
    std::fprintf(stderr, "vespera-bench: unknown subcommand '%s'\n\n", name.c_str());
    PrintUsage();
    return 2;
}
