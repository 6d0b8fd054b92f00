// Byte image operations on a 3840 x 2160 plane, at the plain level (0) and
// the SSE2 level (3) where an operation has both variants.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <functional>
#include <random>
#include <vector>

#include "VelImageUtility.h"
#include "core/InstructionSetLevel.h"

namespace {

constexpr int32_t kWidth = 3840;
constexpr int32_t kHeight = 2160;
constexpr size_t kPixels = static_cast<size_t>(kWidth) * kHeight;

std::vector<uint8_t> NoisePlane(uint32_t seed) {
    std::mt19937 generator(seed);
    std::vector<uint8_t> bytes(kPixels);
    for (uint8_t& byte : bytes) byte = static_cast<uint8_t>(generator() & 0xFF);
    return bytes;
}

// Runs `operation` on a noise plane built at the level given by range(0).
void RunOnPlane(benchmark::State& state, const std::function<void(ICImageByte*)>& operation) {
    std::vector<uint8_t> pixels = NoisePlane(1);
    ICImageByte* image;
    {
        VelImageUtility::ScopedInstructionSetLevel level(static_cast<int32_t>(state.range(0)));
        image = GetCImageByte4(pixels.data(), kWidth, kHeight, kWidth);
    }
    for (auto _ : state) {
        operation(image);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(kPixels));
    state.SetLabel(state.range(0) >= 3 ? "sse2" : "plain");
    ReleaseCImageByte(image);
}

std::vector<uint8_t>& SecondPlane() {
    static std::vector<uint8_t> plane = NoisePlane(2);
    return plane;
}

ImageDesc SecondPlaneDesc() { return ImageDesc{SecondPlane().data(), kWidth, kHeight, kWidth, 1, false}; }

// BYTE_BENCH runs at both levels; BYTE_BENCH_ONE_VARIANT only at level 0,
// for operations whose only form is the plain one.
#define BYTE_BENCH_FUNCTION(name, body)                         \
    void BM_Byte##name(benchmark::State& state) {               \
        RunOnPlane(state, [](ICImageByte* image) { body; });      \
    }
#define BYTE_BENCH(name, body) \
    BYTE_BENCH_FUNCTION(name, body) BENCHMARK(BM_Byte##name)->Arg(0)->Arg(3)->Unit(benchmark::kMicrosecond)
#define BYTE_BENCH_ONE_VARIANT(name, body) \
    BYTE_BENCH_FUNCTION(name, body) BENCHMARK(BM_Byte##name)->Arg(0)->Unit(benchmark::kMicrosecond)

// Point operations with both variants.
BYTE_BENCH(MultiplyByGain, image->MultiplyByGain(1));
BYTE_BENCH(Invert, image->Invert());
BYTE_BENCH(AdjustContrast, image->AdjustContrast(1.0f));
BYTE_BENCH(AdjustBrightness, image->AdjustBrightness(1));
BYTE_BENCH(SubtractPlane, const ImageDesc d = SecondPlaneDesc(); image->SubtractPlane(&d));
BYTE_BENCH(GetMeanValue, benchmark::DoNotOptimize(image->GetMeanValue()));

// Point operations with one variant (table lookups and divisions).
BYTE_BENCH_ONE_VARIANT(MapLevels, image->MapLevels(10, 240, 0, 255));
BYTE_BENCH(AdjustContrastAroundMean, image->AdjustContrastAroundMean(20));  // its mean has both
BYTE_BENCH_ONE_VARIANT(MaskByThreshold, const ImageDesc d = SecondPlaneDesc(); image->MaskByThreshold(&d, 128));
BYTE_BENCH_ONE_VARIANT(ColorDodgeBlend, const ImageDesc d = SecondPlaneDesc(); image->ColorDodgeBlend(&d));

// Neighbourhood filters; the box blur costs the same per pixel at any radius.
BYTE_BENCH(BoxBlurInPlaceRadius1, image->BoxBlurInPlace(1));
BYTE_BENCH(BoxBlurInPlaceRadius50, image->BoxBlurInPlace(50));
BYTE_BENCH(DetectEdges, const ImageDesc d = SecondPlaneDesc(); image->DetectEdges(&d, 100, 255));
BYTE_BENCH(EmbossToPlane, const ImageDesc d = SecondPlaneDesc(); image->EmbossToPlane(&d, 3));

}  // namespace
