#include "services/PixelFills.h"

#include <cstring>

namespace VelImageUtility {

namespace {
inline uint32_t LoadWord(const uint8_t* p) {
    uint32_t word;
    std::memcpy(&word, p, sizeof word);
    return word;
}
inline void StoreWord(uint8_t* p, uint32_t word) { std::memcpy(p, &word, sizeof word); }
}  // namespace

void FillPixelRow_Plain(uint8_t* row, int32_t width, uint32_t value) {
    for (int32_t x = 0; x < width; ++x) StoreWord(row + 4 * x, value);
}

void FillMaskedRow_Plain(uint8_t* row, int32_t width, uint32_t keep, uint32_t value) {
    for (int32_t x = 0; x < width; ++x) {
        uint8_t* pixel = row + 4 * x;
        StoreWord(pixel, (LoadWord(pixel) & keep) | value);
    }
}

}  // namespace VelImageUtility
