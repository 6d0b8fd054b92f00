// The 32-bit blurs on a 1920 x 1080 frame at radii 1, 5, 20 and 50, at the
// plain level (0) and the SSE2 level (3); the median filter's 63 x 63
// window on a flat and a random 640 x 480 frame.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <vector>

#include "VelImageUtility.h"
#include "core/InstructionSetLevel.h"

namespace {

std::vector<uint8_t> NoiseFrame(int32_t width, int32_t height, bool flat) {
    std::mt19937 generator(2);
    std::vector<uint8_t> bytes(static_cast<size_t>(width) * height * 4, 0x80);
    if (!flat) {
        for (uint8_t& byte : bytes) byte = static_cast<uint8_t>(generator());
    }
    return bytes;
}

enum Blur { kBox, kOpaqueBox, kGaussian, kZoom };

// range(0): the level, range(1): the radius (steps for the zoom blur).
template <Blur kBlur>
void BM_Blur(benchmark::State& state) {
    constexpr int32_t kWidth = 1920, kHeight = 1080, kStride = kWidth * 4;
    std::vector<uint8_t> src = NoiseFrame(kWidth, kHeight, false), dst(src.size());
    ICImageUtility* utility;
    {
        VelImageUtility::ScopedInstructionSetLevel level(static_cast<int32_t>(state.range(0)));
        utility = GetCImageUtility();
    }
    const int32_t radius = static_cast<int32_t>(state.range(1));
    for (auto _ : state) {
        switch (kBlur) {
            case kBox: utility->BoxBlur(dst.data(), src.data(), kWidth, kHeight, kStride, kStride, radius); break;
            case kOpaqueBox: utility->BoxBlurAlphaWeighted(dst.data(), src.data(), kWidth, kHeight, kStride, kStride, radius); break;
            case kGaussian: utility->GaussianBlur(radius, src.data(), dst.data(), kWidth, kHeight, kStride, kStride); break;
            case kZoom: utility->ZoomBlur(dst.data(), src.data(), kWidth, kHeight, 0, 0, radius); break;
        }
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * int64_t{kWidth} * kHeight);
    state.SetLabel(state.range(0) >= 3 ? "sse2" : "plain");
    ReleaseCImageUtility(utility);
}

void Radii(benchmark::internal::Benchmark* b) {
    for (int64_t level : {0, 3}) {
        for (int64_t radius : {1, 5, 20, 50}) b->Args({level, radius});
    }
    b->Unit(benchmark::kMillisecond);
}

BENCHMARK_TEMPLATE(BM_Blur, kBox)->Apply(Radii);
BENCHMARK_TEMPLATE(BM_Blur, kOpaqueBox)->Apply(Radii);
BENCHMARK_TEMPLATE(BM_Blur, kGaussian)->Apply(Radii);
BENCHMARK_TEMPLATE(BM_Blur, kZoom)->Args({0, 10})->Args({0, 30})->Unit(benchmark::kMillisecond);

// range(0): 1 for a flat frame, 0 for a random one.
void BM_Median63(benchmark::State& state) {
    constexpr int32_t kWidth = 640, kHeight = 480;
    std::vector<uint8_t> src = NoiseFrame(kWidth, kHeight, state.range(0) == 1), dst(src.size());
    ICImageUtility* utility = GetCImageUtility();
    for (auto _ : state) {
        utility->MedianFilter(63, src.data(), dst.data(), kWidth, kHeight, kWidth * 4, kWidth * 4);
        benchmark::ClobberMemory();
    }
    state.SetLabel(state.range(0) == 1 ? "flat" : "random");
    ReleaseCImageUtility(utility);
}
BENCHMARK(BM_Median63)->Arg(1)->Arg(0)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
