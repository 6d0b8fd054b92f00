// ARGB blend modes, opacity blends and composites on a 1920 x 1080 frame, at
// the plain level (0), the 64-bit level (1, additive blend only) and the SSE2
// level (3) held to SSE2 rows, or (4) with AVX2 rows where they run. The frame and its source (24 MB moved per call) do not fit the
// caches, so the simplest rules run at memory speed in both variants; a
// 320 x 180 frame, which does fit, shows the arithmetic alone.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <random>
#include <vector>

#include "VelImageUtility.h"
#include "core/InstructionSetLevel.h"

namespace {

std::vector<uint8_t> NoiseFrame(uint32_t seed, size_t bytesCount) {
    std::mt19937 generator(seed);
    std::vector<uint8_t> bytes(bytesCount);
    for (uint8_t& byte : bytes) byte = static_cast<uint8_t>(generator() & 0xFF);
    return bytes;
}

// Runs `operation` with a noise source on a noise frame built at the level
// given by range(0) (4: level 3, AVX2 rows allowed), 1920 x 1080 or (range(1) = 1) 320 x 180; the frame
// changes from run to run, as a picture being layered does.
void RunOnFrame(benchmark::State& state, const std::function<void(ICImageARGB*, const ImageDesc*)>& operation) {
    const int32_t width = state.range(1) ? 320 : 1920, height = state.range(1) ? 180 : 1080;
    const size_t bytesCount = static_cast<size_t>(width) * height * 4;
    std::vector<uint8_t> source = NoiseFrame(2, bytesCount), pixels = NoiseFrame(1, bytesCount);
    const ImageDesc desc{source.data(), width, height, width * 4, 4, false};
    ICImageARGB* image;
    {
        VelImageUtility::ScopedInstructionSetLevel level(static_cast<int32_t>(std::min<int64_t>(state.range(0), 3)));
        image = GetCImageARGB4(pixels.data(), width, height, width * 4);
    }
    VelImageUtility::ScopedVectorTier tier(state.range(0) == 4 ? VelImageUtility::VectorTier::Avx2 : VelImageUtility::VectorTier::Sse2);
    for (auto _ : state) {
        operation(image, &desc);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(width) * height);
    state.SetLabel(state.range(0) == 4 ? "avx2" : state.range(0) == 3 ? "sse2" : state.range(0) >= 1 ? "mmx" : "plain");
    ReleaseCImageARGB(image);
}

#define BLENDS_BENCH(name, body)                                                          \
    void BM_##name(benchmark::State& state) {                                             \
        RunOnFrame(state, [](ICImageARGB* image, const ImageDesc* source) { body; });   \
    }                                                                                     \
    BENCHMARK(BM_##name)->ArgsProduct({{0, 3, 4}, {0, 1}})->Unit(benchmark::kMicrosecond)

BLENDS_BENCH(MultiplyBlend, image->MultiplyBlend(source));
BLENDS_BENCH(ScreenBlend, image->ScreenBlend(source));
BLENDS_BENCH(ColorDodgeBlend, image->ColorDodgeBlend(source));
BLENDS_BENCH(LinearDodgeBlend, image->LinearDodgeBlend(source));
BLENDS_BENCH(OverlayBlend, image->OverlayBlend(source));
BLENDS_BENCH(HardLightBlend, image->HardLightBlend(source));
BLENDS_BENCH(SoftLightBlend, image->SoftLightBlend(source));
BLENDS_BENCH(AlphaBlend, image->AlphaBlend(source, 200));
BLENDS_BENCH(AdditiveBlend, image->AdditiveBlend(source, 200))->Args({1, 0})->Args({1, 1});
BLENDS_BENCH(AlphaComposite, image->AlphaComposite(source, 200));

}  // namespace
