// Our operations beside the closest functions of libyuv and OpenCV on the
// same frames, single-threaded, with a copy of the frame as the floor. Runs
// every pair through Google Benchmark, then prints one table per frame size:
// operation, ours (ms, Mpix/s), peer function, peer (ms), ratio ours/peer.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <libyuv.h>
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include "VelImageUtility.h"

namespace {

struct Buffer {
    Buffer(int32_t w, int32_t h, int32_t bpp) : width(w), height(h), stride(w * bpp), bytes(size_t(stride) * h) {
        std::mt19937 rng(static_cast<uint32_t>(w * 31 + bpp));
        for (uint8_t& b : bytes) b = static_cast<uint8_t>(rng());
    }
    ImageDesc Desc(int32_t bpp) { return ImageDesc{bytes.data(), width, height, stride, bpp, false}; }
    cv::Mat Mat(int type) { return cv::Mat(height, width, type, bytes.data(), size_t(stride)); }
    uint8_t* Data() { return bytes.data(); }
    int32_t width, height, stride;
    std::vector<uint8_t> bytes;
};

struct ArgbRelease { void operator()(ICImageARGB* i) const { ReleaseCImageARGB(i); } };
struct AyuvRelease { void operator()(ICImageAYUV* i) const { ReleaseCImageAYUV(i); } };
struct ByteRelease { void operator()(ICImageByte* i) const { ReleaseCImageByte(i); } };

// Everything one frame size needs, made once.
struct Frames {
    Frames(int32_t w, int32_t h)
        : width(w), height(h), argb(w, h, 4), argb2(w, h, 4), out(w, h, 4), plane(w, h, 1), plane2(w, h, 1),
          u(w, h, 1), v(w, h, 1), half(w / 2, h / 2, 4), twice(w * 2, h * 2, 4), noise(argb), planeNoise(plane),
          cumsum(size_t(w) * 4 * (h + 1)) {
        image.reset(GetCImageARGB4(argb.Data(), w, h, argb.stride));
        ayuv.reset(GetCImageAYUV4(argb2.Data(), w, h, argb2.stride));
        byte.reset(GetCImageByte4(plane.Data(), w, h, w));
        halfImage.reset(GetCImageARGB4(half.Data(), w / 2, h / 2, half.stride));
    }
    // Our in-place operations change the frames they run on, and content
    // changes the speed of some (a smooth frame makes a histogram median
    // faster): every benchmark starts from the same noise.
    void Restore() {
        for (Buffer* b : {&argb, &argb2}) std::memcpy(b->Data(), noise.bytes.data(), noise.bytes.size());
        std::memcpy(plane.Data(), planeNoise.bytes.data(), planeNoise.bytes.size());
    }
    int32_t width, height;
    Buffer argb, argb2, out, plane, plane2, u, v, half, twice, noise, planeNoise;
    std::vector<int32_t> cumsum;
    std::unique_ptr<ICImageARGB, ArgbRelease> image, halfImage;
    std::unique_ptr<ICImageAYUV, AyuvRelease> ayuv;
    std::unique_ptr<ICImageByte, ByteRelease> byte;
};

struct Pair {
    std::string operation;
    std::function<void(Frames&)> ours;
    std::string peerName;
    std::function<void(Frames&)> peer;  // empty: no peer
};

std::vector<Pair> Pairs() {
    std::vector<Pair> pairs = {
        {"ConvertToAYUV", [](Frames& f) { auto d = f.out.Desc(4); f.image->ConvertToAYUV(&d); },
         "libyuv ARGBToI444", [](Frames& f) { libyuv::ARGBToI444(f.argb.Data(), f.argb.stride, f.plane2.Data(), f.width, f.u.Data(), f.width, f.v.Data(), f.width, f.width, f.height); }},
        {"ConvertToLuma", [](Frames& f) { auto d = f.plane2.Desc(1); f.image->ConvertToLuma(&d); },
         "libyuv ARGBToI400", [](Frames& f) { libyuv::ARGBToI400(f.argb.Data(), f.argb.stride, f.plane2.Data(), f.width, f.width, f.height); }},
        {"AYUV ConvertToARGB", [](Frames& f) { auto d = f.out.Desc(4); f.ayuv->ConvertToARGB(&d); },
         "libyuv I444ToARGB", [](Frames& f) { libyuv::I444ToARGB(f.plane2.Data(), f.width, f.u.Data(), f.width, f.v.Data(), f.width, f.out.Data(), f.out.stride, f.width, f.height); }},
        {"ResizeTo mode 0, to half", [](Frames& f) { auto d = f.half.Desc(4); f.image->ResizeTo(&d, 0); },
         "libyuv ARGBScale bilinear", [](Frames& f) { libyuv::ARGBScale(f.argb.Data(), f.argb.stride, f.width, f.height, f.half.Data(), f.half.stride, f.width / 2, f.height / 2, libyuv::kFilterBilinear); }},
        {"ResizeTo mode 0, to double", [](Frames& f) { auto d = f.twice.Desc(4); f.image->ResizeTo(&d, 0); },
         "libyuv ARGBScale bilinear", [](Frames& f) { libyuv::ARGBScale(f.argb.Data(), f.argb.stride, f.width, f.height, f.twice.Data(), f.twice.stride, f.width * 2, f.height * 2, libyuv::kFilterBilinear); }},
        {"ResizeTo mode 2, to half", [](Frames& f) { auto d = f.half.Desc(4); f.image->ResizeTo(&d, 2); },
         "libyuv ARGBScale box", [](Frames& f) { libyuv::ARGBScale(f.argb.Data(), f.argb.stride, f.width, f.height, f.half.Data(), f.half.stride, f.width / 2, f.height / 2, libyuv::kFilterBox); }},
        {"ResizeTo mode 2, to double", [](Frames& f) { auto d = f.twice.Desc(4); f.image->ResizeTo(&d, 2); },
         "libyuv ARGBScale box", [](Frames& f) { libyuv::ARGBScale(f.argb.Data(), f.argb.stride, f.width, f.height, f.twice.Data(), f.twice.stride, f.width * 2, f.height * 2, libyuv::kFilterBox); }},
        {"ResizeTo mode 0, to half (OpenCV)", [](Frames& f) { auto d = f.half.Desc(4); f.image->ResizeTo(&d, 0); },
         "cv::resize INTER_LINEAR", [](Frames& f) { cv::Mat dst = f.half.Mat(CV_8UC4); cv::resize(f.argb.Mat(CV_8UC4), dst, dst.size(), 0, 0, cv::INTER_LINEAR); }},
        {"ResizeTo mode 2, to half (OpenCV)", [](Frames& f) { auto d = f.half.Desc(4); f.image->ResizeTo(&d, 2); },
         "cv::resize INTER_AREA", [](Frames& f) { cv::Mat dst = f.half.Mat(CV_8UC4); cv::resize(f.argb.Mat(CV_8UC4), dst, dst.size(), 0, 0, cv::INTER_AREA); }},
        {"AlphaBlend", [](Frames& f) { auto d = f.out.Desc(4); f.image->AlphaBlend(&d, 255); },
         "libyuv ARGBAttenuate + ARGBBlend", [](Frames& f) {
             libyuv::ARGBAttenuate(f.out.Data(), f.out.stride, f.argb2.Data(), f.argb2.stride, f.width, f.height);
             libyuv::ARGBBlend(f.argb2.Data(), f.argb2.stride, f.argb.Data(), f.argb.stride, f.argb.Data(), f.argb.stride, f.width, f.height); }},
        {"MultiplyBlend", [](Frames& f) { auto d = f.out.Desc(4); f.image->MultiplyBlend(&d); },
         "libyuv ARGBMultiply", [](Frames& f) { libyuv::ARGBMultiply(f.out.Data(), f.out.stride, f.argb.Data(), f.argb.stride, f.argb.Data(), f.argb.stride, f.width, f.height); }},
        {"LinearDodgeBlend", [](Frames& f) { auto d = f.out.Desc(4); f.image->LinearDodgeBlend(&d); },
         "libyuv ARGBAdd", [](Frames& f) { libyuv::ARGBAdd(f.out.Data(), f.out.stride, f.argb.Data(), f.argb.stride, f.argb.Data(), f.argb.stride, f.width, f.height); }},
        {"MapLevels", [](Frames& f) { f.image->MapLevels(50, 200, 0, 255); },
         "libyuv RGBColorTable", [](Frames& f) { static uint8_t table[256 * 4]; libyuv::RGBColorTable(f.argb.Data(), f.argb.stride, table, 0, 0, f.width, f.height); }},
        {"ConvertToGray", [](Frames& f) { f.image->ConvertToGray(); },
         "libyuv ARGBGrayTo", [](Frames& f) { libyuv::ARGBGrayTo(f.argb.Data(), f.argb.stride, f.out.Data(), f.out.stride, f.width, f.height); }},
        {"Invert", [](Frames& f) { f.image->Invert(); },
         "cv::bitwise_not", [](Frames& f) { cv::Mat m = f.argb.Mat(CV_8UC4); cv::bitwise_not(m, m); }},
        {"AdjustBrightness", [](Frames& f) { f.image->AdjustBrightness(20); },
         "cv::add (saturating)", [](Frames& f) { cv::Mat m = f.argb.Mat(CV_8UC4); cv::add(m, cv::Scalar(20, 20, 20, 0), m); }},
        {"GradientMagnitude", [](Frames& f) { auto d = f.out.Desc(4); f.image->GradientMagnitude(&d); },
         "cv::Sobel x, y + magnitude", [](Frames& f) {
             cv::Mat gx, gy, mag;
             cv::Sobel(f.argb.Mat(CV_8UC4), gx, CV_16S, 1, 0);
             cv::Sobel(f.argb.Mat(CV_8UC4), gy, CV_16S, 0, 1);
             cv::Mat fx, fy;
             gx.convertTo(fx, CV_32F); gy.convertTo(fy, CV_32F);
             cv::magnitude(fx.reshape(1), fy.reshape(1), mag);
             mag.reshape(4).convertTo(f.out.Mat(CV_8UC4), CV_8U); }},
        {"UnsharpMask 100%, radius 2", [](Frames& f) { f.image->UnsharpMask(100.0f, 2.0f, 0); },
         "cv::GaussianBlur + addWeighted", [](Frames& f) {
             cv::Mat src = f.argb.Mat(CV_8UC4), blurred, dst = f.out.Mat(CV_8UC4);
             cv::GaussianBlur(src, blurred, cv::Size(5, 5), 0);
             cv::addWeighted(src, 2.0, blurred, -1.0, 0, dst); }},
        {"DrawRotatedImage 30 deg", [](Frames& f) { auto d = f.out.Desc(4); f.image->DrawRotatedImage(&d, 0, f.width / 2.0f, f.height / 2.0f, float(f.width), float(f.height), 0.5235988f, 255); },
         "cv::warpAffine bilinear", [](Frames& f) {
             cv::Mat m = cv::getRotationMatrix2D(cv::Point2f(f.width / 2.0f, f.height / 2.0f), 30.0, 1.0);
             cv::Mat dst = f.argb.Mat(CV_8UC4);
             cv::warpAffine(f.out.Mat(CV_8UC4), dst, m, dst.size(), cv::INTER_LINEAR); }},
        {"Byte Invert", [](Frames& f) { f.byte->Invert(); },
         "cv::bitwise_not 8-bit", [](Frames& f) { cv::Mat m = f.plane.Mat(CV_8UC1); cv::bitwise_not(m, m); }},
        {"Byte AdjustBrightness", [](Frames& f) { f.byte->AdjustBrightness(20); },
         "cv::add 8-bit", [](Frames& f) { cv::Mat m = f.plane.Mat(CV_8UC1); cv::add(m, cv::Scalar(20), m); }},
        {"Byte DetectEdges", [](Frames& f) { auto d = f.plane2.Desc(1); f.byte->DetectEdges(&d, 40, 255); },
         "cv::Sobel 8-bit", [](Frames& f) { cv::Mat dst = f.plane2.Mat(CV_8UC1); cv::Sobel(f.plane.Mat(CV_8UC1), dst, CV_8U, 1, 1); }},
        // Streaming point operations with no close peer: measured against the copy.
        {"FillPixel", [](Frames& f) { f.image->FillPixel(0x80402010u); }, "", nullptr},
        {"FillColorKeepAlpha", [](Frames& f) { f.image->FillColorKeepAlpha(10, 20, 30); }, "", nullptr},
        {"SetAlpha", [](Frames& f) { f.image->SetAlpha(200); }, "", nullptr},
        {"AdjustContrast", [](Frames& f) { f.image->AdjustContrast(1.2f); }, "", nullptr},
        {"Posterize", [](Frames& f) { f.image->Posterize(4); }, "", nullptr},
        {"ScaleChannelsRGB", [](Frames& f) { f.image->ScaleChannelsRGB(200, 180, 160, 255); }, "", nullptr},
        {"ScreenBlend", [](Frames& f) { auto d = f.out.Desc(4); f.image->ScreenBlend(&d); }, "", nullptr},
        {"OverlayBlend", [](Frames& f) { auto d = f.out.Desc(4); f.image->OverlayBlend(&d); }, "", nullptr},
        {"AdditiveBlend", [](Frames& f) { auto d = f.out.Desc(4); f.image->AdditiveBlend(&d, 128); }, "", nullptr},
        {"GetChannel", [](Frames& f) { auto d = f.plane2.Desc(1); f.image->GetChannel(&d, 1); }, "", nullptr},
        {"SetChannel", [](Frames& f) { auto d = f.plane2.Desc(1); f.image->SetChannel(&d, 1); }, "", nullptr},
        {"Byte AdjustContrast", [](Frames& f) { f.byte->AdjustContrast(1.2f); }, "", nullptr},
        {"Byte MapLevels", [](Frames& f) { f.byte->MapLevels(50, 200, 0, 255); }, "", nullptr},
        {"Byte MultiplyByGain", [](Frames& f) { f.byte->MultiplyByGain(300); }, "", nullptr},
        {"ApplyBoxBlurAlphaWeighted r=5", [](Frames& f) { f.image->ApplyBoxBlurAlphaWeighted(5); }, "", nullptr},
        {"ApplyZoomBlur 10", [](Frames& f) { f.image->ApplyZoomBlur(10); }, "", nullptr},
        {"AYUV BoxBlurInPlace r=5", [](Frames& f) { f.ayuv->BoxBlurInPlace(5); }, "", nullptr},
    };
    for (int32_t radius : {1, 5, 20, 50}) {
        const std::string r = std::to_string(radius);
        pairs.push_back({"ApplyBoxBlur r=" + r, [radius](Frames& f) { f.image->ApplyBoxBlur(radius); },
                         "libyuv ARGBBlur", [radius](Frames& f) { libyuv::ARGBBlur(f.argb.Data(), f.argb.stride, f.out.Data(), f.out.stride, f.cumsum.data(), f.width * 4, f.width, f.height, radius); }});
        pairs.push_back({"ApplyBoxBlur r=" + r + " (OpenCV)", [radius](Frames& f) { f.image->ApplyBoxBlur(radius); },
                         "cv::blur", [radius](Frames& f) { cv::Mat dst = f.out.Mat(CV_8UC4); cv::blur(f.argb.Mat(CV_8UC4), dst, cv::Size(2 * radius + 1, 2 * radius + 1)); }});
        pairs.push_back({"Byte BoxBlurInPlace r=" + r, [radius](Frames& f) { f.byte->BoxBlurInPlace(radius); },
                         "cv::blur 8-bit", [radius](Frames& f) { cv::Mat m = f.plane.Mat(CV_8UC1); cv::blur(m, m, cv::Size(2 * radius + 1, 2 * radius + 1)); }});
    }
    for (int32_t radius : {2, 5, 20}) {
        pairs.push_back({"ApplyGaussianBlur r=" + std::to_string(radius), [radius](Frames& f) { f.image->ApplyGaussianBlur(radius); },
                         "cv::GaussianBlur", [radius](Frames& f) { cv::Mat dst = f.out.Mat(CV_8UC4); cv::GaussianBlur(f.argb.Mat(CV_8UC4), dst, cv::Size(2 * radius + 1, 2 * radius + 1), 0); }});
    }
    for (int32_t radius : {1, 2, 3, 7, 15}) {
        pairs.push_back({"MedianFilterChannels r=" + std::to_string(radius), [radius](Frames& f) { f.image->MedianFilterChannels(radius); },
                         "cv::medianBlur", [radius](Frames& f) { cv::Mat dst = f.out.Mat(CV_8UC4); cv::medianBlur(f.argb.Mat(CV_8UC4), dst, 2 * radius + 1); }});
    }
    return pairs;
}

std::map<std::string, double> g_milliseconds;

class TableReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Iteration) g_milliseconds[run.benchmark_name()] = run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit) * 1e3;
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

std::string Key(const std::string& size, const std::string& side, const std::string& operation) {
    return size + "/" + side + "/" + operation;
}

// --frames=1920x1080,3840x2160,7680x4320 picks the frame sizes (default the
// first two); it is taken out before Google Benchmark reads the arguments.
std::vector<std::pair<int32_t, int32_t>> FrameSizes(int& argc, char** argv) {
    std::vector<std::pair<int32_t, int32_t>> sizes = {{1920, 1080}, {3840, 2160}};
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.rfind("--frames=", 0) != 0) continue;
        sizes.clear();
        size_t at = 9;
        while (at < arg.size()) {
            int32_t w = 0, h = 0;
            if (std::sscanf(arg.c_str() + at, "%dx%d", &w, &h) == 2 && w > 1 && h > 1) sizes.push_back({w, h});
            const size_t comma = arg.find(',', at);
            at = comma == std::string::npos ? arg.size() : comma + 1;
        }
        for (int j = i; j + 1 < argc; ++j) argv[j] = argv[j + 1];
        --argc;
        --i;
    }
    return sizes;
}

std::string SizeName(std::pair<int32_t, int32_t> size) {
    return std::to_string(size.first) + "x" + std::to_string(size.second);
}

}  // namespace

int main(int argc, char** argv) {
    DetectCpuInstructionSet();
    cv::setNumThreads(1);
    const std::vector<std::pair<int32_t, int32_t>> sizes = FrameSizes(argc, argv);
    std::vector<std::unique_ptr<Frames>> frames;
    const std::vector<Pair> pairs = Pairs();
    for (auto [width, height] : sizes) {
        frames.push_back(std::make_unique<Frames>(width, height));
        Frames* f = frames.back().get();
        const std::string size = SizeName({width, height});
        benchmark::RegisterBenchmark(Key(size, "copy", "memcpy").c_str(), [f](benchmark::State& state) {
            for (auto _ : state) { std::memcpy(f->out.Data(), f->argb.Data(), f->argb.bytes.size()); benchmark::ClobberMemory(); }
        })->Unit(benchmark::kMillisecond);
        for (const Pair& pair : pairs) {
            benchmark::RegisterBenchmark(Key(size, "ours", pair.operation).c_str(), [f, &pair](benchmark::State& state) {
                f->Restore();
                for (auto _ : state) { pair.ours(*f); benchmark::ClobberMemory(); }
            })->Unit(benchmark::kMillisecond);
            if (!pair.peer) continue;
            benchmark::RegisterBenchmark(Key(size, "peer", pair.operation).c_str(), [f, &pair](benchmark::State& state) {
                f->Restore();
                for (auto _ : state) { pair.peer(*f); benchmark::ClobberMemory(); }
            })->Unit(benchmark::kMillisecond);
        }
    }
    benchmark::Initialize(&argc, argv);
    TableReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    auto find = [](const std::string& key) {
        const auto found = g_milliseconds.find(key);
        return found == g_milliseconds.end() ? -1.0 : found->second;
    };
    for (auto size : sizes) {
        const std::string name = SizeName(size);
        const double megapixels = size.first * double(size.second) / 1e6;
        const double copy = find(Key(name, "copy", "memcpy"));
        std::printf("\n%s, single thread; memcpy of the frame %.3f ms\n", name.c_str(), copy);
        std::printf("| operation | ours (ms) | ours (Mpix/s) | x memcpy | peer | peer (ms) | ratio |\n|---|---|---|---|---|---|---|\n");
        for (const Pair& pair : pairs) {
            const double ours = find(Key(name, "ours", pair.operation));
            const double peer = find(Key(name, "peer", pair.operation));
            if (ours < 0) continue;
            std::printf("| %s | %.3f | %.0f | %.2f | %s | ", pair.operation.c_str(), ours, megapixels / ours * 1000.0,
                        copy > 0 ? ours / copy : 0.0, pair.peer ? pair.peerName.c_str() : "-");
            if (peer < 0) std::printf("- | - |\n");
            else std::printf("%.3f | %.2f |\n", peer, ours / peer);
        }
    }
    // Cost per pixel at each size against the first, to show how the
    // operations scale with the frame.
    if (sizes.size() < 2) return 0;
    std::printf("\nOurs, nanoseconds per pixel\n| operation |");
    for (auto size : sizes) std::printf(" %s |", SizeName(size).c_str());
    std::printf(" last / first |\n|---|");
    for (size_t i = 0; i <= sizes.size(); ++i) std::printf("---|");
    std::printf("\n");
    for (const Pair& pair : pairs) {
        if (pair.operation.find("(OpenCV)") != std::string::npos) continue;
        std::vector<double> perPixel;
        for (auto size : sizes) {
            const double ms = find(Key(SizeName(size), "ours", pair.operation));
            perPixel.push_back(ms < 0 ? -1.0 : ms * 1e6 / (size.first * double(size.second)));
        }
        if (perPixel.front() < 0 || perPixel.back() < 0) continue;
        std::printf("| %s |", pair.operation.c_str());
        for (double ns : perPixel) std::printf(" %.2f |", ns);
        std::printf(" %.2f |\n", perPixel.back() / perPixel.front());
    }
    return 0;
}
