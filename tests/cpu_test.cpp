#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "VelImageUtility.h"
#include "argb/CImageARGB.h"
#include "core/InstructionSetLevel.h"
#include "cpu/CpuInfo.h"
#include "platform/Platform.h"

using namespace VelImageUtility;

namespace {

// Leaf 1 EDX and ECX, leaf 0x80000001 EDX.
constexpr uint32_t kTsc = 1u << 4, kMmx = 1u << 23, kSse = 1u << 25, kSse2 = 1u << 26, kHtt = 1u << 28;
constexpr uint32_t kSse3 = 1u << 0, kMonitor = 1u << 3, kSse41 = 1u << 19, kSse42 = 1u << 20;
constexpr uint32_t k3DNow = 1u << 31, k3DNowExt = 1u << 30;
constexpr uint32_t kP6Edx = kTsc | kMmx;
constexpr uint32_t kSse2Edx = kTsc | kMmx | kSse | kSse2;

// Leaf 1 EAX.
constexpr uint32_t Sig(uint32_t family, uint32_t model, uint32_t stepping, uint32_t extendedFamily = 0,
                       uint32_t extendedModel = 0, uint32_t type = 0) {
    return stepping | model << 4 | family << 8 | type << 12 | extendedModel << 16 | extendedFamily << 20;
}

// The CPUID answers of one processor.
struct RecordedCpu {
    const char* vendor;
    uint32_t leaf1Eax;
    uint32_t leaf1Ebx;
    uint32_t leaf1Ecx;
    uint32_t leaf1Edx;
    uint32_t highestExtendedLeaf;  // 0: no extended leaves
    uint32_t extendedEdx;          // leaf 0x80000001
    const char* brand;             // leaves 0x80000002..4; null: all zero
    CpuidResult leaf2;
};

// Replays a recorded processor, with a fake performance counter (`time`
// advances by the next step at each reading; the time-stamp counter runs at
// a rate per round), fake affinity and fake thread priority.
class ReplayedCpu : public CpuProbe {
public:
    explicit ReplayedCpu(const RecordedCpu& cpu) {
        CpuidResult leaf0{};
        std::memcpy(&leaf0.ebx, cpu.vendor + 0, 4);
        std::memcpy(&leaf0.edx, cpu.vendor + 4, 4);
        std::memcpy(&leaf0.ecx, cpu.vendor + 8, 4);
        leaf0.eax = 2;
        leaves[0] = leaf0;
        leaves[1] = {cpu.leaf1Eax, cpu.leaf1Ebx, cpu.leaf1Ecx, cpu.leaf1Edx};
        leaves[2] = cpu.leaf2;
        leaves[0x80000000u] = {cpu.highestExtendedLeaf, 0, 0, 0};
        leaves[0x80000001u] = {0, 0, 0, cpu.extendedEdx};
        if (cpu.brand != nullptr) {
            char brand[48] = {};
            std::memcpy(brand, cpu.brand, std::strlen(cpu.brand));
            for (uint32_t part = 0; part < 3; ++part) {
                CpuidResult& leaf = leaves[0x80000002u + part];
                std::memcpy(&leaf, brand + 16 * part, 16);
            }
        }
    }

    CpuidResult Cpuid(uint32_t leaf) override {
        ++cpuidCalls;
        const auto found = leaves.find(leaf);
        CpuidResult result = found == leaves.end() ? CpuidResult{} : found->second;
        // Confined to one processor, leaf 1 tells that processor's APIC ID.
        for (size_t cpu = 0; leaf == 1 && cpu < apicIds.size(); ++cpu) {
            if (processMask == uint64_t{1} << cpu) result.ebx = (result.ebx & 0x00FFFFFFu) | uint32_t{apicIds[cpu]} << 24;
        }
        return result;
    }
    uint64_t ReadTimeStampCounter() override {
        const size_t round = priorityRaises == 0 ? 0 : static_cast<size_t>(priorityRaises - 1);
        const uint64_t rate = cyclesPerThousandTicks[std::min(round, cyclesPerThousandTicks.size() - 1)];
        return static_cast<uint64_t>(time) * rate / 1000;
    }
    bool QueryCounterFrequency(int64_t* ticksPerSecond) override {
        *ticksPerSecond = frequency;
        return hasCounter;
    }
    bool QueryCounter(int64_t* ticks) override {
        *ticks = time;
        time += counterSteps[std::min(counterReads, counterSteps.size() - 1)];
        ++counterReads;
        return hasCounter;
    }
    uint32_t ProcessorCount() override { return processorCount; }
    bool GetProcessAffinity(uint64_t* process, uint64_t* system) override {
        *process = processMask;
        *system = systemMask;
        return true;
    }
    bool SetProcessAffinity(uint64_t mask) override {
        affinityRequests.push_back(mask);
        if ((mask & ~unselectable) == 0) return false;
        processMask = mask;
        return true;
    }
    void YieldTimeSlice() override { ++yields; }
    int32_t GetCurrentThreadPriority() override { return priority; }
    bool SetCurrentThreadPriority(int32_t value) override {
        if (value == Platform::kPriorityTimeCritical) ++priorityRaises;
        priority = value;
        return true;
    }

    std::map<uint32_t, CpuidResult> leaves;
    int cpuidCalls = 0;
    bool hasCounter = true;
    int64_t frequency = 1000000;
    int64_t time = 0;
    std::vector<int64_t> counterSteps{1};  // the last one repeats
    size_t counterReads = 0;
    std::vector<uint64_t> cyclesPerThousandTicks{1000000};  // by round; the last one repeats
    int32_t priority = 0;
    int priorityRaises = 0;
    uint32_t processorCount = 2;
    uint64_t processMask = 3;
    uint64_t systemMask = 3;
    uint64_t unselectable = 0;  // processors that cannot be selected alone
    std::vector<uint8_t> apicIds;  // by processor
    std::vector<uint64_t> affinityRequests;
    int yields = 0;
};

std::string FlagList(const CpuInfo& info) {
    const std::pair<int32_t, const char*> flags[] = {
        {info.hasMMX, "mmx"},       {info.hasSSE, "sse"},     {info.hasSSE2, "sse2"},
        {info.hasSSE3, "sse3"},     {info.hasMonitor, "monitor"}, {info.hasSSE41, "sse41"},
        {info.hasSSE42, "sse42"},   {info.has3DNow, "3dnow"}, {info.has3DNowExt, "3dnowext"},
    };
    std::string list;
    for (const auto& flag : flags) {
        if (flag.first) list += (list.empty() ? "" : " ") + std::string(flag.second);
    }
    return list;
}

// Leaf 2 of a P6 processor whose last register carries `l2` in its low byte.
constexpr CpuidResult P6Leaf2(uint8_t l2) { return {0x03020101u, 0, 0, 0x0C040800u | l2}; }

struct ReplayCase {
    const char* label;
    RecordedCpu cpu;
    int32_t level;
    const char* name;
    int32_t family, model, stepping;
    const char* flags;
};

const ReplayCase kReplayCases[] = {
    // Intel without a brand string: the name tables.
    {"Intel486", {"GenuineIntel", Sig(4, 8, 1), 0, 0, 0, 0, 0, nullptr, {}}, 0, "Intel 486 Processor", 4, 8, 1, ""},
    {"PentiumMmx", {"GenuineIntel", Sig(5, 4, 3), 0, 0, kP6Edx, 0, 0, nullptr, {}}, 1, "Intel Pentium", 5, 4, 3, "mmx"},
    {"CeleronWithoutL2", {"GenuineIntel", Sig(6, 5, 0), 0, 0, kP6Edx, 0, 0, nullptr, {0x03020101u, 0, 0, 0x0C084004u}},
     1, "Intel Celeron", 6, 5, 0, "mmx"},
    {"PentiumII", {"GenuineIntel", Sig(6, 5, 2), 0, 0, kP6Edx, 0, 0, nullptr, P6Leaf2(0x43)},
     1, "Intel Pentium II", 6, 5, 2, "mmx"},
    {"PentiumIIWith512K", {"GenuineIntel", Sig(6, 5, 2), 0, 0, kP6Edx, 0, 0, nullptr, P6Leaf2(0x7B)},
     1, "Intel Pentium II", 6, 5, 2, "mmx"},
    {"PentiumIIXeon", {"GenuineIntel", Sig(6, 5, 1), 0, 0, kP6Edx, 0, 0, nullptr, P6Leaf2(0x44)},
     1, "Intel Pentium II Xeon", 6, 5, 1, "mmx"},
    {"CeleronMendocino", {"GenuineIntel", Sig(6, 6, 5), 0, 0, kP6Edx, 0, 0, nullptr, P6Leaf2(0x41)},
     1, "Intel Celeron", 6, 6, 5, "mmx"},
    {"PentiumIIIKatmai", {"GenuineIntel", Sig(6, 7, 3), 0, 0, kP6Edx | kSse, 0, 0, nullptr, P6Leaf2(0x43)},
     2, "Intel Pentium III", 6, 7, 3, "mmx sse"},
    {"PentiumIIIXeonKatmai", {"GenuineIntel", Sig(6, 7, 3), 0, 0, kP6Edx | kSse, 0, 0, nullptr, P6Leaf2(0x45)},
     2, "Intel Pentium III Xeon", 6, 7, 3, "mmx sse"},
    {"CeleronCoppermine", {"GenuineIntel", Sig(6, 8, 6), 1, 0, kP6Edx | kSse, 0, 0, nullptr, P6Leaf2(0x82)},
     2, "Intel Celeron", 6, 8, 6, "mmx sse"},
    {"PentiumIIICoppermine", {"GenuineIntel", Sig(6, 8, 6), 2, 0, kP6Edx | kSse, 0, 0, nullptr, P6Leaf2(0x82)},
     2, "Intel Pentium III", 6, 8, 6, "mmx sse"},
    {"PentiumIIIXeonCoppermine", {"GenuineIntel", Sig(6, 8, 6), 3, 0, kP6Edx | kSse, 0, 0, nullptr, P6Leaf2(0x82)},
     2, "Intel Pentium III Xeon", 6, 8, 6, "mmx sse"},
    {"Model8BrandIndex8", {"GenuineIntel", Sig(6, 8, 6), 8, 0, kP6Edx | kSse, 0, 0, nullptr, P6Leaf2(0x82)},
     2, "Intel Pentium 4", 6, 8, 6, "mmx sse"},
    {"Model8OtherBrandIndex", {"GenuineIntel", Sig(6, 8, 6), 0, 0, kP6Edx | kSse, 0, 0, nullptr, P6Leaf2(0x82)},
     2, "Intel Processor", 6, 8, 6, "mmx sse"},
    {"Family6OtherModelKeepsName", {"GenuineIntel", Sig(6, 11, 1), 4, 0, kP6Edx | kSse, 0, 0, nullptr, P6Leaf2(0x83)},
     2, "", 6, 11, 1, "mmx sse"},
    {"Pentium4", {"GenuineIntel", Sig(15, 1, 2), 8, 0, kSse2Edx, 0, 0, nullptr, {}}, 3, "Intel Pentium 4", 15, 1, 2, "mmx sse sse2"},
    {"Pentium4Xeon", {"GenuineIntel", Sig(15, 1, 2), 14, 0, kSse2Edx, 0, 0, nullptr, {}}, 3, "Intel Pentium 4", 15, 1, 2, "mmx sse sse2"},
    {"Family15LowBrandIndex", {"GenuineIntel", Sig(15, 1, 2), 7, 0, kSse2Edx, 0, 0, nullptr, {}}, 3, "Intel Processor", 15, 1, 2, "mmx sse sse2"},
    {"Family7", {"GenuineIntel", Sig(7, 0, 0), 0, 0, kP6Edx, 0, 0, nullptr, {}}, 1, "Intel Processor", 7, 0, 0, "mmx"},
    {"ExtendedFamily", {"GenuineIntel", Sig(15, 0, 7, 1), 0, 0, kP6Edx, 0, 0, nullptr, {}}, 1, "Intel Processor", 16, 0, 7, "mmx"},
    {"EmptyBrandFallsBackToTable",
     {"GenuineIntel", Sig(15, 2, 4), 9, kSse3 | kMonitor, kSse2Edx, 0x80000004u, 0, nullptr, {}},
     3, "Intel Pentium 4", 15, 2, 4, "mmx sse sse2 sse3 monitor"},
    {"HighestExtendedLeafNotAbove", {"GenuineIntel", Sig(15, 3, 4), 0, kSse3 | kSse41, kSse2Edx, 0x80000000u, 0, "x", {}},
     3, "Intel Processor", 15, 3, 4, "mmx sse sse2"},
    // Intel with a brand string.
    {"Core2", {"GenuineIntel", Sig(6, 15, 6), 0, kSse3 | kMonitor, kSse2Edx, 0x80000008u, 0,
               "  Intel(R) Core(TM)2 CPU T5600 @ 1.83GHz", {}},
     3, "Intel(R) Core(TM)2 CPU T5600 @", 6, 15, 6, "mmx sse sse2 sse3 monitor"},
    {"CoreI7", {"GenuineIntel", Sig(6, 10, 5, 0, 1), 0, kSse3 | kMonitor | kSse41 | kSse42, kSse2Edx, 0x80000008u, 0,
                "Intel(R) Core(TM) i7 CPU         920  @ 2.67GHz", {}},
     4, "Intel(R) Core(TM) i7 CPU         920  @", 6, 26, 5, "mmx sse sse2 sse3 monitor sse41 sse42"},
    {"Pentium4Brand", {"GenuineIntel", Sig(15, 2, 9), 0, 0, kSse2Edx, 0x80000004u, 0,
                       "              Intel(R) Pentium(R) 4 CPU 3.00GHz", {}},
     3, "Intel(R) Pentium(R) 4 CPU", 15, 2, 9, "mmx sse sse2"},
    // AMD.
    {"Am486", {"AuthenticAMD", Sig(4, 8, 4), 0, 0, 0, 0, 0, nullptr, {}}, 0, "AMD 80486 Processor", 4, 8, 4, ""},
    {"K5", {"AuthenticAMD", Sig(5, 1, 1), 0, 0, kTsc, 0, 0, nullptr, {}}, 0, "AMD K5", 5, 1, 1, ""},
    {"K6", {"AuthenticAMD", Sig(5, 6, 1), 0, 0, kP6Edx, 0, 0, nullptr, {}}, 1, "AMD K6", 5, 6, 1, "mmx"},
    {"K6-2", {"AuthenticAMD", Sig(5, 8, 0), 0, 0, kP6Edx, 0x80000005u, k3DNow, "AMD-K6(tm) 3D processor", {}},
     1, "AMD K6-2", 5, 8, 0, "mmx 3dnow"},
    {"K6-III", {"AuthenticAMD", Sig(5, 9, 1), 0, 0, kP6Edx, 0x80000005u, k3DNow, "AMD-K6(tm) 3D+ Processor", {}},
     1, "AMD K6-III", 5, 9, 1, "mmx 3dnow"},
    {"GeodeLx", {"AuthenticAMD", Sig(5, 10, 2), 0, 0, kP6Edx, 0x80000006u, k3DNow | k3DNowExt,
                 "Geode(TM) Integrated Processor by AMD PCS", {}},
     1, "AMD Processor", 5, 10, 2, "mmx 3dnow 3dnowext"},
    {"Athlon", {"AuthenticAMD", Sig(6, 4, 2), 0, 0, kP6Edx, 0x80000008u, k3DNow | k3DNowExt, "AMD Athlon(tm) Processor", {}},
     1, "AMD Athlon(tm) Processor", 6, 4, 2, "mmx 3dnow 3dnowext"},
    {"AmdWithoutExtendedLeaves", {"AuthenticAMD", Sig(6, 1, 0), 0, 0, kP6Edx, 0, k3DNow, nullptr, {}}, 1, "", 6, 1, 0, "mmx"},
    {"RyzenReportingSse41", {"AuthenticAMD", Sig(15, 1, 0, 8, 7), 0, kSse3 | kMonitor | kSse41 | kSse42, kSse2Edx,
                             0x80000020u, 0, "AMD Ryzen 7 3700X 8-Core Processor", {}},
     3, "AMD Ryzen 7 3700X 8-Core Processor", 15, 1, 0, "mmx sse sse2"},
    // Centaur: WinChip and VIA.
    {"WinChip486", {"CentaurHauls", Sig(4, 1, 0), 0, 0, 0, 0, 0, nullptr, {}}, 0, "WinChip 80486 Processor", 4, 1, 0, ""},
    {"WinChip2", {"CentaurHauls", Sig(5, 8, 5), 0, 0, kP6Edx, 0x80000005u, k3DNow, "IDT WinChip 2-3D", {}},
     1, "IDT WinChip Processor", 5, 8, 5, "mmx 3dnow"},
    {"Family6EarlyModel", {"CentaurHauls", Sig(6, 2, 0), 0, 0, kP6Edx, 0, 0, nullptr, {}}, 1, "IDT WinChip Processor", 6, 2, 0, "mmx"},
    {"C3Samuel", {"CentaurHauls", Sig(6, 6, 5), 0, 0, kP6Edx, 0x80000006u, k3DNow, nullptr, {}}, 1, "VIA C3 Samuel", 6, 6, 5, "mmx 3dnow"},
    {"C3Samuel2", {"CentaurHauls", Sig(6, 7, 3), 0, 0, kP6Edx, 0x80000006u, k3DNow, nullptr, {}}, 1, "VIA C3 Samuel 2", 6, 7, 3, "mmx 3dnow"},
    {"C3Ezra", {"CentaurHauls", Sig(6, 7, 8), 0, 0, kP6Edx, 0x80000006u, k3DNow, nullptr, {}}, 1, "VIA C3 Ezra", 6, 7, 8, "mmx 3dnow"},
    {"C3Nehemiah", {"CentaurHauls", Sig(6, 9, 8), 0, 0, kP6Edx | kSse, 0x80000006u, 0, "VIA Nehemiah", {}},
     2, "VIA Nehemiah", 6, 9, 8, "mmx sse"},
    {"NanoReportingSse41", {"CentaurHauls", Sig(6, 15, 2), 0, kSse3 | kSse41, kSse2Edx, 0x80000008u, 0,
                            "VIA Nano processor L2200@1.6GHz", {}},
     3, "VIA Nano processor L2200@", 6, 15, 2, "mmx sse sse2"},
    // Cyrix.
    {"Cyrix486", {"CyrixInstead", Sig(4, 4, 0), 0, 0, 0, 0, 0, nullptr, {}}, 0, "Cyrix 80486 Processor", 4, 4, 0, ""},
    {"Cyrix6x86", {"CyrixInstead", Sig(5, 2, 0), 0, 0, 0, 0, 0, nullptr, {}}, 0, "Cyrix MI", 5, 2, 0, ""},
    {"Cyrix6x86MX", {"CyrixInstead", Sig(6, 0, 0), 0, 0, kMmx, 0x80000005u, k3DNow, nullptr, {}}, 1, "Cyrix MII", 6, 0, 0, "mmx 3dnow"},
    {"CyrixLaterFamily", {"CyrixInstead", Sig(7, 0, 0), 0, 0, kP6Edx, 0x80000004u, 0, "Cyrix III", {}}, 1, "Cyrix III", 7, 0, 0, "mmx"},
    // Transmeta.
    {"Transmeta486", {"GenuineTMx86", Sig(4, 0, 0), 0, 0, 0, 0, 0, nullptr, {}}, 0, "Transmeta 80486 Processor", 4, 0, 0, ""},
    {"Crusoe", {"GenuineTMx86", Sig(5, 4, 3), 0, 0, kP6Edx, 0x80000006u, 0, "Transmeta(tm) Crusoe(tm) Processor TM5800", {}},
     1, "Transmeta Crusoe", 5, 4, 3, "mmx"},
    {"Efficeon", {"GenuineTMx86", Sig(15, 2, 3), 0, kSse3, kSse2Edx, 0x80000006u, 0, "Transmeta Efficeon(tm) Processor TM8600", {}},
     3, "Transmeta Efficeon(tm) Processor TM8600", 15, 2, 3, "mmx sse sse2"},
    // Vendors without a path of their own.
    {"NexGen", {"NexGenDriven", Sig(5, 0, 4), 0, 0, 0, 0x80000001u, k3DNow, nullptr, {}}, 0, "NexGenDriven 80586 Processor", 5, 0, 4, "3dnow"},
    {"Umc486", {"UMC UMC UMC ", Sig(4, 1, 2), 0, 0, 0, 0x80000001u, k3DNow, nullptr, {}}, 0, "UMC UMC UMC  80486 Processor", 4, 1, 2, ""},
    {"HygonReportingSse41", {"HygonGenuine", Sig(15, 0, 1, 9), 0, kSse41, kSse2Edx, 0x80000020u, 0, "Hygon C86 3185", {}},
     3, "HygonGenuine 801586 Processor", 15, 0, 1, "mmx sse sse2"},
};

class CpuReplay : public ::testing::TestWithParam<ReplayCase> {};

TEST_P(CpuReplay, GivesLevelNameSignatureAndFlags) {
    const ReplayCase& expected = GetParam();
    ReplayedCpu probe(expected.cpu);
    CpuInfo info;
    IdentifyCpu(probe, info);
    EXPECT_EQ(InstructionSetLevelFor(info), expected.level);
    EXPECT_STREQ(info.vendor, expected.cpu.vendor);
    EXPECT_STREQ(info.name, expected.name);
    EXPECT_EQ(info.family, expected.family);
    EXPECT_EQ(info.model, expected.model);
    EXPECT_EQ(info.stepping, expected.stepping);
    EXPECT_EQ(FlagList(info), expected.flags);
    EXPECT_EQ(info.valid, 1);
}

INSTANTIATE_TEST_SUITE_P(RecordedProcessors, CpuReplay, ::testing::ValuesIn(kReplayCases),
                         [](const ::testing::TestParamInfo<ReplayCase>& info) {
                             std::string label = info.param.label;
                             for (char& c : label) {
                                 if (c == '-') c = '_';
                             }
                             return label;
                         });

RecordedCpu FindRecorded(const char* label) {
    for (const ReplayCase& replay : kReplayCases) {
        if (std::strcmp(replay.label, label) == 0) return replay.cpu;
    }
    ADD_FAILURE() << label;
    return {};
}

TEST(CpuIdentification, ProcessorTypeOnlyOnIntelWithoutBrand) {
    RecordedCpu withoutBrand = FindRecorded("EmptyBrandFallsBackToTable");
    withoutBrand.leaf1Eax = Sig(15, 2, 4, 0, 0, 2);
    ReplayedCpu probe(withoutBrand);
    CpuInfo info;
    IdentifyCpu(probe, info);
    EXPECT_EQ(info.processorType, 2);

    RecordedCpu withBrand = FindRecorded("Core2");
    withBrand.leaf1Eax = Sig(6, 15, 6, 0, 0, 1);
    ReplayedCpu brandProbe(withBrand);
    IdentifyCpu(brandProbe, info);
    EXPECT_EQ(info.processorType, 0);
}

TEST(CpuIdentification, ResetKeepsNameAndLaterIntelFlags) {
    CpuInfo info;
    std::strcpy(info.name, "previous name");
    info.hasSSE41 = 1;
    info.hasSSE3 = 1;
    info.has3DNow = 1;
    ReplayedCpu probe(FindRecorded("Family6OtherModelKeepsName"));
    IdentifyCpu(probe, info);
    EXPECT_STREQ(info.name, "previous name");
    EXPECT_EQ(info.hasSSE41, 1);
    EXPECT_EQ(info.hasSSE3, 0);
    EXPECT_EQ(info.has3DNow, 0);
}

TEST(CpuIdentification, FillsMeasurementsAndCounts) {
    ReplayedCpu probe(FindRecorded("Core2"));
    probe.cyclesPerThousandTicks = {1833000};
    probe.processorCount = 2;
    CpuInfo info;
    IdentifyCpu(probe, info);
    EXPECT_EQ(info.speedMHz, 1833u);
    EXPECT_EQ(info.logicalPerPackage, 1);
    EXPECT_EQ(info.physicalCount, 2);
    EXPECT_EQ(info.htStatus, static_cast<int32_t>(HyperThreadingStatus::NotCapable));
}

TEST(CpuIdentification, LoadValues) {
    const CpuInfo info;
    EXPECT_STREQ(info.vendor, "------------");
    EXPECT_EQ(info.family, -1);
    EXPECT_EQ(info.stepping, -1);
    EXPECT_STREQ(info.name, "");
    EXPECT_EQ(info.logicalPerPackage, 1);
    EXPECT_EQ(info.physicalCount, 1);
    EXPECT_EQ(info.valid, 0);
}

TEST(CpuIdentification, DetectionWritesLevelAndProcessRecord) {
    ScopedInstructionSetLevel restore(0);
    ReplayedCpu k6(FindRecorded("K6"));
    DetectCpuInstructionSet(k6);
    EXPECT_EQ(GetInstructionSetLevel(), 1);
    EXPECT_STREQ(ProcessCpuInfo().name, "AMD K6");
    EXPECT_EQ(ProcessCpuInfo().valid, 1);
    ReplayedCpu core2(FindRecorded("Core2"));
    DetectCpuInstructionSet(core2);
    EXPECT_EQ(GetInstructionSetLevel(), 3);
}

TEST(CpuIdentification, ThisMachineGivesSse2OrBetterAndImagesCarryIt) {
    ScopedInstructionSetLevel restore(0);
    ICImageARGB* before = GetCImageARGB2(2, 2);
    DetectCpuInstructionSet();
    const int32_t level = GetInstructionSetLevel();
    EXPECT_TRUE(level == 3 || level == 4) << level;
    EXPECT_EQ(ProcessCpuInfo().valid, 1);
    EXPECT_EQ(ProcessCpuInfo().hasSSE2, 1);
    EXPECT_NE(ProcessCpuInfo().name[0], '\0');
    ICImageARGB* after = GetCImageARGB2(2, 2);
    EXPECT_EQ(static_cast<CImageARGB*>(before)->level, 0);
    EXPECT_EQ(static_cast<CImageARGB*>(after)->level, level);
    ReleaseCImageARGB(before);
    ReleaseCImageARGB(after);
}

struct NameCase {
    const char* raw;
    const char* cleaned;
};

TEST(CpuName, CleanUp) {
    const NameCase cases[] = {
        {"  Intel(R) Core(TM)2 CPU T5600 @ 1.83GHz", "Intel(R) Core(TM)2 CPU T5600 @"},
        {"Intel(R) Pentium(R) 4 CPU 3.00GHz", "Intel(R) Pentium(R) 4 CPU"},
        {"Intel(R) Pentium(R) M processor 1600MHz", "Intel(R) Pentium(R) M processor"},
        {"VIA Nano processor L2200@1.6GHz", "VIA Nano processor L2200@"},
        {"x 3.0 GHz", "x 3.0"},
        {"CPU 800MHz at 1.2GHz", "CPU"},
        {"AMD Athlon(tm) Processor", "AMD Athlon(tm) Processor"},
        {"AMD Athlon(tm) Processor  ", "AMD Athlon(tm) Processor  "},
        {"2.4GHz", "2"},
        {"GHz", "G"},
        {"   ", ""},
        {"", ""},
    };
    for (const NameCase& c : cases) {
        char name[kCpuNameLength + 1] = {};
        std::strcpy(name, c.raw);
        CleanCpuName(name);
        EXPECT_STREQ(name, c.cleaned) << '"' << c.raw << '"';
    }
}

TEST(CpuName, L2DescriptorTable) {
    const std::pair<uint8_t, uint32_t> table[] = {
        {0x40, 0},    {0x79, 128},  {0x7A, 256},  {0x82, 256}, {0x7B, 512}, {0x44, 1000}, {0x7C, 1000},
        {0x84, 1000}, {0x45, 2000}, {0x85, 2000}, {0x00, 1},   {0x41, 1},   {0x43, 1},    {0x83, 1},
        {0xFF, 1},
    };
    for (const auto& entry : table) {
        EXPECT_EQ(L2CacheSizeForDescriptor(entry.first), entry.second) << std::hex << int{entry.first};
    }
}

TEST(CpuName, L2SizeFromLeaf2) {
    struct Leaf2Case {
        CpuidResult leaf2;
        uint32_t sizeKB;
    };
    const Leaf2Case cases[] = {
        {{0x00000040u, 0, 0, 0}, 1},           // byte 0 is the iteration count
        {{0x00004001u, 0, 0, 0}, 0},           // byte 1
        {{0x03020101u, 0, 0, 0x0C040843u}, 1}, // no byte of the table
        {{0x03020101u, 0x7C000000u, 0, 0}, 1000},
        {{0x03020101u, 0, 0x00850000u, 0}, 2000},
        {{0x03020101u, 0, 0, 0x79000000u}, 128},  // the last byte
        {{0x03020101u, 0x00000040u, 0x44u, 0}, 0},  // the first known byte decides
    };
    for (const Leaf2Case& c : cases) {
        EXPECT_EQ(L2CacheSizeFromLeaf2(c.leaf2), c.sizeKB) << std::hex << c.leaf2.eax << ' ' << c.leaf2.ebx << ' '
                                                            << c.leaf2.ecx << ' ' << c.leaf2.edx;
    }
}

// A processor with a time-stamp counter, measured with a 1 MHz counter: each
// reading advances it by one tick, so every round covers exactly 1000 ticks.
ReplayedCpu CounterCpu(uint64_t cyclesPerThousandTicks) {
    ReplayedCpu probe(FindRecorded("Core2"));
    probe.cyclesPerThousandTicks = {cyclesPerThousandTicks};
    return probe;
}

constexpr size_t kReadingsPerRound = 1 + 50 + 1000;

TEST(CpuSpeedMeasurement, SteadyClockStopsAfterThreeRounds) {
    ReplayedCpu probe = CounterCpu(1834567);
    probe.priority = 2;
    const CpuSpeed speed = MeasureCpuSpeed(probe);
    EXPECT_EQ(probe.priorityRaises, 3);
    EXPECT_EQ(probe.counterReads, 3 * kReadingsPerRound);
    EXPECT_EQ(probe.priority, 2);
    EXPECT_EQ(speed.totalCycles, 3u * 1834567);
    EXPECT_EQ(speed.totalMicroseconds, 3000u);
    EXPECT_EQ(speed.mhz, 1834u);
    EXPECT_EQ(speed.mhzRounded, 1835u);
}

TEST(CpuSpeedMeasurement, UnsteadyClockStopsAfterTwentyRounds) {
    ReplayedCpu probe = CounterCpu(0);
    probe.cyclesPerThousandTicks.clear();
    for (int round = 0; round < 30; ++round) probe.cyclesPerThousandTicks.push_back(1000000 + 5000 * (round % 2));
    const CpuSpeed speed = MeasureCpuSpeed(probe);
    EXPECT_EQ(probe.priorityRaises, 20);
    EXPECT_EQ(speed.totalMicroseconds, 20000u);
    EXPECT_EQ(speed.totalCycles, 10u * 1000000 + 10u * 1005000);
    EXPECT_EQ(speed.mhz, 1002u);
}

TEST(CpuSpeedMeasurement, SettlesOnceThreeRoundsAgree) {
    ReplayedCpu probe = CounterCpu(0);
    probe.cyclesPerThousandTicks = {900000, 1200000, 1000000, 1001000, 1002000};
    MeasureCpuSpeed(probe);
    EXPECT_EQ(probe.priorityRaises, 5);  // 1000, 1001 and 1002 agree within 3
}

TEST(CpuSpeedMeasurement, UnreadablePriorityIsLeftAlone) {
    ReplayedCpu probe = CounterCpu(1000000);
    probe.priority = Platform::kPriorityError;
    const CpuSpeed speed = MeasureCpuSpeed(probe);
    EXPECT_EQ(probe.priorityRaises, 0);
    EXPECT_EQ(probe.priority, Platform::kPriorityError);
    EXPECT_EQ(probe.counterReads, 3 * kReadingsPerRound);
    EXPECT_EQ(speed.mhz, 1000u);
}

TEST(CpuSpeedMeasurement, RoundsThroughTenths) {
    struct RoundingCase {
        uint64_t cyclesPerThousandTicks;
        uint32_t mhz;
        uint32_t mhzRounded;
    };
    const RoundingCase cases[] = {
        {1834000, 1834, 1834}, {1834460, 1834, 1834}, {1834549, 1834, 1834}, {1834550, 1834, 1834},
        {1834560, 1834, 1835}, {1834600, 1834, 1835}, {1834999, 1834, 1835},
    };
    for (const RoundingCase& c : cases) {
        ReplayedCpu probe = CounterCpu(c.cyclesPerThousandTicks);
        const CpuSpeed speed = MeasureCpuSpeed(probe);
        EXPECT_EQ(speed.mhz, c.mhz) << c.cyclesPerThousandTicks;
        EXPECT_EQ(speed.mhzRounded, c.mhzRounded) << c.cyclesPerThousandTicks;
    }
}

TEST(CpuSpeedMeasurement, LongRoundsOfAFastClockDoNotWrap) {
    // 10 ms rounds of a 3 GHz clock: 100 times the total cycles needs 64 bits.
    ReplayedCpu probe = CounterCpu(30000000);
    probe.frequency = 100000;
    const CpuSpeed speed = MeasureCpuSpeed(probe);
    EXPECT_EQ(speed.totalCycles, 90000000u);
    EXPECT_EQ(speed.totalMicroseconds, 30000u);
    EXPECT_EQ(speed.mhz, 3000u);
    EXPECT_EQ(speed.mhzRounded, 3000u);
}

TEST(CpuSpeedMeasurement, CyclesAreCountedOnTheLow32Bits) {
    ReplayedCpu probe = CounterCpu(1000000);
    probe.time = int64_t{1} << 40;  // the time-stamp counter is far above 32 bits
    EXPECT_EQ(MeasureCpuSpeed(probe).mhz, 1000u);
}

TEST(CpuSpeedMeasurement, NoMeasurementGivesZeros) {
    ReplayedCpu noCounter = CounterCpu(1000000);
    noCounter.hasCounter = false;
    noCounter.priority = 5;
    const CpuSpeed speed = MeasureCpuSpeed(noCounter);
    EXPECT_EQ(speed.totalCycles, 0u);
    EXPECT_EQ(speed.totalMicroseconds, 0u);
    EXPECT_EQ(speed.mhz, 0u);
    EXPECT_EQ(speed.mhzRounded, 0u);
    EXPECT_EQ(noCounter.priority, 5);

    RecordedCpu old = FindRecorded("Intel486");
    old.leaf1Eax = Sig(2, 0, 0);
    ReplayedCpu noTimeStampCounterBeforeFamily3(old);
    EXPECT_EQ(MeasureCpuSpeed(noTimeStampCounterBeforeFamily3).mhz, 0u);

    ReplayedCpu loopWithoutCounter(FindRecorded("Intel486"));
    loopWithoutCounter.hasCounter = false;
    EXPECT_EQ(MeasureCpuSpeed(loopWithoutCounter).totalCycles, 0u);

    CpuInfo info;
    IdentifyCpu(noCounter, info);
    EXPECT_EQ(info.speedMHz, 0u);
}

TEST(CpuSpeedMeasurement, BitScanLoopWithoutTimeStampCounter) {
    struct LoopCase {
        uint32_t family;
        int64_t frequency;
        std::vector<int64_t> loopTicks;  // of the ten timings
        CpuSpeed expected;
    };
    const LoopCase cases[] = {
        {4, 1000000, {3}, {188000, 3, 62666, 62667}},
        {5, 1000000, {9, 7, 5, 8, 4, 6, 9, 9, 5, 7}, {172000, 4, 43000, 43000}},  // the fewest ticks count
        {3, 1000000, {7}, {460000, 7, 65714, 65714}},
        {12, 10000000, {100}, {4000, 10, 400, 400}},
        {4, 1000000, {0}, {188000, 0, 0, 0}},
    };
    for (const LoopCase& c : cases) {
        RecordedCpu recorded = FindRecorded("Intel486");
        recorded.leaf1Eax = Sig(c.family, 0, 0);
        ReplayedCpu probe(recorded);
        probe.frequency = c.frequency;
        probe.counterSteps.clear();
        for (size_t timing = 0; timing < 10; ++timing) {
            probe.counterSteps.push_back(c.loopTicks[std::min(timing, c.loopTicks.size() - 1)]);
            probe.counterSteps.push_back(1);
        }
        const CpuSpeed speed = MeasureCpuSpeed(probe);
        EXPECT_EQ(speed.totalCycles, c.expected.totalCycles) << c.family;
        EXPECT_EQ(speed.totalMicroseconds, c.expected.totalMicroseconds) << c.family;
        EXPECT_EQ(speed.mhz, c.expected.mhz) << c.family;
        EXPECT_EQ(speed.mhzRounded, c.expected.mhzRounded) << c.family;
        EXPECT_EQ(probe.counterReads, 20u);
    }
}

// A hyper-threading capable Intel with two logical processors per package.
RecordedCpu NetBurst(uint32_t logicalPerPackage) {
    return {"GenuineIntel", Sig(15, 2, 9), logicalPerPackage << 16, 0, kSse2Edx | kHtt, 0x80000004u, 0,
            "Intel(R) Xeon(TM) CPU 3.06GHz", {}};
}

struct CountCase {
    const char* label;
    RecordedCpu cpu;
    uint64_t processMask, systemMask;
    std::vector<uint8_t> apicIds;
    HyperThreadingStatus status;
    int32_t logicalPerPackage, physicalCount;
};

TEST(CpuProcessorCount, StatusesAndCounts) {
    RecordedCpu core2 = FindRecorded("Core2");
    core2.leaf1Ebx = 2 << 16;
    core2.leaf1Edx |= kHtt;
    RecordedCpu amd = FindRecorded("RyzenReportingSse41");
    amd.leaf1Ebx = 16 << 16;
    amd.leaf1Edx |= kHtt;
    RecordedCpu extendedFamily = NetBurst(2);
    extendedFamily.leaf1Eax = Sig(6, 0, 0, 1);
    RecordedCpu withoutHtt = NetBurst(2);
    withoutHtt.leaf1Edx &= ~kHtt;
    const CountCase cases[] = {
        {"Enabled", NetBurst(2), 0xF, 0xF, {0, 1, 6, 7}, HyperThreadingStatus::Enabled, 2, 2},
        {"CapableNotEnabled", NetBurst(2), 0xF, 0xF, {0, 2, 4, 6}, HyperThreadingStatus::CapableNotEnabled, 2, 4},
        {"Disabled", NetBurst(1), 0x3, 0x3, {0, 1}, HyperThreadingStatus::Disabled, 1, 4},
        {"ThreeLogicalUseTwoBits", NetBurst(3), 0x3, 0x3, {0, 4}, HyperThreadingStatus::CapableNotEnabled, 3, 4},
        {"ThreeLogicalNonZeroPart", NetBurst(3), 0x3, 0x3, {4, 2}, HyperThreadingStatus::Enabled, 3, 1},
        {"NoLogicalProcessors", NetBurst(0), 0x3, 0x3, {0, 1}, HyperThreadingStatus::NotCapable, 0, 4},
        {"ConfinedProcess", NetBurst(2), 0x1, 0x3, {0, 1}, HyperThreadingStatus::CannotDetect, 2, -1},
        {"ExtendedFamily", extendedFamily, 0x3, 0x3, {0, 1}, HyperThreadingStatus::Enabled, 2, 2},
        {"FamilySixIsNotCapable", core2, 0x3, 0x3, {0, 1}, HyperThreadingStatus::NotCapable, 1, 4},
        {"WithoutHyperThreadingBit", withoutHtt, 0x3, 0x3, {0, 1}, HyperThreadingStatus::NotCapable, 1, 4},
        {"NotIntel", amd, 0x1, 0x3, {0, 1}, HyperThreadingStatus::NotCapable, 1, 4},
    };
    for (const CountCase& c : cases) {
        ReplayedCpu probe(c.cpu);
        probe.processorCount = 4;
        probe.processMask = c.processMask;
        probe.systemMask = c.systemMask;
        probe.apicIds = c.apicIds;
        int32_t logical = -5, physical = -5;
        EXPECT_EQ(CountProcessors(probe, &logical, &physical), c.status) << c.label;
        EXPECT_EQ(logical, c.logicalPerPackage) << c.label;
        EXPECT_EQ(physical, c.physicalCount) << c.label;
        EXPECT_EQ(probe.processMask, c.processMask) << c.label;  // restored
    }
}

TEST(CpuProcessorCount, VisitsEachProcessorOfTheMaskAndSkipsUnselectable) {
    ReplayedCpu probe(NetBurst(2));
    probe.processorCount = 4;
    probe.processMask = probe.systemMask = 0xD;  // processors 0, 2 and 3
    probe.apicIds = {0, 0, 0, 1};
    probe.unselectable = 0x8;  // processor 3, the only one with a logical part
    int32_t logical = 0, physical = 0;
    EXPECT_EQ(CountProcessors(probe, &logical, &physical), HyperThreadingStatus::CapableNotEnabled);
    EXPECT_EQ(probe.affinityRequests, (std::vector<uint64_t>{0x1, 0x4, 0x8, 0xD}));
    EXPECT_EQ(probe.yields, 2);
    EXPECT_EQ(probe.processMask, 0xDu);
}

TEST(CpuProcessorCount, LooksAtTheLow32ProcessorsOnly) {
    ReplayedCpu probe(NetBurst(2));
    probe.processMask = probe.systemMask = (uint64_t{1} << 40) | 1;
    int32_t logical = 0, physical = 0;
    CountProcessors(probe, &logical, &physical);
    EXPECT_EQ(probe.affinityRequests, (std::vector<uint64_t>{0x1, (uint64_t{1} << 40) | 1}));
}

TEST(CpuProcessorCount, HyperThreadingCapability) {
    ReplayedCpu netBurst(NetBurst(2));
    EXPECT_NE(IsHyperThreadingCapable(netBurst), 0u);
    RecordedCpu family15NoHtt = NetBurst(2);
    family15NoHtt.leaf1Edx &= ~kHtt;
    ReplayedCpu withoutBit(family15NoHtt);
    EXPECT_EQ(IsHyperThreadingCapable(withoutBit), 0u);
    ReplayedCpu core2(FindRecorded("Core2"));
    EXPECT_EQ(IsHyperThreadingCapable(core2), 0u);
}

TEST(CpuProcessorCount, StatusTexts) {
    const std::pair<HyperThreadingStatus, const char*> texts[] = {
        {HyperThreadingStatus::NotCapable, "HyperThreading technology not capable"},
        {HyperThreadingStatus::Enabled, "HyperThreading technology enabled"},
        {HyperThreadingStatus::Disabled, "HyperThreading technology disabled"},
        {HyperThreadingStatus::CapableNotEnabled, "HyperThreading technology capable but not enabled"},
        {HyperThreadingStatus::CannotDetect, "HyperThreading technology cannot be detected"},
    };
    for (const auto& text : texts) EXPECT_STREQ(HyperThreadingStatusText(text.first), text.second);
}

}  // namespace
