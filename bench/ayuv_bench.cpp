// AYUV frame operations, plain (level 0) against SSE2 (level 3), on a
// 1920 x 1080 frame. Items are source pixels.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "VelImageUtility.h"
#include "core/InstructionSetLevel.h"

namespace {

constexpr int32_t kWidth = 1920;
constexpr int32_t kHeight = 1080;

// Packed random 4-byte pixels.
struct Frame {
    Frame(int32_t width_, int32_t height_) : width(width_), height(height_), bytes(size_t{4} * width_ * height_) {
        std::mt19937 rng(1);
        for (uint8_t& b : bytes) b = static_cast<uint8_t>(rng());
    }
    ImageDesc Desc() { return ImageDesc{bytes.data(), width, height, 4 * width, 4, false}; }
    int32_t width, height;
    std::vector<uint8_t> bytes;
};

// Runs `op` on an AYUV frame made at the benchmark's level.
template <class Operation>
void RunOnFrame(benchmark::State& state, Operation op) {
    Frame ayuv(kWidth, kHeight);
    ICImageAYUV* image;
    {
        VelImageUtility::ScopedInstructionSetLevel level(static_cast<int32_t>(state.range(0)));
        image = GetCImageAYUV4(ayuv.bytes.data(), kWidth, kHeight, 4 * kWidth);
    }
    for (auto _ : state) {
        op(image);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * int64_t{kWidth} * kHeight);
    ReleaseCImageAYUV(image);
}

void BM_ConvertToARGB(benchmark::State& state) {
    Frame argb(kWidth, kHeight);
    const ImageDesc destination = argb.Desc();
    RunOnFrame(state, [&](ICImageAYUV* image) { image->ConvertToARGB(&destination); });
}

void BM_ConvertToLuma(benchmark::State& state) {
    std::vector<uint8_t> plane(size_t{kWidth} * kHeight);
    const ImageDesc destination{plane.data(), kWidth, kHeight, kWidth, 1, false};
    RunOnFrame(state, [&](ICImageAYUV* image) { image->ConvertToLuma(&destination); });
}

void BM_ResizeTo720p(benchmark::State& state) {
    Frame small(1280, 720);
    const ImageDesc destination = small.Desc();
    RunOnFrame(state, [&](ICImageAYUV* image) { image->ResizeTo(&destination, 0); });
}

void BM_BoxBlurInPlaceRadius5(benchmark::State& state) {
    RunOnFrame(state, [&](ICImageAYUV* image) { image->BoxBlurInPlace(5); });
}

void BM_ScaleChannelsRGB(benchmark::State& state) {
    RunOnFrame(state, [&](ICImageAYUV* image) { image->ScaleChannelsRGB(200, 210, 220, 255); });
}

void Levels(benchmark::internal::Benchmark* b) {
    b->ArgNames({"level"})->Arg(0)->Arg(3)->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_ConvertToARGB)->Apply(Levels);
BENCHMARK(BM_ConvertToLuma)->Apply(Levels);
BENCHMARK(BM_ResizeTo720p)->Apply(Levels);
BENCHMARK(BM_BoxBlurInPlaceRadius5)->Apply(Levels);
BENCHMARK(BM_ScaleChannelsRGB)->Arg(0)->Unit(benchmark::kMillisecond);

}  // namespace
