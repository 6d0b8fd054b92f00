#include "core/InstructionSetLevel.h"

#include <atomic>

#include "cpu/Avx2Support.h"

namespace VelImageUtility {

namespace {
int32_t g_instructionSetLevel = 0;
std::atomic<VectorTier> g_vectorTierLimit{VectorTier::Avx2};
}  // namespace

int32_t GetInstructionSetLevel() { return g_instructionSetLevel; }

void SetInstructionSetLevel(int32_t level) { g_instructionSetLevel = level; }

bool ProcessorHasAvx2() {
    static const bool hasAvx2 = DetectAvx2Support();
    return hasAvx2;
}

VectorTier GetVectorTierLimit() { return g_vectorTierLimit.load(std::memory_order_relaxed); }

void SetVectorTierLimit(VectorTier tier) { g_vectorTierLimit.store(tier, std::memory_order_relaxed); }

}  // namespace VelImageUtility
