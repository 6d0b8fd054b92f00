// The working image of a file, resource or bitmap-handle loader.
#pragma once

#include "argb/CImageARGB.h"
#include "io/ImageFileFormats.h"

namespace VelImageUtility {

// An ARGB image built over the caller's descriptor (4 bytes per pixel,
// caller memory not owned) that receives a new buffer at the decoded size.
// The new buffer reaches the caller only through Publish; a loader that
// fails after Allocate leaves it here, and it is released with this object,
// so the caller's descriptor and buffer stay untouched.
class LoaderWorkingImage {
public:
    explicit LoaderWorkingImage(const ImageDesc* desc)
        : image_(desc->data, desc->width, desc->height, desc->stride, 4) {}
    ~LoaderWorkingImage() {
        if (image_.ownsData) ReleasePixelBuffer(image_.data);
    }
    LoaderWorkingImage(const LoaderWorkingImage&) = delete;
    LoaderWorkingImage& operator=(const LoaderWorkingImage&) = delete;

    // A new owned buffer of width x height pixels, rows packed (stride
    // 4 * width); false, and nothing changed, when it cannot be had.
    bool Allocate(int32_t width, int32_t height) {
        return image_.ReplaceWithOwnedBuffer(width, height, PackedStride(width, 4), 4);
    }

    // Hands the buffer over: the caller's descriptor now describes it.
    void Publish(ImageDesc* desc) {
        PublishLoadedImage(desc, image_);
        image_.ownsData = false;
    }

    ImageDesc Desc() const { return image_.Desc(); }
    uint8_t* Data() const { return image_.data; }
    int32_t Width() const { return image_.width; }
    int32_t Height() const { return image_.height; }
    int32_t Stride() const { return image_.stride; }
    size_t ByteCount() const {
        const int32_t bytes = BufferByteCount(image_.height, image_.stride);
        return bytes < 0 ? 0 : static_cast<size_t>(bytes);
    }

private:
    CImageARGB image_;
};

}  // namespace VelImageUtility
