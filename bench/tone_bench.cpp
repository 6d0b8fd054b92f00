// ARGB tone operations, the channel median and the unsharp mask on a
// 1920 x 1080 frame, at the plain level (0) and the SSE2 level (3) where an
// operation has both variants.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <functional>
#include <random>
#include <vector>

#include "VelImageUtility.h"
#include "core/InstructionSetLevel.h"

namespace {

constexpr int32_t kWidth = 1920;
constexpr int32_t kHeight = 1080;
constexpr size_t kPixels = static_cast<size_t>(kWidth) * kHeight;

const std::vector<uint8_t>& NoiseFrame() {
    static const std::vector<uint8_t> frame = [] {
        std::mt19937 generator(1);
        std::vector<uint8_t> bytes(kPixels * 4);
        for (uint8_t& byte : bytes) byte = static_cast<uint8_t>(generator());
        return bytes;
    }();
    return frame;
}

// Runs `operation` on a noise frame built at level range(0); when `restore`
// the frame is put back (untimed) before each run, for operations whose
// cost depends on the picture.
void RunOnFrame(benchmark::State& state, const std::function<void(ICImageARGB*)>& operation, bool restore) {
    std::vector<uint8_t> pixels = NoiseFrame();
    ICImageARGB* image;
    {
        VelImageUtility::ScopedInstructionSetLevel level(static_cast<int32_t>(state.range(0)));
        image = GetCImageARGB4(pixels.data(), kWidth, kHeight, kWidth * 4);
    }
    for (auto _ : state) {
        if (restore) {
            state.PauseTiming();
            pixels = NoiseFrame();
            state.ResumeTiming();
        }
        operation(image);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(kPixels));
    state.SetLabel(state.range(0) >= 3 ? "sse2" : "plain");
    ReleaseCImageARGB(image);
}

std::vector<uint8_t>& Plane() {
    static std::vector<uint8_t> plane(kPixels, 3);
    return plane;
}

#define TONE_BENCH_FUNCTION(name, restore, body)                                \
    void BM_Argb##name(benchmark::State& state) {                              \
        RunOnFrame(state, [](ICImageARGB* image) { body; }, restore);          \
    }
#define TONE_BENCH(name, body) \
    TONE_BENCH_FUNCTION(name, false, body) BENCHMARK(BM_Argb##name)->Arg(0)->Arg(3)->Unit(benchmark::kMicrosecond)
#define TONE_BENCH_ONE_VARIANT(name, body) \
    TONE_BENCH_FUNCTION(name, false, body) BENCHMARK(BM_Argb##name)->Arg(0)->Unit(benchmark::kMicrosecond)
#define FILTER_BENCH(name, body) \
    TONE_BENCH_FUNCTION(name, true, body) BENCHMARK(BM_Argb##name)->Arg(0)->Unit(benchmark::kMillisecond)

TONE_BENCH(ConvertToGray, image->ConvertToGray());
TONE_BENCH_ONE_VARIANT(GetMeanValue, benchmark::DoNotOptimize(image->GetMeanValue()));
TONE_BENCH(ConvertToGrayLightness, image->ConvertToGrayLightness());
TONE_BENCH(Posterize, image->Posterize(1));
TONE_BENCH(AdjustContrast, image->AdjustContrast(1.0f));
TONE_BENCH(AdjustBrightness, image->AdjustBrightness(1));
TONE_BENCH(SubtractPlane,
           const ImageDesc d = (ImageDesc{Plane().data(), kWidth, kHeight, kWidth, 1, false}); image->SubtractPlane(&d));
TONE_BENCH_ONE_VARIANT(AdjustContrastAroundMean, image->AdjustContrastAroundMean(20));
TONE_BENCH_ONE_VARIANT(Invert, image->Invert());
TONE_BENCH_ONE_VARIANT(MapLevels, image->MapLevels(10, 240, 0, 255));

FILTER_BENCH(MedianFilterChannelsRadius1, image->MedianFilterChannels(1));
FILTER_BENCH(MedianFilterChannelsRadius3, image->MedianFilterChannels(3));
FILTER_BENCH(MedianFilterChannelsRadius7, image->MedianFilterChannels(7));
FILTER_BENCH(MedianFilterChannelsRadius15, image->MedianFilterChannels(15));
FILTER_BENCH(UnsharpMaskRadius1, image->UnsharpMask(80.0f, 1.0f, 4));
FILTER_BENCH(UnsharpMaskRadius5, image->UnsharpMask(80.0f, 5.0f, 4));

}  // namespace
