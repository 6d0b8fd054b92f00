// CImageBase: the one holder of image state, embedded in every image class.
#pragma once

#include <cstdint>

#include "VelImageUtility/Interfaces.h"

namespace VelImageUtility {

// Number of bytes in `height` rows of `stride` bytes, or -1 when either is
// negative or the product does not fit a 32-bit signed number. Such a buffer
// is treated as one that cannot be obtained.
int32_t BufferByteCount(int32_t height, int32_t stride);

// Bytes of a packed row of `width` pixels, or -1 when width is negative or
// the row does not fit a 32-bit signed number.
int32_t PackedStride(int32_t width, int32_t bytesPerPixel);

// A new, uninitialised owned buffer of BufferByteCount(height, stride)
// bytes, or null when the sizes are invalid or the memory is not there.
uint8_t* AllocatePixelBuffer(int32_t height, int32_t stride);
void ReleasePixelBuffer(uint8_t* data);

class CImageBase : public ICImageBase {
public:
    // Empty: null data, all sizes 0, not owned.
    CImageBase();
    // Over caller memory: nothing is allocated or copied.
    CImageBase(uint8_t* data, int32_t width, int32_t height, int32_t stride,
               int32_t bytesPerPixel);
    // Allocating; throws std::bad_alloc when the buffer cannot be obtained.
    CImageBase(int32_t width, int32_t height, int32_t stride, int32_t bytesPerPixel);
    // From a descriptor, copying height * stride bytes when desc->copy is
    // true; throws std::bad_alloc when the copy cannot be obtained.
    explicit CImageBase(const ImageDesc* desc);

    int32_t GetWidth() override;
    int32_t GetHeight() override;
    int32_t GetStride() override;
    int32_t GetPixelCount() override;
    int32_t GetBytesPerPixel() override;
    bool IsDataOwned() override;
    uint8_t* GetData() override;
#if VIU_GETDESC_BY_POINTER
    ImageDesc* GetDescInto(ImageDesc* result) override;
#else
    ImageDesc GetDesc() override;
#endif
    void SetDesc(const ImageDesc* desc) override;
    uint8_t* GetPixelAddress(int32_t x, int32_t y) override;
    int32_t IsSameSize(const ImageDesc* desc) override;
    void Fill(int32_t value) override;

    // The descriptor of this image, ownsData as `copy`.
    ImageDesc Desc() const;
    bool SameSizeAs(const ImageDesc* desc) const {
        return width == desc->width && height == desc->height;
    }
    // Gives the image a new owned, uninitialised buffer, releasing the old
    // one when it was owned. When the buffer cannot be obtained the image is
    // left exactly as it was and false is returned.
    bool ReplaceWithOwnedBuffer(int32_t newWidth, int32_t newHeight, int32_t newStride,
                                int32_t newBytesPerPixel);
    // Uses caller memory in place, releasing the old buffer when it was owned.
    void ReplaceWithCallerBuffer(uint8_t* newData, int32_t newWidth, int32_t newHeight,
                                 int32_t newStride, int32_t newBytesPerPixel);

    int32_t level;
    uint8_t* data;
    int32_t width;
    int32_t height;
    int32_t stride;
    int32_t bytesPerPixel;
    bool ownsData;
};

}  // namespace VelImageUtility
