// Everything processor identification and measurement read from the machine
// (CPUID, the time-stamp counter, the performance counter, processor counts,
// affinity, thread priority, the yield), behind one interface so that tests
// can replay the answers of other processors.
#pragma once

#include <cstdint>

namespace VelImageUtility {

struct CpuidResult {
    uint32_t eax;
    uint32_t ebx;
    uint32_t ecx;
    uint32_t edx;
};

class CpuProbe {
public:
    virtual ~CpuProbe() = default;
    // CPUID with the given leaf (sub-leaf 0).
    virtual CpuidResult Cpuid(uint32_t leaf) = 0;
    virtual uint64_t ReadTimeStampCounter() = 0;
    virtual bool QueryCounterFrequency(int64_t* ticksPerSecond) = 0;
    virtual bool QueryCounter(int64_t* ticks) = 0;
    virtual uint32_t ProcessorCount() = 0;
    virtual bool GetProcessAffinity(uint64_t* processMask, uint64_t* systemMask) = 0;
    virtual bool SetProcessAffinity(uint64_t processMask) = 0;
    virtual void YieldTimeSlice() = 0;
    // Windows scale; Platform::kPriorityError when it cannot be read.
    virtual int32_t GetCurrentThreadPriority() = 0;
    virtual bool SetCurrentThreadPriority(int32_t priority) = 0;
};

// The machine this code runs on.
CpuProbe& SystemCpuProbe();

inline uint32_t CpuidBits(uint32_t value, int firstBit, int bitCount) {
    return (value >> firstBit) & ((uint32_t{1} << bitCount) - 1);
}
inline int32_t CpuidBit(uint32_t value, int bit) { return static_cast<int32_t>((value >> bit) & 1); }

// The fields of CPUID leaf 1 EAX.
struct CpuSignature {
    int32_t stepping;        // bits 0-3
    int32_t baseModel;       // bits 4-7
    int32_t baseFamily;      // bits 8-11
    int32_t processorType;   // bits 12-13
    int32_t extendedModel;   // bits 16-19
    int32_t extendedFamily;  // bits 20-27
};
CpuSignature DecodeCpuSignature(uint32_t leaf1Eax);

// The 12-character vendor text of leaf 0 (EBX, EDX, ECX) and a terminator.
constexpr int kCpuVendorLength = 12;
void ReadCpuVendor(CpuProbe& probe, char (&vendor)[kCpuVendorLength + 1]);

}  // namespace VelImageUtility
