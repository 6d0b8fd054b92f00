// The tone kernels that have no vector form, so that the compiler may
// vectorise them as it likes.
#include "argb/ArgbToneKernels.h"

namespace VelImageUtility {

void MapColoursThroughTable(uint8_t* row, int32_t width, const uint8_t table[256]) {
    for (int32_t x = 0; x < width; ++x, row += 4) {
        row[0] = table[row[0]];
        row[1] = table[row[1]];
        row[2] = table[row[2]];
    }
}

uint64_t SumColoursRow(const uint8_t* row, int32_t width) {
    uint64_t sum = 0;
    for (int32_t x = 0; x < width; ++x, row += 4) sum += uint32_t{row[0]} + row[1] + row[2];
    return sum;
}

}  // namespace VelImageUtility
