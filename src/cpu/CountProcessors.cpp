#include <cstring>

#include "cpu/CpuInfo.h"

namespace VelImageUtility {

namespace {
// Affinity bits looked at: the low 32 processors.
constexpr int kAffinityBits = 32;
}  // namespace

const char* HyperThreadingStatusText(HyperThreadingStatus status) {
    switch (status) {
    case HyperThreadingStatus::NotCapable: return "HyperThreading technology not capable";
    case HyperThreadingStatus::Enabled: return "HyperThreading technology enabled";
    case HyperThreadingStatus::Disabled: return "HyperThreading technology disabled";
    case HyperThreadingStatus::CapableNotEnabled:
        return "HyperThreading technology capable but not enabled";
    case HyperThreadingStatus::CannotDetect: return "HyperThreading technology cannot be detected";
    }
    return "";
}

uint32_t IsHyperThreadingCapable(CpuProbe& probe) {
    char vendor[kCpuVendorLength + 1];
    ReadCpuVendor(probe, vendor);
    if (std::strcmp(vendor, "GenuineIntel") != 0) return 0;
    const CpuidResult leaf1 = probe.Cpuid(1);
    const CpuSignature signature = DecodeCpuSignature(leaf1.eax);
    const bool netBurstOrLater = signature.baseFamily == 15 || signature.extendedFamily != 0;
    return netBurstOrLater ? (leaf1.edx & (uint32_t{1} << 28)) : 0;
}

HyperThreadingStatus CountProcessors(CpuProbe& probe, int32_t* logicalPerPackage,
                                     int32_t* physicalCount) {
    *physicalCount = static_cast<int32_t>(probe.ProcessorCount());
    if (!IsHyperThreadingCapable(probe)) {
        *logicalPerPackage = 1;
        return HyperThreadingStatus::NotCapable;
    }
    *logicalPerPackage = static_cast<int32_t>(CpuidBits(probe.Cpuid(1).ebx, 16, 8));
    if (*logicalPerPackage == 0) return HyperThreadingStatus::NotCapable;

    // The logical part of an APIC ID is its low `logicalBits` bits.
    int logicalBits = 1;
    while ((1 << logicalBits) < *logicalPerPackage) ++logicalBits;
    const uint32_t logicalMask = (uint32_t{1} << logicalBits) - 1;

    uint64_t processMask = 0, systemMask = 0;
    if (!probe.GetProcessAffinity(&processMask, &systemMask) || processMask != systemMask) {
        *physicalCount = -1;
        return HyperThreadingStatus::CannotDetect;
    }
    bool anyLogicalPart = false;
    for (int bit = 0; bit < kAffinityBits && (processMask >> bit) != 0; ++bit) {
        const uint64_t processor = uint64_t{1} << bit;
        if ((processMask & processor) == 0) continue;
        if (!probe.SetProcessAffinity(processor)) continue;  // cannot be selected: skipped
        probe.YieldTimeSlice();
        const uint32_t apicId = CpuidBits(probe.Cpuid(1).ebx, 24, 8);
        if ((apicId & logicalMask) != 0) anyLogicalPart = true;
    }
    probe.SetProcessAffinity(processMask);

    if (*logicalPerPackage == 1) return HyperThreadingStatus::Disabled;
    if (!anyLogicalPart) return HyperThreadingStatus::CapableNotEnabled;
    *physicalCount /= *logicalPerPackage;
    return HyperThreadingStatus::Enabled;
}

}  // namespace VelImageUtility
