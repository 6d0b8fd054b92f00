// Reference point for the other benchmarks: filling a frame through the
// interface (the frame copy stands beside the conversions they time).
#include <benchmark/benchmark.h>

#include "VelImageUtility.h"

namespace {

void BM_FillFrame(benchmark::State& state) {
    const int32_t width = static_cast<int32_t>(state.range(0));
    const int32_t height = static_cast<int32_t>(state.range(1));
    ICImageARGB* image = GetCImageARGB2(width, height);
    for (auto _ : state) {
        image->Fill(0x42);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * int64_t{width} * height);
    ReleaseCImageARGB(image);
}
BENCHMARK(BM_FillFrame)->Args({1920, 1080})->Args({3840, 2160});

}  // namespace
