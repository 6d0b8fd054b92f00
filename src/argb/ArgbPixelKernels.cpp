#include "argb/ArgbPixelKernels.h"

namespace VelImageUtility {

namespace {
// p + floor((q - p) * f / 65536); the product is signed, the shift arithmetic.
inline int32_t Lerp16(int32_t p, int32_t q, int32_t f) { return p + (((q - p) * f) >> 16); }
}  // namespace

void BlendColorRow_Plain(uint8_t* row, int32_t width, uint32_t colour, int32_t weight) {
    const int32_t inverse = 256 - weight;
    for (int32_t x = 0; x < width; ++x) {
        uint8_t* pixel = row + 4 * x;
        for (int32_t lane = 0; lane < 3; ++lane) {
            const int32_t c = static_cast<int32_t>((colour >> (8 * lane)) & 0xFFu);
            pixel[lane] = static_cast<uint8_t>((c * weight + inverse * pixel[lane]) >> 8);
        }
    }
}

void ScaleChannelsRow_Plain(uint8_t* row, int32_t width, const uint8_t factors[4]) {
    for (int32_t x = 0; x < width; ++x) {
        uint8_t* pixel = row + 4 * x;
        if (pixel[3] == 0) continue;
        for (int32_t lane = 0; lane < 4; ++lane) {
            pixel[lane] = static_cast<uint8_t>((pixel[lane] * factors[lane]) >> 8);
        }
    }
}

void SampleBilinearPixel_Plain(const uint8_t* p00, const uint8_t* p10, const uint8_t* p01,
                               const uint8_t* p11, int32_t fx, int32_t fy, uint8_t* out) {
    for (int32_t lane = 0; lane < 3; ++lane) {
        const int32_t top = Lerp16(p00[lane], p10[lane], fx);
        const int32_t bottom = Lerp16(p01[lane], p11[lane], fx);
        out[lane] = static_cast<uint8_t>(Lerp16(top, bottom, fy));
    }
}

}  // namespace VelImageUtility
