#include "argb/UnsharpMask.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>

#include "argb/CImageARGB.h"
#include "core/InputChecks.h"

namespace VelImageUtility {

namespace {
constexpr int32_t kChannels = 4;

// The largest |amount x 65536| for which diff x amount, |diff| <= 255, fits
// 32 signed bits.
constexpr double kMaxFixedAmount = static_cast<double>(INT32_MAX / 255);

uint8_t CutKernelAverage(int64_t weightedSum, int64_t weightSum) {
    const int64_t average = weightSum > 0 ? weightedSum / weightSum : 0;
    return static_cast<uint8_t>(std::min<int64_t>(average, 255));
}
}  // namespace

// The weight of a tap at distance x is exp(-sqrt(x) / (2 sqrt(s))), averaged
// over 50 sample positions across the tap (51 for the centre tap, from 0.5
// up), positions stepping by 0.02 in single precision and stopping at 2s.
std::vector<float> BuildSmoothingKernel(float radius) {
    const double s = std::fabs(radius) + 1.0;
    const double reach = 2.0 * s;
    const int32_t n = std::max(1, static_cast<int32_t>(2.0 * std::ceil(reach - 0.5) + 1.0));
    const int32_t mid = n / 2;
    const double spread = 2.0 * std::sqrt(s);
    auto weight = [&](float position) { return std::exp(-std::sqrt(static_cast<double>(position)) / spread); };

    std::vector<float> kernel(static_cast<size_t>(n));
    for (int32_t i = mid + 1; i < n; ++i) {
        const float start = static_cast<float>(i - mid) - 0.5f;
        double sum = 0.0;
        for (int32_t j = 1; j <= 50; ++j) {
            const float position = start + 0.02f * static_cast<float>(j);
            if (static_cast<double>(position) <= reach) sum += weight(position);
        }
        kernel[static_cast<size_t>(i)] = static_cast<float>(sum / 50.0);
    }
    for (int32_t i = 0; i < mid; ++i) kernel[static_cast<size_t>(i)] = kernel[static_cast<size_t>(n - 1 - i)];
    double centre = 0.0;
    for (int32_t j = 0; j <= 50; ++j) centre += weight(0.5f + 0.02f * static_cast<float>(j));
    kernel[static_cast<size_t>(mid)] = static_cast<float>(centre / 51.0);

    float total = 0.0f;
    for (float k : kernel) total += k;
    for (float& k : kernel) k /= total;
    return kernel;
}

FixedPointKernel ToFixedPoint(const std::vector<float>& kernel) {
    FixedPointKernel fixed;
    fixed.weights.resize(kernel.size());
    fixed.products.resize(kernel.size() * 256);
    for (size_t i = 0; i < kernel.size(); ++i) {
        fixed.weights[i] = static_cast<int32_t>(kernel[i] * 65536.0f);
        for (int32_t v = 0; v < 256; ++v) {
            const float product = kernel[i] * static_cast<float>(v);
            fixed.products[i * 256 + static_cast<size_t>(v)] = static_cast<int32_t>(product * 65536.0f);
        }
    }
    return fixed;
}

void BlurLine(const uint8_t* source, uint8_t* destination, int32_t length, const FixedPointKernel& kernel) {
    const int32_t n = static_cast<int32_t>(kernel.weights.size());
    const int32_t mid = n / 2;
    const int32_t* weights = kernel.weights.data();
    // Pixel p through the taps first..last (kernel indices), tap k reading
    // source pixel p - mid + k, renormalised by the taps' own weight.
    auto cutPixel = [&](int32_t p, int32_t first, int32_t last) {
        int64_t weightSum = 0;
        for (int32_t k = first; k <= last; ++k) weightSum += weights[k];
        for (int32_t c = 0; c < kChannels; ++c) {
            int64_t sum = 0;
            for (int32_t k = first; k <= last; ++k) sum += int64_t{source[(p - mid + k) * kChannels + c]} * weights[k];
            destination[p * kChannels + c] = CutKernelAverage(sum, weightSum);
        }
    };
    if (n > length) {
        for (int32_t p = 0; p < length; ++p) cutPixel(p, std::max(0, mid - p), std::min(n - 1, mid + length - 1 - p));
        return;
    }
    for (int32_t p = 0; p < mid; ++p) cutPixel(p, mid - p, n - 1);
    for (int32_t p = mid; p < length - mid; ++p) {
        const uint8_t* window = source + static_cast<ptrdiff_t>(p - mid) * kChannels;
        int32_t sums[kChannels] = {0, 0, 0, 0};
        for (int32_t k = 0; k < n; ++k, window += kChannels) {
            const int32_t* products = kernel.products.data() + static_cast<ptrdiff_t>(k) * 256;
            for (int32_t c = 0; c < kChannels; ++c) sums[c] += products[window[c]];
        }
        for (int32_t c = 0; c < kChannels; ++c) {
            destination[p * kChannels + c] = static_cast<uint8_t>(std::min(sums[c] >> 16, 255));
        }
    }
    for (int32_t p = std::max(mid, length - mid); p < length; ++p) cutPixel(p, 0, length - p + mid - 1);
}

// Alpha goes through the same steps as the colours.
void CImageARGB::UnsharpMask(float amountPercent, float radius, uint32_t threshold) {
    if (!AreFiniteArguments(amountPercent, radius) || !(std::fabs(radius) <= kMaxUnsharpRadius) ||
        !IsUsablePixels(*this, kChannels) || width == 0 || height == 0) {
        return;
    }
    const size_t rowBytes = static_cast<size_t>(width) * kChannels;
    std::vector<uint8_t> source(rowBytes * static_cast<size_t>(height));
    for (int32_t y = 0; y < height; ++y) {
        std::memcpy(&source[rowBytes * static_cast<size_t>(y)], data + static_cast<ptrdiff_t>(y) * stride, rowBytes);
    }
    const FixedPointKernel kernel = ToFixedPoint(BuildSmoothingKernel(radius));

    for (int32_t y = 0; y < height; ++y) {
        BlurLine(&source[rowBytes * static_cast<size_t>(y)], data + static_cast<ptrdiff_t>(y) * stride, width, kernel);
    }
    std::vector<uint8_t> column(static_cast<size_t>(height) * kChannels);
    std::vector<uint8_t> blurred(column.size());
    for (int32_t x = 0; x < width; ++x) {
        uint8_t* pixel = data + static_cast<ptrdiff_t>(x) * kChannels;
        for (int32_t y = 0; y < height; ++y) std::memcpy(&column[static_cast<size_t>(y) * kChannels], pixel + static_cast<ptrdiff_t>(y) * stride, kChannels);
        BlurLine(column.data(), blurred.data(), height, kernel);
        for (int32_t y = 0; y < height; ++y) std::memcpy(pixel + static_cast<ptrdiff_t>(y) * stride, &blurred[static_cast<size_t>(y) * kChannels], kChannels);
    }

    const double fixedAmount = std::trunc(static_cast<double>(amountPercent) / 100.0 * 65536.0);
    const int32_t amount = static_cast<int32_t>(std::clamp(fixedAmount, -kMaxFixedAmount, kMaxFixedAmount));
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t* original = &source[rowBytes * static_cast<size_t>(y)];
        uint8_t* row = data + static_cast<ptrdiff_t>(y) * stride;
        for (size_t i = 0; i < rowBytes; ++i) {
            int32_t diff = original[i] - row[i];
            if (static_cast<uint32_t>(2 * std::abs(diff)) < threshold) diff = 0;
            const int32_t sharpened = original[i] + ((diff * amount) >> 16);
            row[i] = static_cast<uint8_t>(std::clamp(sharpened, 0, 255));
        }
    }
}

}  // namespace VelImageUtility
