// The neighbourhood filters of ICImageByte.
#include <cstring>
#include <new>
#include <vector>

#include "byte/ByteKernels.h"
#include "byte/BytePlane.h"
#include "byte/CImageByte.h"
#include "core/InstructionSetLevel.h"

namespace VelImageUtility {

void CImageByte::BoxBlurInPlace(int32_t radius) {
    if (!HasPackedByteRows(*this) || radius < 1) return;
    const int32_t limited = LimitBoxBlurRadius(radius, width, height);
    if (limited == 0) return;  // a one-pixel window is the image itself
    // The rows still to leave the window are saved as they are overwritten;
    // all scratch is had first, so the image is untouched when it cannot be.
    // No exception may reach a host built by another compiler.
    try {
        std::vector<uint32_t> columnSums(static_cast<size_t>(width), 0);
        std::vector<uint8_t> savedRows(static_cast<size_t>(limited + 1) * static_cast<size_t>(width));
        const bool vector = UseSse2(level);
        const size_t tableSize = static_cast<size_t>(limited) + 1;
        const bool byFloat = vector && BoxBlurUsesFloatReciprocals(limited);
        std::vector<float> floatReciprocals(byFloat ? tableSize : 0);
        std::vector<uint64_t> reciprocals(!byFloat && BoxBlurUsesReciprocals(limited) ? tableSize : 0);
        BoxBlurPlane(data, width, height, limited, columnSums.data(), savedRows.data(), reciprocals.data(),
                     floatReciprocals.data(), vector);
    } catch (const std::bad_alloc&) {
    }
}

namespace {

// The destination of a filter that reads the image: a same-size plane that
// does not share bytes with the image, whose neighbours it would overwrite.
bool IsSeparateDestination(const CImageBase& image, const ImageDesc* destination) {
    return HasPackedByteRows(image) && IsSameSizePlane(image, destination) &&
           !PlaneOverlapsImage(image, destination);
}

// Sets row 0, row height - 1 and columns 0 and width - 1 of a packed plane
// to `value`: every pixel the interior rows leave alone.
void FillBorder(uint8_t* plane, int32_t width, int32_t height, uint8_t value) {
    if (height <= 0 || width <= 0) return;
    std::memset(plane, value, static_cast<size_t>(width));
    std::memset(plane + static_cast<ptrdiff_t>(height - 1) * width, value, static_cast<size_t>(width));
    for (int32_t y = 1; y < height - 1; ++y) {
        plane[static_cast<ptrdiff_t>(y) * width] = value;
        plane[static_cast<ptrdiff_t>(y) * width + width - 1] = value;
    }
}

}  // namespace

void CImageByte::DetectEdges(const ImageDesc* destination, int32_t threshold, uint8_t edgeValue) {
    if (!IsSeparateDestination(*this, destination) || threshold < 1) return;
    // The rows below write every interior pixel, so only the border is
    // cleared: the whole plane ends up written once.
    uint8_t* out = destination->data;
    FillBorder(out, width, height, 0);
    // gx^2 + gy^2 is at most 2 * 765^2, so a limit past that marks nothing;
    // capping it keeps the comparison in 32 bits for any threshold.
    const int32_t limit = threshold > 2 * 765 * 765 / 100 ? 2 * 765 * 765 : threshold * 100;
    const auto detectEdgesRow = PickKernel(level, DetectEdgesRow_Plain, DetectEdgesRow_Sse2, DetectEdgesRow_Avx2);
    for (int32_t y = 1; y < height - 1; ++y) {
        const uint8_t* row = data + static_cast<ptrdiff_t>(y) * width;
        detectEdgesRow(out + static_cast<ptrdiff_t>(y) * width, row - width, row, row + width, width,
                       limit, edgeValue);
    }
}

namespace {

// (dx, dy) of the neighbour that each emboss direction looks toward,
// clockwise from up-left; the opposite direction is (d + 4) mod 8.
constexpr int32_t kEmbossStep[8][2] = {{-1, -1}, {0, -1}, {+1, -1}, {+1, 0},
                                       {+1, +1}, {0, +1}, {-1, +1}, {-1, 0}};

}  // namespace

void CImageByte::EmbossToPlane(const ImageDesc* destination, int32_t direction) {
    if (!IsSeparateDestination(*this, destination) || direction < 0 || direction > 7) return;
    const ptrdiff_t offset = static_cast<ptrdiff_t>(width) * kEmbossStep[direction][1] + kEmbossStep[direction][0];
    const auto embossRow = UseSse2(level) ? EmbossRow_Sse2 : EmbossRow_Plain;
    uint8_t* out = destination->data;
    for (int32_t y = 1; width >= 3 && y < height - 1; ++y) {
        const ptrdiff_t start = static_cast<ptrdiff_t>(y) * width + 1;
        embossRow(out + start, data + start + offset, data + start - offset, width - 2);
    }
    // The border has no opposite neighbours: it reads as flat, 128.
    FillBorder(out, width, height, 128);
}

}  // namespace VelImageUtility
