// Rows of pixels with an inaccessible page right after them (or right
// before), so that a read or write past either end faults at once, and row
// padding filled with a sentinel that is checked afterwards.
#pragma once

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/mman.h>
#endif

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "VelImageUtility/Exports.h"

namespace VelImageUtility {
namespace test {

enum class GuardSide { kAfter, kBefore };

constexpr uint8_t kPaddingSentinel = 0xA5;

// `rows` rows of `rowBytes` pixel bytes, `stride` bytes apart, in rows x
// stride bytes (the stride may be shorter than a row, and then there is no
// padding). With no bytes the buffer starts on the guard page (kAfter) or
// on the first byte past it, itself inaccessible (kBefore).
class GuardedRows {
public:
    GuardedRows(int32_t rowBytes, int32_t stride, int32_t rows, GuardSide side)
        : rowBytes_(rowBytes), stride_(stride), size_(static_cast<size_t>(stride) * static_cast<size_t>(rows)) {
        constexpr size_t kPage = 4096;  // on every x86-64 system
        const size_t pages = (size_ + kPage - 1) / kPage;
        mappedBytes_ = (pages + 2) * kPage;
#ifdef _WIN32
        mapping_ = static_cast<uint8_t*>(VirtualAlloc(nullptr, mappedBytes_, MEM_RESERVE | MEM_COMMIT, PAGE_NOACCESS));
        DWORD old;
        if (mapping_ == nullptr || (pages && !VirtualProtect(mapping_ + kPage, pages * kPage, PAGE_READWRITE, &old))) std::abort();
#else
        void* block = mmap(nullptr, mappedBytes_, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        mapping_ = static_cast<uint8_t*>(block);
        if (block == MAP_FAILED || (pages && mprotect(mapping_ + kPage, pages * kPage, PROT_READ | PROT_WRITE) != 0)) std::abort();
#endif
        data_ = side == GuardSide::kAfter ? mapping_ + (pages + 1) * kPage - size_ : mapping_ + kPage;
        pristine_.resize(size_);
        for (size_t i = 0; i < size_; ++i) pristine_[i] = IsPadding(i) ? kPaddingSentinel : static_cast<uint8_t>((i * 37 + 5) >> 1);
        Refill();
    }
#ifdef _WIN32
    ~GuardedRows() { VirtualFree(mapping_, 0, MEM_RELEASE); }
#else
    ~GuardedRows() { munmap(mapping_, mappedBytes_); }
#endif
    GuardedRows(const GuardedRows&) = delete;
    GuardedRows& operator=(const GuardedRows&) = delete;

    uint8_t* data() const { return data_; }
    size_t size() const { return size_; }
    bool IsPadding(size_t offset) const { return static_cast<int64_t>(offset % static_cast<size_t>(stride_)) >= rowBytes_; }

    // Pixel bytes from a fixed pattern, padding bytes the sentinel.
    void Refill() {
        if (size_ != 0) std::memcpy(data_, pristine_.data(), size_);
    }
    // Since the last Refill.
    bool Unchanged() const { return size_ == 0 || std::memcmp(data_, pristine_.data(), size_) == 0; }
    bool PaddingIntact() const {
        for (size_t i = 0; i < size_; ++i) {
            if (IsPadding(i) && data_[i] != kPaddingSentinel) return false;
        }
        return true;
    }

private:
    int32_t rowBytes_, stride_;
    size_t size_, mappedBytes_;
    uint8_t *mapping_, *data_;
    std::vector<uint8_t> pristine_;
};

// The hostile forms of a claim of w x h pixels of bpp bytes, rows padded by
// pad bytes: a valid one first, then null, null data, negative sizes, short
// or negative strides, extents past 32 bits, smaller, larger and empty
// images, other bytes per pixel.
inline std::vector<std::pair<std::string, ImageDesc>> HostileClaims(int32_t w, int32_t h, int32_t bpp, int32_t pad) {
    const int32_t s = w * bpp + pad;
    const auto c = [](int32_t width, int32_t height, int32_t stride, int32_t bytes) {
        return ImageDesc{nullptr, width, height, stride, bytes, false};
    };
    std::vector<std::pair<std::string, ImageDesc>> claims = {
        {"valid", c(w, h, s, bpp)}, {"null descriptor", c(0, 0, 0, 0)}, {"null data", c(w, h, s, bpp)},
        {"negative width", c(-1, h, s, bpp)}, {"negative height", c(w, -1, s, bpp)}, {"negative stride", c(w, h, -s, bpp)},
        {"stride shorter than a row", c(w, h, w * bpp - 1, bpp)}, {"empty", c(0, 0, 0, bpp)},
        {"narrower", c(w - 1, h, (w - 1) * bpp + pad, bpp)}, {"lower", c(w, h - 1, s, bpp)},
        {"larger", c(w + 1, h + 1, (w + 1) * bpp + pad, bpp)},
        // Rows or whole buffers past 32 bits.
        {"row past 32 bits", c(0x40000000, 3, INT32_MAX, 4)}, {"packed rows past 32 bits", c(0x10000, 0x10000, 0x40000, 4)},
        {"height x stride past 32 bits", c(19, 0x10000, 0x10000, 4)}, {"buffer past 32 bits", c(5, 0x8000, 0x10000, 1)},
        {"row and buffer past 32 bits", c(INT32_MAX, 2, INT32_MAX, 1)}, {"row past 32 bits, short stride", c(0x20000000, 1, 64, 4)},
        {"buffer of 2 rows past 32 bits", c(0x40000000, 2, 0x40000000, 1)}, {"tall past 32 bits", c(3, INT32_MAX, 16, 4)},
        {"packed plane past 32 bits", c(0x10000, 0x10000, 0x10000, 1)}, {"wide past 32 bits", c(0x7FFFFFF, 0x11, 0x7FFFFFF * 4, 4)},
        {"row of 4 bytes modulo 32 bits", c(0x40000001, 1, 64, 4)},
    };
    for (int32_t other : {1, 2, 3, 4, 8, 0, -1, INT32_MAX}) {
        const int32_t stride = other > 0 && other <= 8 ? w * other + pad : s;
        if (other != bpp) claims.push_back({"bytes per pixel " + std::to_string(other), c(w, h, stride, other)});
    }
    return claims;
}

// A descriptor's claim over guarded rows of its own layout, and a twin over
// a second buffer of that layout for the services with two raw buffers. A
// negative claimed stride points at the last row; a claim too large for
// memory sits over 64 bytes.
struct GuardedClaim {
    GuardedClaim(const std::pair<std::string, ImageDesc>& claim, GuardSide side)
        : name(claim.first), memory(Layout(claim.second, side)), twinMemory(Layout(claim.second, side)),
          desc(claim.second), twin(claim.second) {
        const size_t up = desc.stride < 0 ? static_cast<size_t>(-int64_t{desc.stride}) : 0;
        const size_t lastRow = up && memory.size() >= up ? memory.size() - up : 0;
        desc.data = name == "null data" ? nullptr : memory.data() + lastRow;
        twin.data = name == "null data" ? nullptr : twinMemory.data() + lastRow;
    }
    static GuardedRows Layout(const ImageDesc& c, GuardSide side) {
        const int64_t stride = c.stride < 0 ? -int64_t{c.stride} : c.stride;
        // Without bytes per pixel there is no padding.
        const int64_t row = std::min(std::max<int64_t>(c.width, 0) * (c.bytesPerPixel > 0 ? c.bytesPerPixel : stride), stride);
        if (c.height < 0 || c.height * stride >= (1 << 20)) return GuardedRows(64, 64, 1, side);
        return GuardedRows(static_cast<int32_t>(row), static_cast<int32_t>(std::max<int64_t>(stride, 1)), c.height, side);
    }
    std::string name;
    GuardedRows memory, twinMemory;
    ImageDesc desc, twin;
};

}  // namespace test
}  // namespace VelImageUtility
