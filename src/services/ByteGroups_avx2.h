// The group walk shared by the AVX2 kernels; included only by *_avx2.cpp
// files, which are the only ones built for AVX2.
#pragma once

#include <immintrin.h>

#include <cstddef>
#include <cstdint>

namespace VelImageUtility {

inline __m256i Load32(const uint8_t* from) { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(from)); }
inline void Store32(uint8_t* to, __m256i bytes) { _mm256_storeu_si256(reinterpret_cast<__m256i*>(to), bytes); }

// Splits a run of `count` units of `unitBytes` bytes at `out` for an AVX2
// kernel: `sse2(first, count)` takes the units before the first 32-byte
// boundary of `out` (none when `out` is not unit-aligned), so that the
// groups' stores stay within cache lines; `groups(first, count)` takes the
// rest and returns the units it did; `sse2` finishes.
template <typename Sse2Part, typename Groups>
void SplitAtAlignment(const uint8_t* out, size_t unitBytes, size_t count, Sse2Part sse2, Groups groups) {
    const uintptr_t address = reinterpret_cast<uintptr_t>(out);
    size_t head = address % unitBytes == 0 ? (0 - address) % 32 / unitBytes : 0;
    if (head > count) head = count;
    sse2(size_t{0}, head);
    const size_t done = head + groups(head, count - head);
    sse2(done, count - done);
}

// Applies `transform` (lane-wise on bytes: __m256i from one __m256i per
// input) to 32 bytes at a time, two groups per step, writing `out`. Returns
// the bytes done, count - count % 32. Loads are unaligned and never reach
// past `count`.
template <typename Transform, typename... Inputs>
size_t TransformByteGroups32(uint8_t* out, size_t count, Transform transform, const Inputs*... inputs) {
    size_t done = 0;
    for (; done + 64 <= count; done += 64) {
        const __m256i first = transform(Load32(inputs + done)...);
        const __m256i second = transform(Load32(inputs + done + 32)...);
        Store32(out + done, first);
        Store32(out + done + 32, second);
    }
    if (done + 32 <= count) {
        Store32(out + done, transform(Load32(inputs + done)...));
        done += 32;
    }
    return done;
}

// Hands `apply` the byte transform of a brightness change by `delta`:
// saturating addition or subtraction of |delta| on the bytes where `lanes`
// is 0xFF. A delta beyond +-255 saturates every byte exactly as +-255 does.
template <typename Apply>
void WithBrightnessTransform(int32_t delta, __m256i lanes, Apply apply) {
    const int32_t limited = delta < -255 ? -255 : (delta > 255 ? 255 : delta);
    const __m256i amount = _mm256_and_si256(_mm256_set1_epi8(static_cast<char>(limited < 0 ? -limited : limited)), lanes);
    if (limited >= 0) {
        apply([amount](__m256i bytes) { return _mm256_adds_epu8(bytes, amount); });
    } else {
        apply([amount](__m256i bytes) { return _mm256_subs_epu8(bytes, amount); });
    }
}

}  // namespace VelImageUtility
