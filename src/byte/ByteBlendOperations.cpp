// The operations of ICImageByte that combine the image with a second plane
// or add a texture.
#include <cstdlib>

#include "byte/ByteKernels.h"
#include "byte/BytePlane.h"
#include "byte/CImageByte.h"
#include "core/InstructionSetLevel.h"

namespace VelImageUtility {

void CImageByte::MaskByThreshold(const ImageDesc* mask, int32_t threshold) {
    // A threshold below 1 leaves every byte: negative ones select no mask
    // byte, and 0 would divide by zero.
    if (!HasPackedByteRows(*this) || !IsSameSizePlane(*this, mask) || threshold < 1) return;
    MaskByThresholdRun(data, mask->data, PackedRunLength(*this), threshold);
}

void CImageByte::ColorDodgeBlend(const ImageDesc* blend) {
    if (!HasPackedByteRows(*this) || !IsSameSizePlane(*this, blend)) return;
    ColorDodgeBlendRun(data, blend->data, PackedRunLength(*this));
}

void CImageByte::AddTiledPattern(const uint8_t* pattern, int32_t patternWidth, int32_t patternHeight) {
    // The smallest tile is 2 x 2, so a pattern must be at least that big.
    if (!HasPackedByteRows(*this) || patternWidth < 2 || patternHeight < 2 ||
        !IsUsableBuffer(pattern, patternWidth, patternHeight, patternWidth, 1)) {
        return;
    }
    // The origin takes exactly two numbers from the process's sequence, x first.
    const uint32_t originX = static_cast<uint32_t>(std::rand()) & 31;
    const uint32_t originY = static_cast<uint32_t>(std::rand()) & 31;
    const uint32_t tileMask = TiledPatternMask(patternWidth, patternHeight);
    for (int32_t y = 0; y < height; ++y) {
        const uint32_t patternY = (originY + static_cast<uint32_t>(y)) & tileMask;
        AddTiledPatternRow(data + static_cast<ptrdiff_t>(y) * stride, width,
                           pattern + static_cast<size_t>(patternY) * static_cast<size_t>(patternWidth),
                           originX, tileMask);
    }
}

namespace {

// The intensity of the next cross-hatch line: one number from the sequence,
// and when it is odd a second one picks a new intensity from 10 to 41.
int32_t NextHatchIntensity(int32_t intensity) {
    if ((std::rand() & 1) != 0) return (std::rand() & 31) + 10;
    return intensity;
}

}  // namespace

void CImageByte::AddCrossHatch() {
    if (!HasPackedByteRows(*this)) return;
    int32_t intensity = 10;
    auto line = [&](int32_t x, int32_t y, int32_t stepX) {
        intensity = NextHatchIntensity(intensity);
        AddDiagonalLine(data, width, height, stride, x, y, stepX, static_cast<uint8_t>(intensity));
    };
    // Lines down to the left from the top row, then from the right column;
    // then lines down to the right from the top row (right to left), then
    // from the left column. Each pixel is crossed once in each direction.
    for (int32_t x = 0; x < width; ++x) line(x, 0, -1);
    for (int32_t y = 1; y < height; ++y) line(width - 1, y, -1);
    for (int32_t x = width - 1; x >= 0; --x) line(x, 0, +1);
    for (int32_t y = 1; y < height; ++y) line(0, y, +1);
}

void CImageByte::SubtractPlane(const ImageDesc* other) {
    if (!HasPackedByteRows(*this) || !IsSameSizePlane(*this, other)) return;
    (UseSse2(level) ? SubtractPlaneRun_Sse2 : SubtractPlaneRun_Plain)(data, other->data, PackedRunLength(*this));
}

}  // namespace VelImageUtility
