#include "cpu/CpuInfo.h"
#include "platform/Platform.h"

namespace VelImageUtility {

namespace {

// Counter method: each round settles for 50 performance-counter ticks, then
// counts time-stamp cycles over at least 1000 ticks.
constexpr int64_t kSettleTicks = 50;
constexpr int64_t kRoundTicks = 1000;
constexpr int kMinRounds = 3;
constexpr int kMaxRounds = 20;

// Instruction-loop method: the cycles one bit-scan-forward takes, by base
// family (1 from family 12 on).
constexpr int kBitScansPerLoop = 4000;
constexpr int kLoopTimings = 10;
constexpr uint32_t kBitScanCyclesByFamily[12] = {0, 0, 0, 115, 47, 43, 38, 38, 38, 38, 38, 38};

uint32_t BitScanCycles(int32_t baseFamily) {
    return baseFamily >= 12 ? 1 : kBitScanCyclesByFamily[baseFamily];
}

uint32_t SaturateToUint32(double value) {
    if (!(value > 0.0)) return 0;
    return value >= 4294967295.0 ? UINT32_MAX : static_cast<uint32_t>(value);
}

uint32_t SaturateToUint32(uint64_t value) {
    return value > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(value);
}

// 4000 independent bit scans of the same value.
void RunBitScanLoop() {
    const uint32_t value = 0x80000000u;
    for (int i = 0; i < kBitScansPerLoop; ++i) {
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
        uint32_t index;
        __asm__ volatile("bsf %1, %0" : "=r"(index) : "r"(value) : "cc");
        (void)index;
#else
        volatile uint32_t index = 0;
        for (uint32_t rest = value; (rest & 1) == 0; rest >>= 1) index = index + 1;
#endif
    }
}

// True when each of the three MHz values, times 3, is within 3 of their sum.
bool ThreeRoundsAgree(const uint32_t* mhz) {
    const int64_t sum = int64_t{mhz[0]} + mhz[1] + mhz[2];
    for (int i = 0; i < 3; ++i) {
        const int64_t difference = 3 * int64_t{mhz[i]} - sum;
        if (difference > 3 || difference < -3) return false;
    }
    return true;
}

CpuSpeed MeasureWithTimeStampCounter(CpuProbe& probe) {
    int64_t frequency = 0;
    if (!probe.QueryCounterFrequency(&frequency) || frequency / 10 <= 0) return {};
    const double ticksPerTenMicroseconds = static_cast<double>(frequency / 10);
    const int32_t priority = probe.GetCurrentThreadPriority();
    const bool canChangePriority = priority != Platform::kPriorityError;

    uint32_t totalCycles = 0;
    double totalMicroseconds = 0.0;
    uint32_t roundMHz[kMaxRounds];
    for (int round = 0; round < kMaxRounds;) {
        if (canChangePriority) probe.SetCurrentThreadPriority(Platform::kPriorityTimeCritical);
        int64_t begin = 0, start = 0, end = 0;
        uint64_t startCycles = 0, endCycles = 0;
        bool counted = probe.QueryCounter(&begin);
        start = begin;
        while (counted && start - begin < kSettleTicks) {
            startCycles = probe.ReadTimeStampCounter();
            counted = probe.QueryCounter(&start);
        }
        end = start;
        while (counted && end - start < kRoundTicks) {
            endCycles = probe.ReadTimeStampCounter();
            counted = probe.QueryCounter(&end);
        }
        if (canChangePriority) probe.SetCurrentThreadPriority(priority);
        if (!counted) return {};

        const uint32_t cycles = static_cast<uint32_t>(endCycles) - static_cast<uint32_t>(startCycles);
        const double microseconds = static_cast<double>(end - start) * 100000.0 / ticksPerTenMicroseconds;
        roundMHz[round] = SaturateToUint32(cycles / microseconds);
        totalCycles += cycles;
        totalMicroseconds += microseconds;
        ++round;
        if (round >= kMinRounds && ThreeRoundsAgree(roundMHz + round - 3)) break;
    }

    CpuSpeed speed{totalCycles, SaturateToUint32(totalMicroseconds + 0.5), 0, 0};
    if (speed.totalMicroseconds == 0) return speed;
    // Rounded to tenths first, then to whole MHz; the products need 64 bits.
    const uint64_t mhz = totalCycles / speed.totalMicroseconds;
    uint64_t tenths = uint64_t{10} * totalCycles / speed.totalMicroseconds;
    const uint64_t hundredths = uint64_t{100} * totalCycles / speed.totalMicroseconds;
    if (hundredths - 10 * tenths >= 6) ++tenths;
    speed.mhz = static_cast<uint32_t>(mhz);
    speed.mhzRounded = static_cast<uint32_t>(tenths - 10 * mhz >= 6 ? mhz + 1 : mhz);
    return speed;
}

CpuSpeed MeasureWithBitScanLoop(CpuProbe& probe, int32_t baseFamily) {
    int64_t frequency = 0;
    if (!probe.QueryCounterFrequency(&frequency) || frequency / 10 <= 0) return {};
    int64_t fewestTicks = INT64_MAX;
    for (int timing = 0; timing < kLoopTimings; ++timing) {
        int64_t before = 0, after = 0;
        if (!probe.QueryCounter(&before)) return {};
        RunBitScanLoop();
        if (!probe.QueryCounter(&after)) return {};
        if (after - before < fewestTicks) fewestTicks = after - before;
    }
    if (fewestTicks < 0) return {};

    CpuSpeed speed{};
    speed.totalCycles = BitScanCycles(baseFamily) * kBitScansPerLoop;
    speed.totalMicroseconds =
        SaturateToUint32(static_cast<uint64_t>(fewestTicks) * 100000 / static_cast<uint64_t>(frequency / 10));
    if (speed.totalMicroseconds == 0) return speed;
    speed.mhz = speed.totalCycles / speed.totalMicroseconds;
    const uint32_t remainder = speed.totalCycles % speed.totalMicroseconds;
    speed.mhzRounded = remainder > speed.totalMicroseconds / 2 ? speed.mhz + 1 : speed.mhz;
    return speed;
}

}  // namespace

CpuSpeed MeasureCpuSpeed(CpuProbe& probe) {
    const CpuidResult leaf1 = probe.Cpuid(1);
    const int32_t baseFamily = DecodeCpuSignature(leaf1.eax).baseFamily;
    if (CpuidBit(leaf1.edx, 4)) return MeasureWithTimeStampCounter(probe);
    if (baseFamily >= 3) return MeasureWithBitScanLoop(probe, baseFamily);
    return {};
}

}  // namespace VelImageUtility
