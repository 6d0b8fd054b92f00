// The resampler's scratch context and the step tables it holds.
#include <algorithm>
#include <cstring>

#include "platform/Platform.h"
#include "resample/Resample.h"
#include "resample/ResampleFrame.h"

namespace VelImageUtility {

namespace {

// floor(256 * i * sourceSize / destinationSize): the source position of
// destination index i with 8 fraction bits. Split so that no product
// leaves 64 bits whatever the sizes.
int64_t StepPosition(int32_t i, int32_t sourceSize, int32_t destinationSize) {
    const int64_t product = int64_t{i} * sourceSize;
    return (product / destinationSize) * 256 + (product % destinationSize) * 256 / destinationSize;
}

// Deltas above 255 are capped; ResampleAxisFits keeps the modes clear of
// them.
uint32_t PackStepEntry(int64_t leftDelta, int64_t nearestDelta, int32_t fraction) {
    const uint32_t left = static_cast<uint32_t>(std::min<int64_t>(leftDelta, 255));
    const uint32_t nearest = static_cast<uint32_t>(std::min<int64_t>(nearestDelta, 255));
    return (left << 16) | (nearest << 8) | static_cast<uint32_t>(fraction);
}

void FillStepTable(uint32_t* entries, int32_t sourceSize, int32_t destinationSize) {
    const int64_t last = sourceSize - 1;
    int64_t previousLeft = 0;
    int64_t previousNearest = 0;
    for (int32_t i = 0; i < destinationSize; ++i) {
        const int64_t position = StepPosition(i, sourceSize, destinationSize);
        const int64_t whole = position >> 8;
        int32_t fraction = static_cast<int32_t>((position >> 1) & 127);
        int64_t left = whole;
        int64_t nearest = fraction >= 64 ? whole + 1 : whole;
        if (whole == last) {
            // The right neighbour must exist: interpolate the last pair at
            // its far end instead.
            left = last - 1;
            nearest = last;
            fraction = 127;
        }
        entries[i] = PackStepEntry(left - previousLeft, nearest - previousNearest, fraction);
        previousLeft = left;
        previousNearest = nearest;
    }
    entries[destinationSize] = PackStepEntry(last - previousLeft, last - previousNearest, 127);
}

void ReleaseStepTable(StepTable* table) {
    Platform::FreePages(table->allocation, StepTableBytes(table->capacity));
    table->allocation = nullptr;
    table->entries = nullptr;
    table->capacity = 0;
}

}  // namespace

void InitResampler(ResampleContext* context) { std::memset(context, 0, sizeof *context); }

void ReleaseResampler(ResampleContext* context) {
    ReleaseStepTable(&context->horizontal);
    ReleaseStepTable(&context->vertical);
    Platform::FreePages(context->rowCacheAllocation, RowCacheBytes(context->rowCacheWidth));
    InitResampler(context);
}

bool BuildStepTable(StepTable* table, int32_t sourceSize, int32_t destinationSize) {
    if (sourceSize < 2 || destinationSize < 1 || destinationSize == INT32_MAX) return false;
    if (table->entries != nullptr && table->sourceSize == sourceSize &&
        table->destinationSize == destinationSize) {
        return true;
    }
    const int32_t needed = destinationSize + 1;
    if (table->allocation != nullptr && table->capacity < needed) ReleaseStepTable(table);
    if (table->allocation == nullptr) {
        table->allocation = Platform::AllocatePages(StepTableBytes(needed));
        if (table->allocation == nullptr) return false;
        table->capacity = needed;
        table->entries = reinterpret_cast<uint32_t*>(AlignTo32(table->allocation));
    }
    table->sourceSize = sourceSize;
    table->destinationSize = destinationSize;
    FillStepTable(table->entries, sourceSize, destinationSize);
    return true;
}

bool ResampleAxisFits(int32_t sourceSize, int32_t destinationSize) {
    return sourceSize >= 2 && destinationSize >= 1 &&
           sourceSize <= int64_t{255} * destinationSize;
}

bool PrepareResample(ResampleContext* context, const uint8_t* source, int32_t sourceX,
                     int32_t sourceY, int32_t sourceWidth, int32_t sourceHeight,
                     int32_t sourceStride, uint8_t* destination, int32_t destinationX,
                     int32_t destinationY, int32_t destinationWidth, int32_t destinationHeight,
                     int32_t destinationStride, ResampleFrame* frame, bool stepTables) {
    if (context == nullptr || source == nullptr || destination == nullptr) return false;
    if (sourceX < 0 || sourceY < 0 || destinationX < 0 || destinationY < 0) return false;
    if (!ResampleAxisFits(sourceWidth, destinationWidth) ||
        !ResampleAxisFits(sourceHeight, destinationHeight)) {
        return false;
    }
    if (sourceStride < int64_t{4} * sourceWidth ||
        destinationStride < int64_t{4} * destinationWidth) {
        return false;
    }
    if (stepTables && (!BuildStepTable(&context->horizontal, sourceWidth, destinationWidth) ||
                       !BuildStepTable(&context->vertical, sourceHeight, destinationHeight))) {
        return false;
    }
    frame->source = source + ptrdiff_t{sourceY} * sourceStride + ptrdiff_t{4} * sourceX;
    frame->sourceStride = sourceStride;
    frame->sourceWidth = sourceWidth;
    frame->sourceHeight = sourceHeight;
    frame->destination =
        destination + ptrdiff_t{destinationY} * destinationStride + ptrdiff_t{4} * destinationX;
    frame->destinationStride = destinationStride;
    frame->destinationWidth = destinationWidth;
    frame->destinationHeight = destinationHeight;
    return true;
}

bool PrepareRowCache(ResampleContext* context, int32_t width) {
    if (context->rowCacheAllocation != nullptr && context->rowCacheWidth != width) {
        Platform::FreePages(context->rowCacheAllocation, RowCacheBytes(context->rowCacheWidth));
        context->rowCacheAllocation = nullptr;
        std::memset(context->rowBuffers, 0, sizeof context->rowBuffers);
        context->rowCacheWidth = 0;
    }
    if (context->rowCacheAllocation == nullptr) {
        void* block = Platform::AllocatePages(RowCacheBytes(width));
        if (block == nullptr) return false;
        context->rowCacheAllocation = block;
        context->rowCacheWidth = width;
        uint8_t* buffer = AlignTo32(block);
        for (uint8_t*& rowBuffer : context->rowBuffers) {
            rowBuffer = buffer;
            buffer = AlignTo32(buffer + 4 * static_cast<size_t>(width));
        }
    }
    for (int32_t& key : context->rowKeys) key = -1;
    return true;
}

void ClearRowPadding(uint8_t* row, size_t rowBytes, ptrdiff_t stride) {
    if (stride > static_cast<ptrdiff_t>(rowBytes)) {
        std::memset(row + rowBytes, 0, static_cast<size_t>(stride) - rowBytes);
    }
}

}  // namespace VelImageUtility
