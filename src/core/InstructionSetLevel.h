// The process-wide instruction-set level: 0 at load, written only by
// processor detection, copied into every image when it is constructed.
#pragma once

#include <cstdint>

namespace VelImageUtility {

int32_t GetInstructionSetLevel();
void SetInstructionSetLevel(int32_t level);

// Heavy operations run their SSE2 variant from level 3 (SSE2) upwards and
// their plain variant below it; this is the only comparison they make.
inline bool UseSse2(int32_t level) { return level >= 3; }

// Inside the SSE2 variant a few point operations have AVX2 rows that give
// the SSE2 bytes with wider registers. They run when the processor and the
// system support AVX2 (found once, whatever the level) and the tier is not
// held to SSE2.
enum class VectorTier : int32_t { Sse2, Avx2 };
bool ProcessorHasAvx2();
VectorTier GetVectorTierLimit();
void SetVectorTierLimit(VectorTier tier);
inline bool UseAvx2() { return GetVectorTierLimit() == VectorTier::Avx2 && ProcessorHasAvx2(); }

// Inside the vector variant: the AVX2 kernel where it may run, else SSE2.
template <typename Kernel>
Kernel PickVectorKernel(Kernel sse2, Kernel avx2) {
    return UseAvx2() ? avx2 : sse2;
}

// The kernel for an image of the given level: plain below level 3, else
// the vector kernel PickVectorKernel chooses.
template <typename Kernel>
Kernel PickKernel(int32_t level, Kernel plain, Kernel sse2, Kernel avx2) {
    return UseSse2(level) ? PickVectorKernel(sse2, avx2) : plain;
}

// Sets the level for the lifetime of the object and restores the previous
// one afterwards. Tests use it to build images at a chosen level.
class ScopedInstructionSetLevel {
public:
    explicit ScopedInstructionSetLevel(int32_t level) : previous_(GetInstructionSetLevel()) {
        SetInstructionSetLevel(level);
    }
    ~ScopedInstructionSetLevel() { SetInstructionSetLevel(previous_); }
    ScopedInstructionSetLevel(const ScopedInstructionSetLevel&) = delete;
    ScopedInstructionSetLevel& operator=(const ScopedInstructionSetLevel&) = delete;

private:
    int32_t previous_;
};

// Holds the vector tier to SSE2, or allows AVX2 where the processor has it,
// for the lifetime of the object. Tests use it to compare the two tiers.
class ScopedVectorTier {
public:
    explicit ScopedVectorTier(VectorTier tier) : previous_(GetVectorTierLimit()) { SetVectorTierLimit(tier); }
    ~ScopedVectorTier() { SetVectorTierLimit(previous_); }
    ScopedVectorTier(const ScopedVectorTier&) = delete;
    ScopedVectorTier& operator=(const ScopedVectorTier&) = delete;

private:
    VectorTier previous_;
};

}  // namespace VelImageUtility
