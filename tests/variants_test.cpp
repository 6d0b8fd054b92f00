// Every operation with a vector variant, run at level 0 (plain), 1 and 3
// (SSE2) on random images of every width around the vector groups, padded
// rows and one row, and on a ramp that meets every pair of byte values:
// identical bytes, or exactly the stated difference, and row padding kept.
// At level 3 the AVX2 rows give exactly the SSE2 rows' bytes.

#include <type_traits>

#include "cpu/Avx2Support.h"
#include "resample/Resample.h"
#include "test_support.h"

using namespace VelImageUtility;
using namespace VelImageUtility::test;

namespace {

// The image first, then its operands, all of one size.
using Frames = std::vector<Frame>;
using Run = std::function<void(int32_t level, Frames&)>;
// Whether a vector pixel may differ from the plain one, given the pixel before.
using Allowed = std::function<bool(const uint8_t* before, const uint8_t* plain, const uint8_t* vector)>;

struct Variant {
    std::string name;
    std::vector<int32_t> bytesPerPixel;  // of the image, then of each operand
    Run run;
    Allowed allowed = nullptr;  // none: identical bytes
    bool packed = false;        // packed rows only
};

// `op(image, descriptors of the operands)` on an image of type `Image` over frame 0.
template <class Image = CImageARGB, class Operation>
Run On(Operation op) {
    return [op](int32_t level, Frames& frames) {
        std::vector<ImageDesc> descs;
        for (size_t i = 1; i < frames.size(); ++i) descs.push_back(frames[i].Desc());
        Image image = ImageAt<Image>(level, frames[0]);
        op(image, descs.data());
    };
}
template <class Operation> Run OnAyuv(Operation op) { return On<CImageAYUV>(op); }
template <class Operation> Run OnByte(Operation op) { return On<CImageByte>(op); }
// A float result written over the first operand's first bytes.
template <class Image, class Operation> Run Result(Operation op) {
    return On<Image>([op](Image& image, ImageDesc* d) { const float value = op(image); std::memcpy(d[0].data, &value, 4); });
}

// The vector colour lies `low` to `high` from the plain one; the alpha is
// the plain one, in that range too, or any.
enum AlphaRule { kSameAlpha, kAlphaToo, kAnyAlpha };
Allowed Colour(int32_t low, int32_t high, AlphaRule alpha = kSameAlpha) {
    return [=](const uint8_t*, const uint8_t* p, const uint8_t* v) {
        for (int32_t c = 0; c < (alpha == kAlphaToo ? 4 : 3); ++c)
            if (v[c] - p[c] < low || v[c] - p[c] > high) return false;
        return alpha != kSameAlpha || p[3] == v[3];
    };
}
// Pixels the vector variant takes in groups follow `rule` on the pixel before.
Allowed Grouped(std::function<void(uint8_t*)> rule) {
    return [=](const uint8_t* before, const uint8_t*, const uint8_t* v) {
        uint8_t expected[4];
        std::memcpy(expected, before, 4);
        rule(expected);
        return std::memcmp(expected, v, 4) == 0;
    };
}
// Colour lanes rounded to nearest multiples of `step`, ties to even, in single precision.
Allowed PosterizedPairs(int32_t step) {
    return Grouped([step](uint8_t* p) {
        for (int32_t c = 0; c < 3; ++c) {
            const float q = std::nearbyint(static_cast<float>(p[c]) / static_cast<float>(step));
            p[c] = static_cast<uint8_t>(std::min(static_cast<int64_t>(q) * step, int64_t{255}));
        }
    });
}

Run Resample(bool up) {
    return [up](int32_t level, Frames& f) {
        const int32_t w = std::max(1, (2 * f[0].width + 2) / 3), h = std::max(1, (2 * f[0].height + 2) / 3);
        ResampleContext context;
        InitResampler(&context);
        ResampleBilinearWithRow(UseSse2(level) ? ResampleBilinearRow_Sse2 : ResampleBilinearRow_Plain, &context,
                                f[0].bytes.data(), 0, 0, up ? w : f[0].width, up ? h : f[0].height, f[0].stride,
                                f[1].bytes.data(), 0, 0, up ? f[1].width : w, up ? f[1].height : h, f[1].stride);
        ReleaseResampler(&context);
    };
}

// Mode 2 halving (the shortcut of exact halves) into the operand's top left.
void Halve(int32_t, Frames& f) {
    ResampleContext context;
    InitResampler(&context);
    ResampleBoxAverage(&context, f[0].bytes.data(), 0, 0, f[0].width / 2 * 2, f[0].height / 2 * 2, f[0].stride,
                       f[1].bytes.data(), 0, 0, f[0].width / 2, f[0].height / 2, f[1].stride);
    ReleaseResampler(&context);
}

// Draws whose footprints cross the image's borders.
template <class Image>
Run Rotated(int32_t mode, bool scaled = true) {
    return On<Image>([=](Image& i, ImageDesc* d) {
        const float w = static_cast<float>(i.width), h = static_cast<float>(i.height);
        if constexpr (std::is_same_v<Image, CImageARGB>) {
            if (!scaled) return i.DrawRotatedImage(&d[0], mode, 0.7f * w, 0.4f * h, 1.2f * w + 3.0f, h + 2.0f, -2.0f, 150);
        }
        i.DrawRotatedImageScaled(&d[0], mode, 0.3f * w, 0.6f * h, 1.3f * w + 2.0f, 1.1f * h + 2.0f, 0.8f, 0.5f, 200);
    });
}

// Blurs of the image, one operand for each radius.
template <class Blur> Run PerRadius(std::vector<int32_t> radii, Blur blur) {
    return On([=](CImageARGB& i, ImageDesc* d) { for (size_t k = 0; k < radii.size(); ++k) blur(i, d[k], radii[k]); });
}

// Blurs over themselves of the image with bytes changed down its columns, so
// that the rows entering and leaving a window differ on the ramp too.
template <class Blur> Run OnVariedRows(Blur blur) {
    return On([=](CImageARGB& i, ImageDesc*) {
        for (int32_t y = 0; y < i.height; ++y)
            for (int32_t b = 0; b < 4 * i.width; ++b) i.data[y * i.stride + b] ^= static_cast<uint8_t>(y * 53 + b % 4 * 17);
        blur(i);
    });
}

// The vector blur divides each pass by the weights used and rounds; alpha 1, not 0.
const Allowed kGaussian = [](const uint8_t* b, const uint8_t* p, const uint8_t* v) { return p[3] == 0 && v[3] == 1 && Colour(-2, 2, kAnyAlpha)(b, p, v); };

const uint8_t kPattern[3 * 3] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
const std::vector<Variant> kVariants = {
    {"FillPixel", {4}, On([](auto& i, auto) { i.FillPixel(0x80FF1020u); })},
    {"FillColorKeepAlpha", {4}, On([](auto& i, auto) { i.FillColorKeepAlpha(1, 2, 3); })},
    {"SetAlpha", {4}, On([](auto& i, auto) { i.SetAlpha(77); })},
    {"BlendColor", {4}, On([](auto& i, auto) { i.BlendColor(0xC0102030u, 200); })},
    {"BlendColor opaque", {4}, On([](auto& i, auto) { i.BlendColor(0xFFFFFFFFu, 255); })},
    // The vector variant scales a pair whole when either pixel has alpha.
    {"ScaleChannelsRGB", {4}, On([](auto& i, auto) { i.ScaleChannelsRGB(255, 128, 3, 200); }), Grouped([](uint8_t* p) {
         const int32_t factors[4] = {3, 128, 255, 200};
         for (int32_t c = 0; c < 4; ++c) p[c] = static_cast<uint8_t>((p[c] * factors[c]) >> 8);
     })},
    // The vector sample drops the lowest fraction bit and writes alpha too.
    {"SampleBilinear", {4, 4}, On([](CImageARGB& i, ImageDesc* d) {
         for (int32_t p = 0; p < d[0].width * d[0].height; ++p) {
             const uint32_t x = uint32_t(p) * 40503u % (uint32_t(i.width) << 16), y = uint32_t(p) * 7919u % (uint32_t(i.height) << 16);
             i.SampleBilinear(x, y, d[0].data + 4 * p);
         }
     }), Colour(-1, 1, kAnyAlpha), true},
    {"AYUV FillPixel", {4}, OnAyuv([](auto& i, auto) { i.FillPixel(0xFF108080u); })},
    {"AYUV FillColorKeepAlpha", {4}, OnAyuv([](auto& i, auto) { i.FillColorKeepAlpha(235, 128, 100); })},
    {"AlphaBlend", {4, 4}, On([](auto& i, auto d) { i.AlphaBlend(&d[0], 255); })},
    {"AlphaBlend 127", {4, 4}, On([](auto& i, auto d) { i.AlphaBlend(&d[0], 127); })},
    {"AdditiveBlend", {4, 4}, On([](auto& i, auto d) { i.AdditiveBlend(&d[0], 254); })},
    // The vector composite divides by an approximate reciprocal.
    {"AlphaComposite", {4, 4}, On([](auto& i, auto d) { i.AlphaComposite(&d[0], 255); }), Colour(-1, 1)},
    {"AlphaComposite 100", {4, 4}, On([](auto& i, auto d) { i.AlphaComposite(&d[0], 100); }), Colour(-1, 1)},
    {"AYUV AlphaBlend", {4, 4}, OnAyuv([](auto& i, auto d) { i.AlphaBlend(&d[0], 200); })},
    {"AYUV AlphaComposite", {4, 4}, OnAyuv([](auto& i, auto d) { i.AlphaComposite(&d[0], 255); }), Colour(-1, 1)},
    {"MultiplyBlend", {4, 4}, On([](auto& i, auto d) { i.MultiplyBlend(&d[0]); })},
    {"ScreenBlend", {4, 4}, On([](auto& i, auto d) { i.ScreenBlend(&d[0]); })},
    {"ColorDodgeBlend", {4, 4}, On([](auto& i, auto d) { i.ColorDodgeBlend(&d[0]); })},
    {"LinearDodgeBlend", {4, 4}, On([](auto& i, auto d) { i.LinearDodgeBlend(&d[0]); })},
    {"OverlayBlend", {4, 4}, On([](auto& i, auto d) { i.OverlayBlend(&d[0]); })},
    {"HardLightBlend", {4, 4}, On([](auto& i, auto d) { i.HardLightBlend(&d[0]); })},
    {"SoftLightBlend", {4, 4}, On([](auto& i, auto d) { i.SoftLightBlend(&d[0]); })},
    {"ConvertToGray", {4}, On([](auto& i, auto) { i.ConvertToGray(); })},
    // Groups of eight, running across rows without padding, round half up.
    {"ConvertToGrayLightness", {4}, On([](auto& i, auto) { i.ConvertToGrayLightness(); }), Grouped([](uint8_t* p) {
         p[0] = p[1] = p[2] = static_cast<uint8_t>((std::max({p[0], p[1], p[2]}) + std::min({p[0], p[1], p[2]}) + 1) >> 1);
     })},
    {"Posterize 2", {4}, On([](auto& i, auto) { i.Posterize(2); }), PosterizedPairs(2)},
    {"Posterize 3", {4}, On([](auto& i, auto) { i.Posterize(3); }), PosterizedPairs(3)},
    {"Posterize 100", {4}, On([](auto& i, auto) { i.Posterize(100); }), PosterizedPairs(100)},
    {"Posterize 255", {4}, On([](auto& i, auto) { i.Posterize(255); }), PosterizedPairs(255)},
    {"Posterize 509", {4}, On([](auto& i, auto) { i.Posterize(509); }), PosterizedPairs(509)},
    {"Posterize 600", {4}, On([](auto& i, auto) { i.Posterize(600); }), PosterizedPairs(600)},
    {"AdjustContrast 0.37", {4}, On([](auto& i, auto) { i.AdjustContrast(0.37f); })},
    {"AdjustContrast 1.5", {4}, On([](auto& i, auto) { i.AdjustContrast(1.5f); })},
    {"AdjustContrast 2", {4}, On([](auto& i, auto) { i.AdjustContrast(2.0f); })},
    {"AdjustBrightness 57", {4}, On([](auto& i, auto) { i.AdjustBrightness(57); })},
    {"AdjustBrightness -57", {4}, On([](auto& i, auto) { i.AdjustBrightness(-57); })},
    {"AdjustBrightness 300", {4}, On([](auto& i, auto) { i.AdjustBrightness(300); })},
    {"MapLevels", {4}, On([](auto& i, auto) { i.MapLevels(50, 200, 0, 255); })},
    {"MapLevels falling", {4}, On([](auto& i, auto) { i.MapLevels(30, 227, 250, 7); })},
    {"MapLevels inverted range", {4}, On([](auto& i, auto) { i.MapLevels(200, 100, 9, 240); })},
    {"Invert", {4}, On([](auto& i, auto) { i.Invert(); })},
    {"AdjustContrastAroundMean", {4}, On([](auto& i, auto) { i.AdjustContrastAroundMean(40); })},
    {"MedianFilterChannels 1", {4}, On([](auto& i, auto) { i.MedianFilterChannels(1); })},
    {"MedianFilterChannels 2", {4}, On([](auto& i, auto) { i.MedianFilterChannels(2); })},
    {"MedianFilterChannels 3", {4}, On([](auto& i, auto) { i.MedianFilterChannels(3); })},
    {"MedianFilterChannels 12", {4}, On([](auto& i, auto) { i.MedianFilterChannels(12); })},
    {"UnsharpMask", {4}, On([](auto& i, auto) { i.UnsharpMask(12850.0f, 0.5f, 2); })},
    {"UnsharpMask long kernel", {4}, On([](auto& i, auto) { i.UnsharpMask(-1e6f, 6.0f, 10); })},
    {"GetChannel", {4, 1, 1, 1, 1}, On([](auto& i, auto d) { for (int32_t lane = 0; lane < 4; ++lane) i.GetChannel(&d[lane], lane); })},
    {"SetChannel", {4, 1, 1}, On([](auto& i, auto d) { i.SetChannel(&d[0], 1); i.SetChannel(&d[1], 3); })},
    {"CopyAlphaFrom", {4, 4}, On([](auto& i, auto d) { i.CopyAlphaFrom(&d[0]); })},
    {"AYUV CopyAlphaFrom", {4, 4}, OnAyuv([](auto& i, auto d) { i.CopyAlphaFrom(&d[0]); })},
    {"SubtractPlane", {4, 1}, On([](auto& i, auto d) { i.SubtractPlane(&d[0]); })},
    {"GetMeanValue", {4, 4}, Result<CImageARGB>([](auto& i) { return i.GetMeanValue(); })},
    {"ConvertToAYUV", {4, 4}, On([](auto& i, auto d) { i.ConvertToAYUV(&d[0]); }), nullptr, true},
    {"ConvertToLuma", {4, 1}, On([](auto& i, auto d) { i.ConvertToLuma(&d[0]); }), nullptr, true},
    {"ConvertToHSLPlanes", {4, 1, 1, 1}, On([](auto& i, auto d) { i.ConvertToHSLPlanes(&d[0], &d[1], &d[2]); })},
    {"SetGrayFromPlane", {4, 1}, On([](auto& i, auto d) { i.SetGrayFromPlane(&d[0]); })},
    {"AYUV ConvertToARGB", {4, 4}, OnAyuv([](auto& i, auto d) { i.ConvertToARGB(&d[0]); })},
    {"AYUV ConvertToLuma", {4, 1}, OnAyuv([](auto& i, auto d) { i.ConvertToLuma(&d[0]); })},
    {"AYUV Posterize", {4}, OnAyuv([](auto& i, auto) { i.Posterize(64); }), PosterizedPairs(64)},
    // The reciprocal estimate may leave a colour one lower.
    {"AYUV BoxBlurInPlace", {4}, OnAyuv([](auto& i, auto) { i.BoxBlurInPlace(2); }), Colour(-1, 0)},
    // The vector rows round the rim mean and the composite quotient to nearest.
    {"AYUV DrawRotatedImageScaled", {4, 4}, Rotated<CImageAYUV>(0), Colour(-1, 1, kAlphaToo)},
    {"AYUV DrawRotatedImageScaled composite", {4, 4}, Rotated<CImageAYUV>(7), Colour(-2, 2, kAlphaToo)},
    // The reciprocal estimate may leave a colour one off either way.
    {"DrawRotatedImage", {4, 4}, Rotated<CImageARGB>(1, false)},
    {"DrawRotatedImageScaled", {4, 4}, Rotated<CImageARGB>(8)},
    {"DrawRotatedImage mix", {4, 4}, Rotated<CImageARGB>(0, false)},
    {"DrawRotatedImageScaled mix", {4, 4}, Rotated<CImageARGB>(0)},
    // Later pixels sample what earlier ones wrote.
    {"DrawRotatedImage onto itself", {4}, On([](auto& i, auto) {
         ImageDesc self = i.Desc();
         i.DrawRotatedImage(&self, 0, 0.6f * i.width, 0.5f * i.height, 1.0f * i.width, 0.8f * i.height, 0.2f, 255); })},
    {"DrawImage", {4, 4}, On([](auto& i, auto d) { i.DrawImage(&d[0], 1, -0.3f * i.width, 0.2f * i.height, 1.5f * i.width + 3, 0.9f * i.height + 3, 150); })},
    {"DrawImage composite", {4, 4}, On([](auto& i, auto d) { i.DrawImage(&d[0], 7, 0.5f, -2.5f, 0.7f * i.width + 3, 1.3f * i.height + 5, 255); }), Colour(-1, 1)},
    {"BoxBlur", {4, 4, 4, 4}, PerRadius({1, 3, 64}, [](auto& i, ImageDesc& d, int32_t r) { i.BoxBlur(d.data, i.data, i.width, i.height, d.stride, i.stride, r); }), Colour(-1, 1)},
    {"ApplyBoxBlur", {4}, OnVariedRows([](auto& i) { i.ApplyBoxBlur(3); }), Colour(-1, 1)},
    {"ApplyBoxBlurAlphaWeighted", {4}, OnVariedRows([](auto& i) { for (int32_t r : {1, 5}) i.ApplyBoxBlurAlphaWeighted(r); })},
    {"BoxBlurAlphaWeighted", {4, 4, 4}, PerRadius({1, 63}, [](auto& i, ImageDesc& d, int32_t r) { i.BoxBlurAlphaWeighted(d.data, i.data, i.width, i.height, d.stride, i.stride, r); })},
    // The image is scrambled first so that the ramp's rows differ too.
    {"GaussianBlur", {4, 4, 4, 4, 4, 4, 4}, On([](auto& i, ImageDesc* d) {
         for (int32_t y = 0; y < i.height; ++y)
             for (int32_t x = 0; x < 4 * i.width; ++x) i.data[y * i.stride + x] ^= static_cast<uint8_t>((x * 2654435761u ^ y * 40503u) >> 13);
         const int32_t radii[] = {1, 2, 3, 4, 5, 64};
         for (int32_t k = 0; k < 6; ++k) i.GaussianBlur(radii[k], i.data, d[k].data, i.width, i.height, i.stride, d[k].stride);
     }), kGaussian},
    {"ResampleBilinear up", {4, 4}, Resample(true)},
    {"ResampleBilinear down", {4, 4}, Resample(false)},
    {"ResampleBoxAverage halving", {4, 4}, Halve, nullptr, true},
    {"Byte MultiplyByGain 3", {1}, OnByte([](auto& i, auto) { i.MultiplyByGain(3); }), nullptr, true},
    {"Byte MultiplyByGain 256", {1}, OnByte([](auto& i, auto) { i.MultiplyByGain(256); }), nullptr, true},
    {"Byte MapLevels", {1}, OnByte([](auto& i, auto) { i.MapLevels(3, 90, 200, 17); })},
    {"Byte Invert", {1}, OnByte([](auto& i, auto) { i.Invert(); }), nullptr, true},
    {"Byte AdjustContrast", {1}, OnByte([](auto& i, auto) { i.AdjustContrast(1.37f); }), nullptr, true},
    {"Byte AdjustBrightness", {1}, OnByte([](auto& i, auto) { i.AdjustBrightness(-100); }), nullptr, true},
    {"Byte GetMeanValue", {1, 4}, Result<CImageByte>([](auto& i) { return i.GetMeanValue(); })},
    {"Byte MaskByThreshold", {1, 1}, OnByte([](auto& i, auto d) { i.MaskByThreshold(&d[0], 100); }), nullptr, true},
    {"Byte ColorDodgeBlend", {1, 1}, OnByte([](auto& i, auto d) { i.ColorDodgeBlend(&d[0]); }), nullptr, true},
    {"Byte SubtractPlane", {1, 1}, OnByte([](auto& i, auto d) { i.SubtractPlane(&d[0]); }), nullptr, true},
    {"Byte AddTiledPattern", {1}, OnByte([](auto& i, auto) { i.AddTiledPattern(kPattern, 3, 3); }), nullptr, true},
    {"Byte EmbossToPlane", {1, 1, 1, 1, 1, 1, 1, 1, 1}, OnByte([](auto& i, auto d) {
         for (int32_t direction = 0; direction < 8; ++direction) i.EmbossToPlane(&d[direction], direction);
     }), nullptr, true},
    {"Byte AddCrossHatch", {1}, OnByte([](auto& i, auto) { i.AddCrossHatch(); }), nullptr, true},
    // The pattern varies the ramp down its columns; radius 63 is the widest
    // window the vector rows divide in single precision.
    {"Byte BoxBlurInPlace", {1}, OnByte([](auto& i, auto) {
         i.AddTiledPattern(kPattern, 3, 3);
         for (int32_t r : {1, 4, 63}) i.BoxBlurInPlace(r);
     }), nullptr, true},
    // Levels 0..5 make gradients of exactly the limit common.
    {"Byte DetectEdges", {1, 1, 1}, OnByte([](auto& i, auto d) {
         i.DetectEdges(&d[0], 30, 200);
         i.MapLevels(0, 255, 0, 5);
         i.DetectEdges(&d[1], 1, 255);
     }), nullptr, true},
};

// Random frames (alphas 0 and 255 a quarter of the time each) of the sizes
// given, or the ramp: byte x of each image pixel against byte y of each operand's.
Frames FramesOf(const Variant& variant, std::mt19937& rng, int32_t width, int32_t height, int32_t padding, bool ramp) {
    Frames frames;
    for (size_t i = 0; i < variant.bytesPerPixel.size(); ++i) {
        const int32_t bpp = variant.bytesPerPixel[i];
        frames.push_back(RandomFrame(rng, width, height, bpp, padding == 0 ? 0 : padding + int32_t(i)));
        for (int32_t y = 0; y < height; ++y) {
            for (int32_t x = 0; x < width; ++x) {
                uint8_t* p = frames[i].Pixel(x, y);
                for (int32_t c = 0; ramp && c < bpp; ++c) p[c] = static_cast<uint8_t>((i == 0 ? x : y) + 85 * c);
                if (!ramp && bpp == 4 && rng() % 2 == 0) p[3] = rng() % 2 == 0 ? 0 : 255;
            }
        }
    }
    return frames;
}

// An instruction-set level, with AVX2 rows allowed or not.
using Setting = std::pair<int32_t, VectorTier>;
Frames RunAt(const Variant& variant, Frames frames, Setting setting) {
    ScopedVectorTier scoped(setting.second);
    std::srand(7);
    variant.run(setting.first, frames);
    return frames;
}

// Every later run gives the first one's bytes, or pixels `allowed` lets differ; padding is kept.
void ExpectAgreement(const Frames& before, const Variant& variant, const Allowed& allowed, std::vector<Setting> runs) {
    const Frames first = RunAt(variant, before, runs[0]);
    for (size_t s = 1; s < runs.size(); ++s) {
        const Frames later = RunAt(variant, before, runs[s]);
        for (size_t i = 0; i < before.size(); ++i) {
            Frame p = first[i], v = later[i], b = before[i];
            ASSERT_TRUE(p.PaddingEquals(b) && v.PaddingEquals(b)) << "frame " << i;
            for (int32_t y = 0; y < b.height && p.bytes != v.bytes; ++y) {
                for (int32_t x = 0; x < b.width; ++x) {
                    if (std::memcmp(p.Pixel(x, y), v.Pixel(x, y), b.bytesPerPixel) == 0) continue;
                    ASSERT_TRUE(allowed && b.bytesPerPixel == 4 && allowed(b.Pixel(x, y), p.Pixel(x, y), v.Pixel(x, y)))
                        << "run " << s << ", frame " << i << ", pixel " << x << "," << y;
                }
            }
        }
    }
}

// `check` on random frames of widths 1 .. `dense`, 47 and 70 (or every one up to 70), heights 1 and
// 3, packed rows and rows padded by each of `pads` (unless the variant takes packed rows only), then
// on the ramp.
void Sweep(const Variant& variant, int32_t dense, std::vector<int32_t> pads, std::function<void(const Frames&)> check) {
    std::mt19937 rng(static_cast<uint32_t>(dense));
    for (int32_t width = 1; width <= 70; width = width < dense ? width + 1 : width < 47 ? 47 : width + 23) {
        for (int32_t height : {1, 3}) {
            for (int32_t padding : pads) {
                if (padding != 0 && variant.packed) continue;
                SCOPED_TRACE(std::to_string(width) + " x " + std::to_string(height) + " + " + std::to_string(padding));
                ASSERT_NO_FATAL_FAILURE(check(FramesOf(variant, rng, width, height, padding, false)));
            }
        }
    }
    check(FramesOf(variant, rng, 259, 256, variant.packed ? 0 : 4, true));
}

TEST(Variants, VectorGivesThePlainBytesOrTheStatedDifference) {
    const std::vector<Setting> levels = {{0, VectorTier::Avx2}, {1, VectorTier::Avx2}, {kSse2Level, VectorTier::Avx2}};
    for (const Variant& variant : kVariants) {
        SCOPED_TRACE(variant.name);
        Sweep(variant, 33, {0, 7}, [&](const Frames& f) { ExpectAgreement(f, variant, variant.allowed, levels); });
        if (HasFatalFailure()) return;
    }
}

// At level 3 the AVX2 tier gives the SSE2 tier's bytes at every tail
// length of a 32-byte group, rows packed, 4-byte aligned and unaligned.
TEST(Variants, Avx2TierGivesTheSse2Bytes) {
    if (!ProcessorHasAvx2()) GTEST_SKIP() << "no AVX2 on this processor";
    for (const Variant& variant : kVariants) {
        SCOPED_TRACE(variant.name);
        Sweep(variant, 70, {0, 4, 5}, [&](const Frames& before) {
            ExpectAgreement(before, variant, nullptr, {{kSse2Level, VectorTier::Sse2}, {kSse2Level, VectorTier::Avx2}});
        });
        if (HasFatalFailure()) return;
    }
}

TEST(Variants, Avx2NeedsTheProcessorBitAndTheSystemsRegisterState) {
    constexpr uint32_t kAvxEcx = (1u << 27) | (1u << 28), kAvx2Ebx = 1u << 5;
    EXPECT_TRUE(IsAvx2Usable(7, kAvxEcx, kAvx2Ebx, 7));
    EXPECT_FALSE(IsAvx2Usable(6, kAvxEcx, kAvx2Ebx, 7));    // no leaf 7
    EXPECT_FALSE(IsAvx2Usable(13, 1u << 28, kAvx2Ebx, 7));  // no XGETBV
    EXPECT_FALSE(IsAvx2Usable(13, kAvxEcx, ~kAvx2Ebx, 7));  // no AVX2
    EXPECT_FALSE(IsAvx2Usable(13, kAvxEcx, kAvx2Ebx, 3));   // upper halves not saved
    EXPECT_EQ(UseAvx2(), ProcessorHasAvx2());
    ScopedVectorTier sse2(VectorTier::Sse2);
    EXPECT_FALSE(UseAvx2());
}

}  // namespace
