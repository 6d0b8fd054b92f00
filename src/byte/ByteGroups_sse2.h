// The group walk shared by the SSE2 Byte kernels; included only by *_sse2.cpp files.
#pragma once

#include <emmintrin.h>

#include <cstddef>
#include <cstdint>

namespace VelImageUtility {

// Applies `transform` (lane-wise on bytes: __m128i from one __m128i per
// input) to 16 bytes at a time, then to one group of 8 in the low half of a
// register, writing `out`. Returns the bytes done, count - count % 8; the
// caller finishes the rest with its plain rule. Loads are unaligned and never
// reach past `count`.
template <typename Transform, typename... Inputs>
size_t TransformByteGroups(uint8_t* out, size_t count, Transform transform,
                           const Inputs*... inputs) {
    size_t done = 0;
    for (; done + 16 <= count; done += 16) {
        const __m128i result =
            transform(_mm_loadu_si128(reinterpret_cast<const __m128i*>(inputs + done))...);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + done), result);
    }
    if (done + 8 <= count) {
        const __m128i result =
            transform(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(inputs + done))...);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out + done), result);
        done += 8;
    }
    return done;
}

}  // namespace VelImageUtility
