// Drawing and fills on a 1920 x 1080 frame, at the plain (0) and SSE2 (3)
// levels, in destination pixels per second.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <functional>
#include <vector>

#include "argb/CImageARGB.h"
#include "ayuv/CImageAYUV.h"
#include "core/InstructionSetLevel.h"

namespace {

using namespace VelImageUtility;

constexpr int32_t kWidth = 1920, kHeight = 1080;

std::vector<uint8_t> Pixels(int32_t width, int32_t height) {
    std::vector<uint8_t> bytes(size_t{4} * width * height);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 2654435761u >> 24);
    return bytes;
}

template <typename Image>
void Run(benchmark::State& state, const std::function<void(Image&, const ImageDesc*)>& operation) {
    std::vector<uint8_t> frame = Pixels(kWidth, kHeight), title = Pixels(1280, 720);
    const ImageDesc source{title.data(), 1280, 720, 4 * 1280, 4, false};
    ScopedInstructionSetLevel level(static_cast<int32_t>(state.range(0)));
    Image image(frame.data(), kWidth, kHeight, 4 * kWidth, 4);
    for (auto _ : state) {
        operation(image, &source);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * int64_t{kWidth} * kHeight);
}

void BM_DrawImage(benchmark::State& state) {
    Run<CImageARGB>(state, [](CImageARGB& i, const ImageDesc* s) { i.DrawImage(s, 0, 100.0f, 50.0f, 1280.0f, 720.0f, 200); });
}
void BM_DrawRotatedImageScaled30(benchmark::State& state) {
    Run<CImageARGB>(state, [](CImageARGB& i, const ImageDesc* s) {
        i.DrawRotatedImageScaled(s, 0, 960.0f, 540.0f, 1280.0f, 720.0f, 1.0f, 0.5235988f, 200);
    });
}
void BM_AyuvDrawRotatedImageScaled30(benchmark::State& state) {
    Run<CImageAYUV>(state, [](CImageAYUV& i, const ImageDesc* s) {
        i.DrawRotatedImageScaled(s, 0, 960.0f, 540.0f, 1280.0f, 720.0f, 1.0f, 0.5235988f, 200);
    });
}
void BM_FillPixel(benchmark::State& state) {
    Run<CImageARGB>(state, [](CImageARGB& i, const ImageDesc*) { i.FillPixel(0x80402010u); });
}
void BM_FillColorKeepAlpha(benchmark::State& state) {
    Run<CImageARGB>(state, [](CImageARGB& i, const ImageDesc*) { i.FillColorKeepAlpha(1, 2, 3); });
}
void BM_AyuvFillColorKeepAlpha(benchmark::State& state) {
    Run<CImageAYUV>(state, [](CImageAYUV& i, const ImageDesc*) { i.FillColorKeepAlpha(1, 2, 3); });
}
void BM_BlendColor(benchmark::State& state) {
    Run<CImageARGB>(state, [](CImageARGB& i, const ImageDesc*) { i.BlendColor(0xC0204080u, 200); });
}
void BM_ScaleChannelsRGB(benchmark::State& state) {
    Run<CImageARGB>(state, [](CImageARGB& i, const ImageDesc*) { i.ScaleChannelsRGB(255, 255, 255, 255); });
}
void BM_SetAlpha(benchmark::State& state) {
    Run<CImageARGB>(state, [](CImageARGB& i, const ImageDesc*) { i.SetAlpha(255); });
}

BENCHMARK(BM_DrawImage)->ArgName("level")->Arg(0)->Arg(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DrawRotatedImageScaled30)->ArgName("level")->Arg(0)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AyuvDrawRotatedImageScaled30)->ArgName("level")->Arg(0)->Arg(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FillPixel)->ArgName("level")->Arg(0)->Arg(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FillColorKeepAlpha)->ArgName("level")->Arg(0)->Arg(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AyuvFillColorKeepAlpha)->ArgName("level")->Arg(0)->Arg(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BlendColor)->ArgName("level")->Arg(0)->Arg(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScaleChannelsRGB)->ArgName("level")->Arg(0)->Arg(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SetAlpha)->ArgName("level")->Arg(0)->Unit(benchmark::kMillisecond);

}  // namespace
