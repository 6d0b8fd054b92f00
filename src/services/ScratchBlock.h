// Working memory of one call: a single block carved into pieces that each
// start on a 32-byte boundary, released when the holder goes out of scope.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <new>

namespace VelImageUtility {

class ScratchBlock {
public:
    // No exception leaves the library: a block that cannot be obtained, or
    // whose size does not fit, leaves Ok() false and every piece null.
    explicit ScratchBlock(std::initializer_list<uint64_t> pieceBytes) {
        constexpr uint64_t kLimit = uint64_t{1} << 46;
        uint64_t total = 0;
        for (uint64_t bytes : pieceBytes) {
            if (bytes > kLimit || pieceCount_ == kMaxPieces) return;
            offsets_[pieceCount_++] = total;
            total += (bytes + kAlign - 1) / kAlign * kAlign;
        }
        if (total > kLimit || total + kAlign > SIZE_MAX) return;
        block_.reset(new (std::nothrow) uint8_t[static_cast<size_t>(total + kAlign)]);
        if (block_ == nullptr) return;
        const uintptr_t start = reinterpret_cast<uintptr_t>(block_.get());
        base_ = block_.get() + ((kAlign - start % kAlign) % kAlign);
    }

    bool Ok() const { return base_ != nullptr; }

    template <typename T>
    T* Piece(size_t index) const {
        if (base_ == nullptr || index >= pieceCount_) return nullptr;
        return reinterpret_cast<T*>(base_ + offsets_[index]);
    }

private:
    static constexpr uint64_t kAlign = 32;
    static constexpr size_t kMaxPieces = 8;
    std::unique_ptr<uint8_t[]> block_;
    uint8_t* base_ = nullptr;
    uint64_t offsets_[kMaxPieces] = {};
    size_t pieceCount_ = 0;
};

}  // namespace VelImageUtility
