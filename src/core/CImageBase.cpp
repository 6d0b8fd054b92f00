#include "core/CImageBase.h"

#include <cstring>
#include <new>

#include "core/InputChecks.h"
#include "core/InstructionSetLevel.h"

namespace VelImageUtility {

int32_t BufferByteCount(int32_t height, int32_t stride) {
    if (height < 0 || stride < 0) return -1;
    const int64_t bytes = static_cast<int64_t>(height) * stride;
    return bytes > INT32_MAX ? -1 : static_cast<int32_t>(bytes);
}

int32_t PackedStride(int32_t width, int32_t bytesPerPixel) {
    if (width < 0 || bytesPerPixel < 0) return -1;
    const int64_t bytes = static_cast<int64_t>(width) * bytesPerPixel;
    return bytes > INT32_MAX ? -1 : static_cast<int32_t>(bytes);
}

uint8_t* AllocatePixelBuffer(int32_t height, int32_t stride) {
    const int32_t bytes = BufferByteCount(height, stride);
    if (bytes < 0) return nullptr;
    return new (std::nothrow) uint8_t[static_cast<size_t>(bytes)];
}

void ReleasePixelBuffer(uint8_t* buffer) { delete[] buffer; }

namespace {
uint8_t* AllocateOrThrow(int32_t width, int32_t height, int32_t stride) {
    uint8_t* buffer = width < 0 ? nullptr : AllocatePixelBuffer(height, stride);
    if (buffer == nullptr) throw std::bad_alloc();
    return buffer;
}
}  // namespace

CImageBase::CImageBase()
    : data(nullptr), width(0), height(0), stride(0), bytesPerPixel(0), ownsData(false) {
    level = GetInstructionSetLevel();
}

CImageBase::CImageBase(uint8_t* data_, int32_t width_, int32_t height_, int32_t stride_,
                       int32_t bytesPerPixel_)
    : data(data_),
      width(width_),
      height(height_),
      stride(stride_),
      bytesPerPixel(bytesPerPixel_),
      ownsData(false) {
    level = GetInstructionSetLevel();
}

CImageBase::CImageBase(int32_t width_, int32_t height_, int32_t stride_, int32_t bytesPerPixel_)
    : data(AllocateOrThrow(width_, height_, stride_)),
      width(width_),
      height(height_),
      stride(stride_),
      bytesPerPixel(bytesPerPixel_),
      ownsData(true) {
    level = GetInstructionSetLevel();
}

CImageBase::CImageBase(const ImageDesc* desc)
    : data(desc->data),
      width(desc->width),
      height(desc->height),
      stride(desc->stride),
      bytesPerPixel(desc->bytesPerPixel),
      ownsData(desc->copy) {
    if (desc->copy) {
        data = AllocateOrThrow(width, height, stride);
        const int32_t bytes = BufferByteCount(height, stride);
        if (bytes > 0) std::memcpy(data, desc->data, static_cast<size_t>(bytes));
    }
    level = GetInstructionSetLevel();
}

int32_t CImageBase::GetWidth() { return width; }
int32_t CImageBase::GetHeight() { return height; }
int32_t CImageBase::GetStride() { return stride; }

int32_t CImageBase::GetPixelCount() {
    return static_cast<int32_t>(static_cast<uint32_t>(width) * static_cast<uint32_t>(height));
}

int32_t CImageBase::GetBytesPerPixel() { return bytesPerPixel; }
bool CImageBase::IsDataOwned() { return ownsData; }
uint8_t* CImageBase::GetData() { return data; }

ImageDesc CImageBase::Desc() const {
    ImageDesc desc;
    desc.data = data;
    desc.width = width;
    desc.height = height;
    desc.stride = stride;
    desc.bytesPerPixel = bytesPerPixel;
    desc.copy = ownsData;
    return desc;
}

#if VIU_GETDESC_BY_POINTER
ImageDesc* CImageBase::GetDescInto(ImageDesc* result) {
    if (result != nullptr) *result = Desc();
    return result;
}
#else
ImageDesc CImageBase::GetDesc() { return Desc(); }
#endif

void CImageBase::SetDesc(const ImageDesc* desc) {
    if (desc == nullptr) return;
    data = desc->data;
    width = desc->width;
    height = desc->height;
    stride = desc->stride;
    bytesPerPixel = desc->bytesPerPixel;
    ownsData = desc->copy;
}

uint8_t* CImageBase::GetPixelAddress(int32_t x, int32_t y) {
    // The offset wraps like the 32-bit signed sum it is, then is sign-extended.
    const int32_t offset = static_cast<int32_t>(static_cast<uint32_t>(stride) * static_cast<uint32_t>(y) +
                                                static_cast<uint32_t>(bytesPerPixel) * static_cast<uint32_t>(x));
    return reinterpret_cast<uint8_t*>(reinterpret_cast<uintptr_t>(data) +
                                      static_cast<uintptr_t>(static_cast<intptr_t>(offset)));
}

int32_t CImageBase::IsSameSize(const ImageDesc* desc) { return desc != nullptr && SameSizeAs(desc) ? 1 : 0; }

void CImageBase::Fill(int32_t value) {
    if (!IsUsableOwnPixels(*this, 1)) return;
    const int32_t bytes = BufferByteCount(height, stride);
    std::memset(data, value & 0xFF, static_cast<size_t>(bytes));
}

bool CImageBase::ReplaceWithOwnedBuffer(int32_t newWidth, int32_t newHeight, int32_t newStride,
                                        int32_t newBytesPerPixel) {
    if (newWidth < 0) return false;
    uint8_t* buffer = AllocatePixelBuffer(newHeight, newStride);
    if (buffer == nullptr) return false;
    if (ownsData) ReleasePixelBuffer(data);
    data = buffer;
    width = newWidth;
    height = newHeight;
    stride = newStride;
    bytesPerPixel = newBytesPerPixel;
    ownsData = true;
    return true;
}

void CImageBase::ReplaceWithCallerBuffer(uint8_t* newData, int32_t newWidth, int32_t newHeight,
                                         int32_t newStride, int32_t newBytesPerPixel) {
    if (ownsData) ReleasePixelBuffer(data);
    data = newData;
    width = newWidth;
    height = newHeight;
    stride = newStride;
    bytesPerPixel = newBytesPerPixel;
    ownsData = false;
}

}  // namespace VelImageUtility
