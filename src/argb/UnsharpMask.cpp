#include "argb/UnsharpMask.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <memory>
#include <new>

#include "argb/CImageARGB.h"
#include "core/InputChecks.h"
#include "core/InstructionSetLevel.h"

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
    fixed.scaledTaps.resize(kernel.size());
    fixed.weights.resize(kernel.size());
    fixed.products.resize(kernel.size() * 256);
    for (size_t i = 0; i < kernel.size(); ++i) {
        fixed.scaledTaps[i] = kernel[i] * 65536.0f;
        fixed.weights[i] = static_cast<int32_t>(fixed.scaledTaps[i]);
        for (int32_t v = 0; v < 256; ++v) {
            const float product = kernel[i] * static_cast<float>(v);
            fixed.products[i * 256 + static_cast<size_t>(v)] = static_cast<int32_t>(product * 65536.0f);
        }
    }
    return fixed;
}

void ProductSums_Plain(const uint8_t* in, ptrdiff_t tapStep, const FixedPointKernel& kernel, uint8_t* out,
                       int32_t count) {
    const int32_t n = static_cast<int32_t>(kernel.weights.size());
    for (int32_t e = 0; e < count; ++e) {
        int32_t sum = 0;
        const uint8_t* tap = in + e;
        for (int32_t k = 0; k < n; ++k, tap += tapStep) sum += kernel.products[static_cast<size_t>(k) * 256 + *tap];
        out[e] = static_cast<uint8_t>(std::min(sum >> 16, 255));
    }
}

void SharpenRow_Plain(uint8_t* row, const uint8_t* blurred, size_t count, int32_t amount, uint32_t threshold) {
    for (size_t i = 0; i < count; ++i) {
        int32_t diff = row[i] - blurred[i];
        if (static_cast<uint32_t>(2 * std::abs(diff)) < threshold) diff = 0;
        const int32_t sharpened = row[i] + ((diff * amount) >> 16);
        row[i] = static_cast<uint8_t>(std::clamp(sharpened, 0, 255));
    }
}

namespace {
// The taps first..last of the kernel that reach inside a line of `length`
// samples around position p.
struct TapRange {
    int32_t first, last;
};
TapRange TapsAt(int32_t p, int32_t taps, int32_t length) {
    const int32_t mid = taps / 2;
    return {std::max(0, mid - p), std::min(taps - 1, mid + length - 1 - p)};
}

// out[0..count) through the taps of `range`, tap k reading
// from[e + (k - first) x step]: the whole kernel through the product sums,
// a cut one renormalised by its taps' own weight.
void BlurSamples(const uint8_t* from, ptrdiff_t step, int32_t count, TapRange range, const FixedPointKernel& kernel,
                 ProductSumsKernel productSums, uint8_t* out) {
    if (range.first == 0 && range.last == static_cast<int32_t>(kernel.weights.size()) - 1) {
        productSums(from, step, kernel, out, count);
        return;
    }
    int64_t weightSum = 0;
    for (int32_t k = range.first; k <= range.last; ++k) weightSum += kernel.weights[k];
    for (int32_t e = 0; e < count; ++e) {
        int64_t sum = 0;
        for (int32_t k = range.first; k <= range.last; ++k) {
            sum += int64_t{from[(k - range.first) * step + e]} * kernel.weights[k];
        }
        out[e] = CutKernelAverage(sum, weightSum);
    }
}

}  // namespace

// The pixels whose taps all fall inside the line are one run of samples.
void BlurLine(const uint8_t* source, uint8_t* destination, int32_t length, const FixedPointKernel& kernel,
              ProductSumsKernel productSums) {
    const int32_t n = static_cast<int32_t>(kernel.weights.size());
    for (int32_t p = 0; p < length; ++p) {
        const TapRange range = TapsAt(p, n, length);
        if (range.first == 0 && range.last == n - 1) {
            p = length - 1 - n / 2;  // past the run of whole kernels, all made below
            continue;
        }
        BlurSamples(source + (p - n / 2 + range.first) * kChannels, kChannels, kChannels, range, kernel, productSums,
                    destination + p * kChannels);
    }
    if (n <= length) {
        productSums(source, kChannels, kernel, destination + n / 2 * kChannels, (length - n + 1) * kChannels);
    }
}

// Alpha goes through the same steps as the colours. Rows are blurred across
// as the columns' taps first reach them, into a window of rows: when the
// image is taller than twice the window, a ring of one row per tap (and,
// in the vector variant, per further row blurred down at once), each row
// stored twice over so that any run of rows lies in one piece; else every
// row. The vector variant blurs kRowsAtOnce rows down at once where their
// taps all fall inside the image. A row is sharpened in place once its
// blurred rows are made, and no later row reads it.
void CImageARGB::UnsharpMask(float amountPercent, float radius, uint32_t threshold) {
    if (!AreFiniteArguments(amountPercent, radius) || !(std::fabs(radius) <= kMaxUnsharpRadius) ||
        !IsUsablePixels(*this, kChannels) || width == 0 || height == 0) {
        return;
    }
    const FixedPointKernel kernel = ToFixedPoint(BuildSmoothingKernel(radius));
    const int32_t n = static_cast<int32_t>(kernel.weights.size());
    const bool vector = UseSse2(level);
    const int32_t atOnce = vector ? kRowsAtOnce : 1;
    const int32_t window = n + atOnce - 1;
    const size_t rowBytes = static_cast<size_t>(width) * kChannels;
    const bool ring = height > 2 * window;
    const size_t slots = ring ? 2 * static_cast<size_t>(window) : static_cast<size_t>(height);
    std::unique_ptr<uint8_t[]> across(new (std::nothrow) uint8_t[slots * rowBytes]);
    std::unique_ptr<uint8_t[]> blurred(new (std::nothrow) uint8_t[static_cast<size_t>(atOnce) * rowBytes]);
    if (!across || !blurred) return;
    auto slot = [&](int32_t row) { return across.get() + static_cast<size_t>(ring ? row % window : row) * rowBytes; };

    const double fixedAmount = std::trunc(static_cast<double>(amountPercent) / 100.0 * 65536.0);
    const int32_t amount = static_cast<int32_t>(std::clamp(fixedAmount, -kMaxFixedAmount, kMaxFixedAmount));
    const auto sharpenRow = PickKernel(level, SharpenRow_Plain, SharpenRow_Sse2, SharpenRow_Avx2);
    const ProductSumsKernel productSums = PickKernel(level, ProductSums_Plain, ProductSums_Sse2, ProductSums_Avx2);
    const RowSumsKernel rowSums = PickVectorKernel(RowSums_Sse2, RowSums_Avx2);
    int32_t made = 0;
    for (int32_t y = 0; y < height;) {
        const TapRange range = TapsAt(y, n, height);
        const int32_t top = y - n / 2 + range.first;
        const int32_t rows = atOnce > 1 && range.first == 0 && y + atOnce - 1 + n / 2 < height ? atOnce : 1;
        for (; made <= y + rows - 1 - n / 2 + range.last; ++made) {
            BlurLine(data + static_cast<ptrdiff_t>(made) * stride, slot(made), width, kernel, productSums);
            if (ring) std::memcpy(slot(made) + static_cast<size_t>(window) * rowBytes, slot(made), rowBytes);
        }
        if (rows > 1) {
            rowSums(slot(top), static_cast<ptrdiff_t>(rowBytes), kernel, blurred.get(),
                    static_cast<ptrdiff_t>(rowBytes), static_cast<int32_t>(rowBytes));
        } else {
            BlurSamples(slot(top), static_cast<ptrdiff_t>(rowBytes), static_cast<int32_t>(rowBytes), range, kernel,
                        productSums, blurred.get());
        }
        for (int32_t r = 0; r < rows; ++r, ++y) {
            sharpenRow(data + static_cast<ptrdiff_t>(y) * stride, blurred.get() + static_cast<size_t>(r) * rowBytes,
                       rowBytes, amount, threshold);
        }
    }
}

}  // namespace VelImageUtility
