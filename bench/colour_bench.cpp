// Whole-frame ARGB colour conversions, plain (level 0) against SSE2
// (level 3), beside a copy of the same frame. Arguments: width, height,
// level. Items are pixels.
#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <vector>

#include "VelImageUtility.h"
#include "core/InstructionSetLevel.h"

namespace {

// A frame of random pixels and a one-byte plane of its size.
struct Frame {
    Frame(int32_t width_, int32_t height_, int32_t bytesPerPixel)
        : width(width_), height(height_), stride(width_ * bytesPerPixel),
          bytes(static_cast<size_t>(stride) * height_) {
        std::mt19937 rng(1);
        for (uint8_t& b : bytes) b = static_cast<uint8_t>(rng());
    }
    ImageDesc Desc(int32_t bytesPerPixel) {
        return ImageDesc{bytes.data(), width, height, stride, bytesPerPixel, false};
    }
    int32_t width, height, stride;
    std::vector<uint8_t> bytes;
};

// Runs `op` on an ARGB frame made at the benchmark's level.
template <class Operation>
void RunOnFrame(benchmark::State& state, Operation op) {
    const int32_t width = static_cast<int32_t>(state.range(0));
    const int32_t height = static_cast<int32_t>(state.range(1));
    Frame argb(width, height, 4);
    ICImageARGB* image;
    {
        VelImageUtility::ScopedInstructionSetLevel level(static_cast<int32_t>(state.range(2)));
        image = GetCImageARGB4(argb.bytes.data(), width, height, argb.stride);
    }
    for (auto _ : state) {
        op(image);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * int64_t{width} * height);
    ReleaseCImageARGB(image);
}

void BM_ConvertToAYUV(benchmark::State& state) {
    Frame ayuv(static_cast<int32_t>(state.range(0)), static_cast<int32_t>(state.range(1)), 4);
    const ImageDesc destination = ayuv.Desc(4);
    RunOnFrame(state, [&](ICImageARGB* image) { image->ConvertToAYUV(&destination); });
}

void BM_ConvertToLuma(benchmark::State& state) {
    Frame luma(static_cast<int32_t>(state.range(0)), static_cast<int32_t>(state.range(1)), 1);
    const ImageDesc plane = luma.Desc(1);
    RunOnFrame(state, [&](ICImageARGB* image) { image->ConvertToLuma(&plane); });
}

void BM_ConvertToHSLPlanes(benchmark::State& state) {
    const int32_t width = static_cast<int32_t>(state.range(0));
    const int32_t height = static_cast<int32_t>(state.range(1));
    Frame h(width, height, 1), s(width, height, 1), l(width, height, 1);
    const ImageDesc hd = h.Desc(1), sd = s.Desc(1), ld = l.Desc(1);
    RunOnFrame(state, [&](ICImageARGB* image) { image->ConvertToHSLPlanes(&hd, &sd, &ld); });
}

void BM_MemcpyFrame(benchmark::State& state) {
    const size_t bytes = static_cast<size_t>(state.range(0)) * state.range(1) * 4;
    std::vector<uint8_t> from(bytes, 1), to(bytes);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), bytes);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0) * state.range(1));
}

void FrameSizesAndLevels(benchmark::internal::Benchmark* b) {
    b->ArgNames({"width", "height", "level"});
    for (int level : {0, 3}) {
        b->Args({1920, 1080, level});
        b->Args({3840, 2160, level});
    }
    b->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_MemcpyFrame)->Args({1920, 1080})->Args({3840, 2160})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ConvertToAYUV)->Apply(FrameSizesAndLevels);
BENCHMARK(BM_ConvertToLuma)->Apply(FrameSizesAndLevels);
BENCHMARK(BM_ConvertToHSLPlanes)->Apply(FrameSizesAndLevels);

}  // namespace
