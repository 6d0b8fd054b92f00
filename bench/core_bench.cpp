// Reference point for the other benchmarks: filling and copying a frame.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

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

void BM_MemcpyFrame(benchmark::State& state) {
    const size_t bytes = static_cast<size_t>(state.range(0)) * state.range(1) * 4;
    std::vector<uint8_t> from(bytes, 1), to(bytes);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), bytes);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0) * state.range(1));
}
BENCHMARK(BM_MemcpyFrame)->Args({1920, 1080})->Args({3840, 2160});

}  // namespace
