// Buffers with an inaccessible page right after them (or right before), so
// that a read or write past either end faults at once, and row padding
// filled with a sentinel that is checked afterwards.
#pragma once

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/mman.h>
#include <unistd.h>
#endif

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace VelImageUtility {
namespace test {

enum class GuardSide { kAfter, kBefore };

class GuardedBuffer {
public:
    // `bytes` may be 0: the buffer then starts on the guard page (kAfter) or
    // right after it (kBefore, a page that is itself inaccessible).
    GuardedBuffer(size_t bytes, GuardSide side) : size_(bytes) {
        const size_t page = PageSize();
        const size_t dataPages = (bytes + page - 1) / page;
        mappedBytes_ = (dataPages + 2) * page;
        mapping_ = static_cast<uint8_t*>(Map(mappedBytes_));
        if (mapping_ == nullptr) std::abort();
        // Inaccessible: the first and the last page; data sits against one.
        Protect(mapping_, page);
        Protect(mapping_ + mappedBytes_ - page, page);
        if (bytes == 0) Protect(mapping_ + page, mappedBytes_ - 2 * page);
        data_ = side == GuardSide::kAfter ? mapping_ + mappedBytes_ - page - bytes : mapping_ + page;
    }
    ~GuardedBuffer() { Unmap(mapping_, mappedBytes_); }
    GuardedBuffer(const GuardedBuffer&) = delete;
    GuardedBuffer& operator=(const GuardedBuffer&) = delete;

    uint8_t* data() const { return data_; }
    size_t size() const { return size_; }

private:
#ifdef _WIN32
    static size_t PageSize() {
        SYSTEM_INFO info;
        GetSystemInfo(&info);
        return info.dwPageSize;
    }
    static void* Map(size_t bytes) { return VirtualAlloc(nullptr, bytes, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE); }
    static void Protect(uint8_t* start, size_t bytes) {
        DWORD old;
        if (bytes != 0 && !VirtualProtect(start, bytes, PAGE_NOACCESS, &old)) std::abort();
    }
    static void Unmap(uint8_t* start, size_t) { VirtualFree(start, 0, MEM_RELEASE); }
#else
    static size_t PageSize() { return static_cast<size_t>(sysconf(_SC_PAGESIZE)); }
    static void* Map(size_t bytes) {
        void* block = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        return block == MAP_FAILED ? nullptr : block;
    }
    static void Protect(uint8_t* start, size_t bytes) {
        if (bytes != 0 && mprotect(start, bytes, PROT_NONE) != 0) std::abort();
    }
    static void Unmap(uint8_t* start, size_t bytes) { munmap(start, bytes); }
#endif

    size_t size_;
    size_t mappedBytes_;
    uint8_t* mapping_;
    uint8_t* data_;
};

constexpr uint8_t kPaddingSentinel = 0xA5;

// `rows` rows of `rowBytes` pixel bytes, `stride` bytes apart, in a guarded
// buffer of rows * stride bytes (the stride may be shorter than a row, and
// then there is no padding).
class GuardedRows {
public:
    GuardedRows(int32_t rowBytes, int32_t stride, int32_t rows, GuardSide side)
        : rowBytes_(rowBytes), stride_(stride), buffer_(static_cast<size_t>(stride) * static_cast<size_t>(rows), side) {}

    uint8_t* data() const { return buffer_.data(); }
    int32_t stride() const { return stride_; }
    size_t size() const { return buffer_.size(); }
    bool IsPadding(size_t offset) const { return static_cast<int64_t>(offset % static_cast<size_t>(stride_)) >= rowBytes_; }

    // Pixel bytes from a fixed pattern, padding bytes the sentinel.
    void Refill() {
        if (pristine_.empty()) {
            pristine_.resize(size());
            for (size_t i = 0; i < size(); ++i) {
                pristine_[i] = IsPadding(i) ? kPaddingSentinel : static_cast<uint8_t>((i * 37 + 5) >> 1);
            }
        }
        if (size() != 0) std::memcpy(data(), pristine_.data(), size());
    }
    // Since the last Refill.
    bool Unchanged() const { return size() == 0 || std::memcmp(data(), pristine_.data(), size()) == 0; }
    bool PaddingIntact() const {
        if (Unchanged()) return true;
        for (size_t i = 0; i < size(); ++i) {
            if (IsPadding(i) && data()[i] != kPaddingSentinel) return false;
        }
        return true;
    }

private:
    int32_t rowBytes_;
    int32_t stride_;
    GuardedBuffer buffer_;
    std::vector<uint8_t> pristine_;
};

}  // namespace test
}  // namespace VelImageUtility
