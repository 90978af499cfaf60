// Micro-benchmarks of the engine's plane operations.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "engine/AreaResample.h"
#include "engine/DericheGaussian.h"
#include "engine/DetailResampleV1.h"
#include "engine/DetailResampleV2.h"
#include "engine/KernelResample.h"
#include "engine/LocalRangeClamp.h"

namespace {

std::vector<std::uint8_t> NoisePlane(int w, int h) {
    std::mt19937 rng(1);
    std::vector<std::uint8_t> p(static_cast<std::size_t>(w) * h);
    for (auto& v : p)
        v = static_cast<std::uint8_t>(rng());
    return p;
}

void BM_KernelResampleLanczos3x2(benchmark::State& state) {
    const int w = static_cast<int>(state.range(0)), h = w * 2 / 3;
    const auto src = NoisePlane(w, h);
    std::vector<std::uint8_t> dst(static_cast<std::size_t>(w) * h * 4);
    for (auto _ : state)
        benchmark::DoNotOptimize(KernelResample(dst.data(), src.data(), w, h, 2 * w, 2 * h, 3, 1, 3, nullptr));
    state.SetItemsProcessed(state.iterations() * 4LL * w * h);
}
BENCHMARK(BM_KernelResampleLanczos3x2)->Arg(512)->Arg(1500)->Unit(benchmark::kMillisecond);

void BM_AreaReduceHalf(benchmark::State& state) {
    const int w = 3000, h = 2000;
    const auto src = NoisePlane(w, h);
    std::vector<std::uint8_t> dst(static_cast<std::size_t>(w / 2) * h);
    for (auto _ : state)
        benchmark::DoNotOptimize(AreaResampleHorizontal(dst.data(), src.data(), w, h, w / 2, nullptr));
}
BENCHMARK(BM_AreaReduceHalf)->Unit(benchmark::kMillisecond);

void BM_DericheGaussian(benchmark::State& state) {
    const int w = static_cast<int>(state.range(0)), h = w * 2 / 3;
    auto plane = NoisePlane(w, h);
    const std::atomic<std::uint8_t> never{0};
    for (auto _ : state)
        benchmark::DoNotOptimize(DericheGaussian(EngineRect{0, 0, w, h}, plane.data(), &never, 10, 10, nullptr));
}
BENCHMARK(BM_DericheGaussian)->Arg(1500)->Arg(6000)->Unit(benchmark::kMillisecond);

void BM_LocalRangeClamp(benchmark::State& state) {
    const int w = 1500, h = 1000;
    const auto ref = NoisePlane(w, h);
    auto image = NoisePlane(w, h);
    for (auto _ : state)
        benchmark::DoNotOptimize(LocalRangeClamp(image.data(), ref.data(), w, h, w, 5, 5, 2, 2, 3.679, nullptr));
}
BENCHMARK(BM_LocalRangeClamp)->Unit(benchmark::kMillisecond);

// One 1500 x 1000 plane through a detail resampler: arg 0 enlarges 2x,
// arg 1 halves.
template <typename Resize>
void DetailPlane(benchmark::State& state, const Resize& resize) {
    const int w = 1500, h = 1000;
    const int dw = state.range(0) == 0 ? 2 * w : w / 2, dh = state.range(0) == 0 ? 2 * h : h / 2;
    const auto src = NoisePlane(w, h);
    std::vector<std::uint8_t> dst(static_cast<std::size_t>(dw) * dh);
    for (auto _ : state)
        benchmark::DoNotOptimize(resize(dst.data(), src.data(), dw, dh, w, h));
}

void BM_ResizePlaneV1(benchmark::State& state) {
    DetailPlane(state, [](std::uint8_t* d, const std::uint8_t* s, int dw, int dh, int w, int h) {
        return ResizePlaneV1(d, s, dw, dh, w, h, ContrastFactor(50), WholeFactorFlag(dw, dh, w, h), 0, 3, nullptr);
    });
}
BENCHMARK(BM_ResizePlaneV1)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_ResizePlaneV2(benchmark::State& state) {
    DetailPlane(state, [](std::uint8_t* d, const std::uint8_t* s, int dw, int dh, int w, int h) {
        return ResizePlaneV2(d, s, dw, dh, w, h, ContrastFactor(40), 2, 0, 3, nullptr);
    });
}
BENCHMARK(BM_ResizePlaneV2)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
