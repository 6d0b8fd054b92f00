#include "VelImageUtility/Exports.h"

extern "C" VIU_API void DetectCpuInstructionSet() {}
