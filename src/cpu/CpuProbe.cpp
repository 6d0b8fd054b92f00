#include "cpu/CpuProbe.h"

#include <cpuid.h>
#include <x86intrin.h>

#include <cstring>

#include "platform/Platform.h"

namespace VelImageUtility {

namespace {

class MachineCpuProbe final : public CpuProbe {
public:
    CpuidResult Cpuid(uint32_t leaf) override {
        unsigned int eax = 0, ebx = 0, ecx = 0, edx = 0;
        __cpuid_count(leaf, 0, eax, ebx, ecx, edx);
        return {eax, ebx, ecx, edx};
    }
    uint64_t ReadTimeStampCounter() override { return __rdtsc(); }
    bool QueryCounterFrequency(int64_t* ticksPerSecond) override {
        return Platform::QueryCounterFrequency(ticksPerSecond);
    }
    bool QueryCounter(int64_t* ticks) override { return Platform::QueryCounter(ticks); }
    uint32_t ProcessorCount() override { return Platform::ProcessorCount(); }
    bool GetProcessAffinity(uint64_t* processMask, uint64_t* systemMask) override {
        return Platform::GetProcessAffinity(processMask, systemMask);
    }
    bool SetProcessAffinity(uint64_t processMask) override {
        return Platform::SetProcessAffinity(processMask);
    }
    void YieldTimeSlice() override { Platform::YieldTimeSlice(); }
    int32_t GetCurrentThreadPriority() override { return Platform::GetCurrentThreadPriority(); }
    bool SetCurrentThreadPriority(int32_t priority) override {
        return Platform::SetCurrentThreadPriority(priority);
    }
};

}  // namespace

CpuProbe& SystemCpuProbe() {
    static MachineCpuProbe probe;
    return probe;
}

CpuSignature DecodeCpuSignature(uint32_t leaf1Eax) {
    CpuSignature signature;
    signature.stepping = static_cast<int32_t>(CpuidBits(leaf1Eax, 0, 4));
    signature.baseModel = static_cast<int32_t>(CpuidBits(leaf1Eax, 4, 4));
    signature.baseFamily = static_cast<int32_t>(CpuidBits(leaf1Eax, 8, 4));
    signature.processorType = static_cast<int32_t>(CpuidBits(leaf1Eax, 12, 2));
    signature.extendedModel = static_cast<int32_t>(CpuidBits(leaf1Eax, 16, 4));
    signature.extendedFamily = static_cast<int32_t>(CpuidBits(leaf1Eax, 20, 8));
    return signature;
}

void ReadCpuVendor(CpuProbe& probe, char (&vendor)[kCpuVendorLength + 1]) {
    const CpuidResult leaf0 = probe.Cpuid(0);
    std::memcpy(vendor + 0, &leaf0.ebx, 4);
    std::memcpy(vendor + 4, &leaf0.edx, 4);
    std::memcpy(vendor + 8, &leaf0.ecx, 4);
    vendor[kCpuVendorLength] = '\0';
}

}  // namespace VelImageUtility
