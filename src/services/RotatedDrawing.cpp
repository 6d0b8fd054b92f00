#include "services/RotatedDrawing.h"

#include <algorithm>
#include <cstring>

#include "services/RotatedSampling.h"

namespace VelImageUtility {

namespace {
// Interpolated alpha weight and colour of one box pixel.
struct Sample {
    int32_t weight;
    int32_t colour[3];
};

inline int32_t Lerp16(int32_t p, int32_t q, int32_t f) { return p + (((q - p) * f) >> 16); }

// Alpha is interpolated over all four samples, zero pixels included; the
// colour too when all four are inside, else it is their mean over those
// inside, truncated.
inline void Interpolate(const RotatedTaps& taps, uint8_t opacity, Sample* sample) {
    const auto bilinear = [&](int32_t lane) {
        const int32_t top = Lerp16(taps.p[0][lane], taps.p[1][lane], taps.fx);
        const int32_t bottom = Lerp16(taps.p[2][lane], taps.p[3][lane], taps.fx);
        return Lerp16(top, bottom, taps.fy);
    };
    sample->weight = ((opacity + 1) * bilinear(3)) >> 8;
    for (int32_t lane = 0; lane < 3; ++lane) {
        sample->colour[lane] =
            taps.inside == 4
                ? bilinear(lane)
                : (taps.p[0][lane] + taps.p[1][lane] + taps.p[2][lane] + taps.p[3][lane]) /
                      taps.inside;
    }
}

template <RotatedMerge kMerge>
inline void Merge(const Sample& sample, uint8_t* d) {
    const int32_t a = sample.weight;
    if (kMerge == RotatedMerge::kBlack) {
        d[0] = d[1] = d[2] = 0;
        d[3] = 255;
        return;
    }
    if (kMerge == RotatedMerge::kComposite) {
        const int32_t destinationAlpha = d[3];
        const int32_t merged = destinationAlpha + a - (destinationAlpha * a) / 255;
        d[3] = static_cast<uint8_t>(merged);
        if (merged == 0) return;
        for (int32_t lane = 0; lane < 3; ++lane) {
            const int32_t k = sample.colour[lane];
            const int32_t value = (a * k + ((d[lane] * (256 - a) * destinationAlpha) >> 8)) / merged;
            d[lane] = static_cast<uint8_t>(std::min(255, value));
        }
        return;
    }
    for (int32_t lane = 0; lane < 3; ++lane) {
        const int32_t k = sample.colour[lane];
        int32_t value;
        if (kMerge == RotatedMerge::kMixEach) {
            value = ((d[lane] * (255 - a)) >> 8) + ((a * k) >> 8);
        } else if (kMerge == RotatedMerge::kMix) {
            value = (d[lane] * (256 - a) + a * k) >> 8;
        } else {
            value = d[lane] + ((a * k) >> 8);
        }
        d[lane] = static_cast<uint8_t>(std::min(255, value));
    }
    if (kMerge == RotatedMerge::kAddOpaque) d[3] = 255;
}

template <RotatedMerge kMerge>
void DrawRow(const RotatedSource& source, uint32_t u, uint32_t v, int32_t dudx, int32_t dvdx,
             uint8_t* row, int32_t count, uint8_t opacity) {
    RotatedTaps taps;
    Sample sample;
    for (int32_t x = 0; x < count; ++x, u += static_cast<uint32_t>(dudx),
                 v += static_cast<uint32_t>(dvdx)) {
        if (!GatherRotatedTaps(source, u, v, &taps)) continue;
        Interpolate(taps, opacity, &sample);
        Merge<kMerge>(sample, row + 4 * x);
    }
}
}  // namespace

void DrawRotatedRow_Plain(const RotatedSource& source, uint32_t u, uint32_t v, int32_t dudx,
                          int32_t dvdx, uint8_t* row, int32_t count, RotatedMerge merge,
                          uint8_t opacity) {
    using Row = void (*)(const RotatedSource&, uint32_t, uint32_t, int32_t, int32_t, uint8_t*,
                         int32_t, uint8_t);
    // In the order of RotatedMerge.
    static constexpr Row kRows[] = {
        DrawRow<RotatedMerge::kMixEach>,   DrawRow<RotatedMerge::kMix>,
        DrawRow<RotatedMerge::kAdd>,       DrawRow<RotatedMerge::kAddOpaque>,
        DrawRow<RotatedMerge::kComposite>, DrawRow<RotatedMerge::kBlack>,
    };
    kRows[static_cast<int32_t>(merge)](source, u, v, dudx, dvdx, row, count, opacity);
}

}  // namespace VelImageUtility
