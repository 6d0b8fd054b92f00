#include "VelImageUtility/Exports.h"
#include "core/InstructionSetLevel.h"
#include "cpu/CpuInfo.h"

namespace VelImageUtility {

namespace {
// Written only by DetectCpuInstructionSet; nothing in the library reads it.
CpuInfo g_cpuInfo;
}  // namespace

const CpuInfo& ProcessCpuInfo() { return g_cpuInfo; }

int32_t InstructionSetLevelFor(const CpuInfo& info) {
    if (info.hasSSE41) return 4;
    if (info.hasSSE2) return 3;
    if (info.hasSSE) return 2;
    if (info.hasMMX) return 1;
    return 0;
}

void DetectCpuInstructionSet(CpuProbe& probe) {
    IdentifyCpu(probe, g_cpuInfo);
    SetInstructionSetLevel(InstructionSetLevelFor(g_cpuInfo));
}

}  // namespace VelImageUtility

extern "C" VIU_API void DetectCpuInstructionSet() {
    VelImageUtility::DetectCpuInstructionSet(VelImageUtility::SystemCpuProbe());
}
