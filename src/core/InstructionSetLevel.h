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

}  // namespace VelImageUtility
