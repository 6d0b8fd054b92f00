// Loading and saving a 1920 x 1080 PNG and JPEG through the library's
// operations, beside libpng and libjpeg called directly on the same file
// with the same settings: the difference is what our layer costs.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

// jpeglib.h needs <cstdio> first.
#include <jpeglib.h>
#include <png.h>

#include "VelImageUtility.h"
#include "core/CImageBase.h"

namespace {

constexpr int32_t kWidth = 1920;
constexpr int32_t kHeight = 1080;

// A photograph-like frame: smooth gradients with some grain.
const std::vector<uint8_t>& Frame() {
    static const std::vector<uint8_t> frame = [] {
        std::vector<uint8_t> pixels(size_t{kWidth} * kHeight * 4);
        uint32_t noise = 12345;
        for (int32_t y = 0; y < kHeight; ++y) {
            for (int32_t x = 0; x < kWidth; ++x) {
                noise = noise * 1664525u + 1013904223u;
                const int grain = static_cast<int>(noise >> 28) - 8;
                uint8_t* p = &pixels[(size_t(y) * kWidth + x) * 4];
                p[0] = static_cast<uint8_t>(std::min(255, std::max(0, x * 255 / kWidth + grain)));
                p[1] = static_cast<uint8_t>(std::min(255, std::max(0, y * 255 / kHeight + grain)));
                p[2] = static_cast<uint8_t>(std::min(255, std::max(0, (x + y) * 255 / (kWidth + kHeight) - grain)));
                p[3] = 255;
            }
        }
        return pixels;
    }();
    return frame;
}

std::string TempPath(const char* name) { return std::string("/tmp/viu-io-bench-") + name; }
std::wstring Wide(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

ImageDesc FrameDesc() {
    return ImageDesc{const_cast<uint8_t*>(Frame().data()), kWidth, kHeight, kWidth * 4, 4, false};
}

// The sample files, written once by the library.
std::string WriteSample(const char* name) {
    const std::string path = TempPath(name);
    ICImageUtility* utility = GetCImageUtility();
    ImageDesc desc = FrameDesc();
    utility->SaveToFile(&desc, Wide(path).c_str());
    ReleaseCImageUtility(utility);
    return path;
}
const std::string& PngSample() {
    static const std::string path = WriteSample("sample.png");
    return path;
}
const std::string& JpegSample() {
    static const std::string path = WriteSample("sample.jpg");
    return path;
}

void LoadThroughLibrary(benchmark::State& state, const std::string& sample) {
    const std::wstring path = Wide(sample);
    ICImageUtility* utility = GetCImageUtility();
    for (auto _ : state) {
        ImageDesc desc{};
        utility->LoadFromFile(&desc, path.c_str());
        if (desc.width != kWidth) state.SkipWithError("load failed");
        VelImageUtility::ReleasePixelBuffer(desc.data);
    }
    ReleaseCImageUtility(utility);
}

void SaveThroughLibrary(benchmark::State& state, const char* name) {
    const std::wstring path = Wide(TempPath(name));
    ICImageUtility* utility = GetCImageUtility();
    ImageDesc desc = FrameDesc();
    for (auto _ : state) {
        if (utility->SaveToFile(&desc, path.c_str()) != 0) state.SkipWithError("save failed");
    }
    ReleaseCImageUtility(utility);
}

void BM_LoadPng_Library(benchmark::State& state) { LoadThroughLibrary(state, PngSample()); }
void BM_LoadJpeg_Library(benchmark::State& state) { LoadThroughLibrary(state, JpegSample()); }
void BM_SavePng_Library(benchmark::State& state) { SaveThroughLibrary(state, "png-out.png"); }
void BM_SaveJpeg_Library(benchmark::State& state) { SaveThroughLibrary(state, "jpeg-out.jpg"); }

// ---- The codec libraries called directly, with the same transforms.

void FailPng(png_structp png, png_const_charp) { png_longjmp(png, 1); }

void BM_LoadPng_Libpng(benchmark::State& state) {
    const std::string& path = PngSample();
    for (auto _ : state) {
        FILE* file = std::fopen(path.c_str(), "rb");
        png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, FailPng, nullptr);
        png_infop info = png_create_info_struct(png);
        uint8_t* volatile pixels = nullptr;  // set after setjmp, read after a jump
        if (setjmp(png_jmpbuf(png))) {
            state.SkipWithError("libpng failed");
        } else {
            png_init_io(png, file);
            png_read_info(png, info);
            png_set_expand(png);
            png_set_scale_16(png);
            png_set_bgr(png);
            png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
            png_read_update_info(png, info);
            const png_uint_32 width = png_get_image_width(png, info);
            const png_uint_32 height = png_get_image_height(png, info);
            pixels = new uint8_t[size_t{width} * height * 4];
            for (png_uint_32 y = 0; y < height; ++y) png_read_row(png, pixels + size_t{y} * width * 4, nullptr);
        }
        png_destroy_read_struct(&png, &info, nullptr);
        std::fclose(file);
        delete[] pixels;
    }
}

void BM_SavePng_Libpng(benchmark::State& state) {
    const std::string path = TempPath("png-direct.png");
    const uint8_t* frame = Frame().data();
    for (auto _ : state) {
        FILE* file = std::fopen(path.c_str(), "w+b");
        png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, FailPng, nullptr);
        png_infop info = png_create_info_struct(png);
        if (setjmp(png_jmpbuf(png))) {
            state.SkipWithError("libpng failed");
        } else {
            png_init_io(png, file);
            png_set_IHDR(png, info, kWidth, kHeight, 8, PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE,
                         PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
            png_write_info(png, info);
            png_set_bgr(png);
            for (int32_t y = 0; y < kHeight; ++y) png_write_row(png, frame + size_t(y) * kWidth * 4);
            png_write_end(png, nullptr);
        }
        png_destroy_write_struct(&png, &info);
        std::fclose(file);
    }
}

struct JpegErrors {
    jpeg_error_mgr base;
    jmp_buf jump;
};
void FailJpeg(j_common_ptr codec) { std::longjmp(reinterpret_cast<JpegErrors*>(codec->err)->jump, 1); }

void BM_LoadJpeg_Libjpeg(benchmark::State& state) {
    const std::string& path = JpegSample();
    for (auto _ : state) {
        FILE* file = std::fopen(path.c_str(), "rb");
        jpeg_decompress_struct codec;
        JpegErrors errors;
        codec.err = jpeg_std_error(&errors.base);
        errors.base.error_exit = FailJpeg;
        uint8_t* volatile pixels = nullptr;  // set after setjmp, read after a jump
        jpeg_create_decompress(&codec);
        if (setjmp(errors.jump)) {
            state.SkipWithError("libjpeg failed");
        } else {
            jpeg_stdio_src(&codec, file);
            jpeg_read_header(&codec, TRUE);
            codec.out_color_space = JCS_EXT_BGRA;
            jpeg_start_decompress(&codec);
            pixels = new uint8_t[size_t{codec.output_width} * codec.output_height * 4];
            while (codec.output_scanline < codec.output_height) {
                JSAMPROW row = pixels + size_t{codec.output_scanline} * codec.output_width * 4;
                jpeg_read_scanlines(&codec, &row, 1);
            }
            jpeg_finish_decompress(&codec);
        }
        jpeg_destroy_decompress(&codec);
        std::fclose(file);
        delete[] pixels;
    }
}

void BM_SaveJpeg_Libjpeg(benchmark::State& state) {
    const std::string path = TempPath("jpeg-direct.jpg");
    const uint8_t* frame = Frame().data();
    for (auto _ : state) {
        FILE* file = std::fopen(path.c_str(), "w+b");
        jpeg_compress_struct codec;
        JpegErrors errors;
        codec.err = jpeg_std_error(&errors.base);
        errors.base.error_exit = FailJpeg;
        jpeg_create_compress(&codec);
        if (setjmp(errors.jump)) {
            state.SkipWithError("libjpeg failed");
        } else {
            jpeg_stdio_dest(&codec, file);
            codec.image_width = kWidth;
            codec.image_height = kHeight;
            codec.input_components = 4;
            codec.in_color_space = JCS_EXT_BGRA;
            jpeg_set_defaults(&codec);
            jpeg_set_quality(&codec, 75, TRUE);
            jpeg_start_compress(&codec, TRUE);
            while (codec.next_scanline < codec.image_height) {
                JSAMPROW row = const_cast<JSAMPROW>(frame + size_t{codec.next_scanline} * kWidth * 4);
                jpeg_write_scanlines(&codec, &row, 1);
            }
            jpeg_finish_compress(&codec);
        }
        jpeg_destroy_compress(&codec);
        std::fclose(file);
    }
}

}  // namespace

BENCHMARK(BM_LoadPng_Library)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadPng_Libpng)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SavePng_Library)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SavePng_Libpng)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadJpeg_Library)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadJpeg_Libjpeg)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveJpeg_Library)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveJpeg_Libjpeg)->Unit(benchmark::kMillisecond);
