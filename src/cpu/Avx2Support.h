// Whether AVX2 code may run: the processor has it and the system saves the
// 256-bit registers across context switches.
#pragma once

#include <cstdint>

namespace VelImageUtility {

// From CPUID: the highest standard leaf, leaf 1 ECX, leaf 7 EBX, and XCR0
// (read by XGETBV, which only exists when leaf 1 ECX bit 27 is set).
bool IsAvx2Usable(uint32_t maxLeaf, uint32_t leaf1Ecx, uint32_t leaf7Ebx, uint64_t xcr0);

// Asks this processor.
bool DetectAvx2Support();

}  // namespace VelImageUtility
