#include "cpu/Avx2Support.h"

#include <cpuid.h>

namespace VelImageUtility {

namespace {
constexpr uint32_t kOsXsaveBit = 1u << 27;  // leaf 1 ECX: XGETBV is there
constexpr uint32_t kAvxBit = 1u << 28;      // leaf 1 ECX
constexpr uint32_t kAvx2Bit = 1u << 5;      // leaf 7 EBX
constexpr uint64_t kSseAndAvxState = 6;     // XCR0 bits 1 and 2
}  // namespace

bool IsAvx2Usable(uint32_t maxLeaf, uint32_t leaf1Ecx, uint32_t leaf7Ebx, uint64_t xcr0) {
    if (maxLeaf < 7 || (leaf1Ecx & (kOsXsaveBit | kAvxBit)) != (kOsXsaveBit | kAvxBit)) return false;
    return (leaf7Ebx & kAvx2Bit) != 0 && (xcr0 & kSseAndAvxState) == kSseAndAvxState;
}

bool DetectAvx2Support() {
    unsigned int maxLeaf = 0, ebx = 0, ecx = 0, edx = 0;
    __cpuid_count(0, 0, maxLeaf, ebx, ecx, edx);
    if (maxLeaf < 7) return false;
    unsigned int eax = 0, leaf1Ecx = 0, leaf7Ebx = 0;
    __cpuid_count(1, 0, eax, ebx, leaf1Ecx, edx);
    if ((leaf1Ecx & kOsXsaveBit) == 0) return false;
    __cpuid_count(7, 0, eax, leaf7Ebx, ecx, edx);
    // The assembler takes xgetbv whatever the compiler's target.
    uint32_t xcr0Low = 0, xcr0High = 0;
    __asm__ volatile("xgetbv" : "=a"(xcr0Low), "=d"(xcr0High) : "c"(0));
    return IsAvx2Usable(maxLeaf, leaf1Ecx, leaf7Ebx, (uint64_t{xcr0High} << 32) | xcr0Low);
}

}  // namespace VelImageUtility
