#include "core/InstructionSetLevel.h"

namespace VelImageUtility {

namespace {
int32_t g_instructionSetLevel = 0;
}

int32_t GetInstructionSetLevel() { return g_instructionSetLevel; }

void SetInstructionSetLevel(int32_t level) { g_instructionSetLevel = level; }

}  // namespace VelImageUtility
