// ResizeTo between 4K and full HD in each mode, in output pixels per second.
// Mode 1 needs equal widths, so it halves or doubles the height only.
#include <benchmark/benchmark.h>

#include <vector>

#include "VelImageUtility.h"
#include "resample/Resample.h"

namespace {

// Arguments: source width, source height, destination width, destination
// height, mode.
void BM_ResizeTo(benchmark::State& state) {
    const int32_t sourceWidth = static_cast<int32_t>(state.range(0));
    const int32_t sourceHeight = static_cast<int32_t>(state.range(1));
    const int32_t width = static_cast<int32_t>(state.range(2));
    const int32_t height = static_cast<int32_t>(state.range(3));
    const uint32_t mode = static_cast<uint32_t>(state.range(4));
    ICImageARGB* source = GetCImageARGB2(sourceWidth, sourceHeight);
    uint8_t* pixels = source->GetData();
    for (size_t i = 0; i < size_t{4} * sourceWidth * sourceHeight; ++i) {
        pixels[i] = static_cast<uint8_t>(i * 2654435761u >> 24);
    }
    std::vector<uint8_t> output(size_t{4} * width * height);
    ImageDesc destination{output.data(), width, height, 4 * width, 4, false};
    for (auto _ : state) {
        source->ResizeTo(&destination, mode);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * int64_t{width} * height);
    ReleaseCImageARGB(source);
}
BENCHMARK(BM_ResizeTo)
    ->ArgNames({"sw", "sh", "w", "h", "mode"})
    ->Args({3840, 2160, 1920, 1080, 0})
    ->Args({1920, 1080, 3840, 2160, 0})
    ->Args({3840, 2160, 3840, 1080, 1})
    ->Args({1920, 1080, 1920, 2160, 1})
    ->Args({3840, 2160, 1920, 1080, 2})
    ->Args({1920, 1080, 3840, 2160, 2})
    ->Unit(benchmark::kMillisecond);

// Mode 0 with its plain reference row instead of the SSE2 row, to show
// what the vector row gains.
void BM_ResampleBilinearPlainRow(benchmark::State& state) {
    const int32_t sourceWidth = static_cast<int32_t>(state.range(0));
    const int32_t sourceHeight = static_cast<int32_t>(state.range(1));
    const int32_t width = static_cast<int32_t>(state.range(2));
    const int32_t height = static_cast<int32_t>(state.range(3));
    std::vector<uint8_t> input(size_t{4} * sourceWidth * sourceHeight, 0x5A);
    std::vector<uint8_t> output(size_t{4} * width * height);
    using namespace VelImageUtility;
    for (auto _ : state) {
        ResampleContext context;
        InitResampler(&context);
        ResampleBilinearWithRow(ResampleBilinearRow_Plain, &context, input.data(), 0, 0,
                                sourceWidth, sourceHeight, 4 * sourceWidth, output.data(), 0, 0,
                                width, height, 4 * width);
        ReleaseResampler(&context);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * int64_t{width} * height);
}
BENCHMARK(BM_ResampleBilinearPlainRow)
    ->ArgNames({"sw", "sh", "w", "h"})
    ->Args({3840, 2160, 1920, 1080})
    ->Args({1920, 1080, 3840, 2160})
    ->Unit(benchmark::kMillisecond);

}  // namespace
