// Whole-image colour conversions of ARGB images: to AYUV, to a luma plane,
// to and from three HSL planes.
#include "argb/ArgbColourConversionKernels.h"
#include "argb/CImageARGB.h"
#include "core/InputChecks.h"
#include "core/InstructionSetLevel.h"

namespace VelImageUtility {

namespace {
constexpr int32_t kArgbBytes = 4;

// This 4-byte image and three 1-byte planes of its size.
bool AreSameSizePlanes(const CImageBase& image, const ImageDesc* h, const ImageDesc* s,
                       const ImageDesc* l) {
    return IsUsablePixels(image, kArgbBytes) && IsSameSizePixels(image, h, 1) &&
           IsSameSizePixels(image, s, 1) && IsSameSizePixels(image, l, 1);
}
}  // namespace

// The vector variant writes only into a destination without row padding
// and leaves any other untouched.
void CImageARGB::ConvertToAYUV(const ImageDesc* destination) {
    if (!IsUsablePixels(*this, kArgbBytes) || !IsSameSizePixels(*this, destination, kArgbBytes)) return;
    const bool sse2 = UseSse2(level);
    if (sse2 && int64_t{destination->stride} != int64_t{destination->bytesPerPixel} * width) return;
    const auto convertRow = sse2 ? PickVectorKernel(ConvertToAYUVRow_Sse2, ConvertToAYUVRow_Avx2) : ConvertToAYUVRow_Plain;
    const uint8_t* from = data;
    uint8_t* to = destination->data;
    for (int32_t y = 0; y < height; ++y, from += stride, to += destination->stride) {
        convertRow(from, to, width);
    }
}

void CImageARGB::ConvertFromHSLPlanes(const ImageDesc* h, const ImageDesc* s, const ImageDesc* l) {
    if (!AreSameSizePlanes(*this, h, s, l)) return;
    const uint8_t* hRow = h->data;
    const uint8_t* sRow = s->data;
    const uint8_t* lRow = l->data;
    uint8_t* row = data;
    for (int32_t y = 0; y < height; ++y) {
        ConvertFromHSLPlanesRow_Plain(hRow, sRow, lRow, row, width);
        hRow += h->stride;
        sRow += s->stride;
        lRow += l->stride;
        row += stride;
    }
}

// The vector rows store luma four pixels at a time as eight bytes, the last
// four of them zeros. On every row but the last, the zeros of the final group
// that fall between the row end and the next row stay in the plane's padding.
void ClearLumaGroupSpill(uint8_t* lumaRow, int32_t width, int32_t planeStride) {
    if (width < 4) return;
    const int32_t spillEnd = 4 * (width / 4) + 4;
    for (int32_t x = width; x < spillEnd && x < planeStride; ++x) lumaRow[x] = 0;
}

// Pixels advance by each side's own bytes per pixel (the image's at least
// the three colour bytes); the vector rows are for the usual 4-byte image
// and 1-byte plane only.
void CImageARGB::ConvertToLuma(const ImageDesc* plane) {
    if (!IsUsableOwnPixels(*this, 3) || !IsUsableOwnPixels(plane, 1) || !SameSizeAs(plane)) return;
    const bool sse2 = UseSse2(level) && bytesPerPixel == kArgbBytes && plane->bytesPerPixel == 1;
    const auto vectorRow = PickVectorKernel(ConvertToLumaRow_Sse2, ConvertToLumaRow_Avx2);
    const uint8_t* from = data;
    uint8_t* to = plane->data;
    for (int32_t y = 0; y < height; ++y, from += stride, to += plane->stride) {
        if (sse2) {
            vectorRow(from, to, width);
            if (y + 1 < height) ClearLumaGroupSpill(to, width, plane->stride);
        } else {
            ConvertToLumaRow_Plain(from, bytesPerPixel, to, plane->bytesPerPixel, width);
        }
    }
}

void CImageARGB::ConvertToHSLPlanes(const ImageDesc* h, const ImageDesc* s, const ImageDesc* l) {
    if (!AreSameSizePlanes(*this, h, s, l)) return;
    const auto convertRow = UseSse2(level) ? ConvertToHSLPlanesRow_Sse2 : ConvertToHSLPlanesRow_Plain;
    const uint8_t* row = data;
    uint8_t* hRow = h->data;
    uint8_t* sRow = s->data;
    uint8_t* lRow = l->data;
    for (int32_t y = 0; y < height; ++y) {
        convertRow(row, hRow, sRow, lRow, width);
        row += stride;
        hRow += h->stride;
        sRow += s->stride;
        lRow += l->stride;
    }
}

}  // namespace VelImageUtility
