// Rows of pixels with an inaccessible page right after them (or right
// before), so that a read or write past either end faults at once, and row
// padding filled with a sentinel that is checked afterwards.
#pragma once

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/mman.h>
#endif

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
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
        if (Unchanged()) return true;
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

// A descriptor's claim over guarded rows of a true layout, refilled, and a
// twin over a second buffer of that layout for the services with two raw
// buffers. A negative claimed stride points at the last row.
struct GuardedClaim {
    GuardedClaim(std::string label, const ImageDesc& claim, int32_t rowBytes, int32_t stride, int32_t rows, GuardSide side,
                 bool nullData)
        : name(std::move(label)), memory(rowBytes, stride, rows, side), twinMemory(rowBytes, stride, rows, side), desc(claim),
          twin(claim) {
        const size_t lastRow = claim.stride < 0 && rows > 0 ? static_cast<size_t>(rows - 1) * static_cast<size_t>(stride) : 0;
        memory.Refill();
        twinMemory.Refill();
        desc.data = nullData ? nullptr : memory.data() + lastRow;
        twin.data = nullData ? nullptr : twinMemory.data() + lastRow;
    }
    std::string name;
    GuardedRows memory, twinMemory;
    ImageDesc desc, twin;
};

}  // namespace test
}  // namespace VelImageUtility
