#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "VelImageUtility.h"
#include "argb/CImageARGB.h"
#include "core/InstructionSetLevel.h"
#include "cpu/CpuInfo.h"
#include "platform/Platform.h"

using namespace VelImageUtility;

namespace {

using HT = HyperThreadingStatus;
constexpr uint32_t kExt = 0x80000000u;

// Replays the CPUID answers of a processor described as: the 12-character
// vendor text, family.model.stepping[.extended family.extended model[.type]],
// then feature names (tsc mmx sse sse2 htt sse3 monitor sse41 sse42 3dnow
// 3dnowext), bi= brand index, lp= logical processors per package, ext= highest
// extended leaf above 0x80000000, l2= the one L2 descriptor of leaf 2, and
// after '|' the brand string.
// The performance counter advances by the next of `counterSteps` at each
// reading and fails at frequency 0; the time-stamp counter runs at
// cyclesPerThousandTicks[round], rounds counted by priority raises (both
// lists repeat). Confined to processor i, leaf 1 gives APIC ID apicIds[i].
class ReplayedCpu : public CpuProbe {
public:
    explicit ReplayedCpu(const std::string& description) {
        const size_t bar = std::min(description.find('|'), description.size());
        std::memcpy(&leaves[0].ebx, description.data(), 4);
        std::memcpy(&leaves[0].edx, description.data() + 4, 4);
        std::memcpy(&leaves[0].ecx, description.data() + 8, 4);
        char brand[48] = {};
        if (bar < description.size()) description.copy(brand, sizeof(brand), bar + 1);
        for (uint32_t part = 0; part < 3; ++part) std::memcpy(&leaves[kExt + 2 + part], brand + 16 * part, 16);
        CpuidResult &leaf1 = leaves[1], &extended1 = leaves[kExt + 1];
        const std::map<std::string, std::pair<uint32_t*, int>> features = {
            {"tsc", {&leaf1.edx, 4}}, {"mmx", {&leaf1.edx, 23}}, {"sse", {&leaf1.edx, 25}}, {"sse2", {&leaf1.edx, 26}},
            {"htt", {&leaf1.edx, 28}}, {"sse3", {&leaf1.ecx, 0}}, {"monitor", {&leaf1.ecx, 3}},
            {"sse41", {&leaf1.ecx, 19}}, {"sse42", {&leaf1.ecx, 20}}, {"3dnow", {&extended1.edx, 31}},
            {"3dnowext", {&extended1.edx, 30}}};
        std::istringstream words(description.substr(12, bar - 12));
        std::string word;
        uint32_t s[6] = {};  // family, model, stepping, extended family, extended model, type
        words >> word;
        std::sscanf(word.c_str(), "%u.%u.%u.%u.%u.%u", &s[0], &s[1], &s[2], &s[3], &s[4], &s[5]);
        leaf1.eax = s[2] | s[1] << 4 | s[0] << 8 | s[5] << 12 | s[4] << 16 | s[3] << 20;
        while (words >> word) {
            const size_t equals = word.find('=');
            const std::string key = word.substr(0, equals);
            const auto value =
                static_cast<uint32_t>(equals == std::string::npos ? 0 : std::stoul(word.substr(equals + 1), nullptr, 0));
            if (key == "bi") leaf1.ebx |= value;
            else if (key == "lp") leaf1.ebx |= value << 16;
            else if (key == "ext") leaves[kExt].eax = kExt + value;
            else if (key == "l2") leaves[2] = {0x03020101u, 0, 0, 0x0C040800u | value};
            else if (features.count(key)) *features.at(key).first |= 1u << features.at(key).second;
            else ADD_FAILURE() << "unknown word " << word;
        }
    }

    CpuidResult Cpuid(uint32_t leaf) override {
        CpuidResult result = leaves[leaf];
        for (size_t i = 0; leaf == 1 && i < apicIds.size(); ++i)
            if (processMask == uint64_t{1} << i) result.ebx |= uint32_t{apicIds[i]} << 24;
        return result;
    }
    uint64_t ReadTimeStampCounter() override {
        const size_t round = static_cast<size_t>(std::max(priorityRaises - 1, 0)) % cyclesPerThousandTicks.size();
        return static_cast<uint64_t>(time) * cyclesPerThousandTicks[round] / 1000;
    }
    bool QueryCounterFrequency(int64_t* ticksPerSecond) override { return (*ticksPerSecond = frequency) != 0; }
    bool QueryCounter(int64_t* ticks) override {
        *ticks = time, time += counterSteps[counterReads++ % counterSteps.size()];
        return frequency != 0;
    }
    uint32_t ProcessorCount() override { return 4; }
    bool GetProcessAffinity(uint64_t* process, uint64_t* system) override {
        return *process = processMask, *system = systemMask, true;
    }
    bool SetProcessAffinity(uint64_t mask) override {
        affinityRequests.push_back(mask);
        return (mask & ~unselectable) != 0 && (processMask = mask, true);
    }
    void YieldTimeSlice() override { ++yields; }
    int32_t GetCurrentThreadPriority() override { return priority; }
    bool SetCurrentThreadPriority(int32_t value) override {
        priorityRaises += value == Platform::kPriorityTimeCritical;
        return priority = value, true;
    }

    std::map<uint32_t, CpuidResult> leaves;
    int64_t frequency = 1000000, time = 0;
    std::vector<int64_t> counterSteps{1};
    size_t counterReads = 0;
    std::vector<uint64_t> cyclesPerThousandTicks{1000000};
    int32_t priority = 0;
    int priorityRaises = 0, yields = 0;
    uint64_t processMask = 3, systemMask = 3, unselectable = 0;  // unselectable: refused alone
    std::vector<uint8_t> apicIds;
    std::vector<uint64_t> affinityRequests;
};

// "level family.model.stepping[ type<t>] flags [name]"
std::string Describe(const CpuInfo& info) {
    std::string text = std::to_string(InstructionSetLevelFor(info)) + ' ' + std::to_string(info.family) + '.' +
                       std::to_string(info.model) + '.' + std::to_string(info.stepping);
    if (info.processorType != 0) text += " type" + std::to_string(info.processorType);
    const std::pair<int32_t, const char*> flags[] = {
        {info.hasMMX, "mmx"},     {info.hasSSE, "sse"},         {info.hasSSE2, "sse2"},
        {info.hasSSE3, "sse3"},   {info.hasMonitor, "monitor"}, {info.hasSSE41, "sse41"},
        {info.hasSSE42, "sse42"}, {info.has3DNow, "3dnow"},     {info.has3DNowExt, "3dnowext"},
    };
    for (const auto& flag : flags) text += flag.first ? std::string(" ") + flag.second : "";
    return text + " [" + info.name + "]";
}

// tests/data/cpus.txt: the answers of recorded processors and what they are.
TEST(CpuIdentification, RecordedProcessors) {
    std::ifstream recorded(VIU_TEST_DATA "cpus.txt");
    int rows = 0;
    for (std::string line; std::getline(recorded, line);) {
        const size_t arrow = line.find(" => ");
        if (line.empty() || line[0] == '#' || arrow == std::string::npos) continue;
        ReplayedCpu probe(line.substr(0, arrow));
        CpuInfo info;
        IdentifyCpu(probe, info);
        EXPECT_EQ(Describe(info), line.substr(arrow + 4)) << line;
        EXPECT_EQ(std::string(info.vendor), line.substr(0, 12));
        ++rows;
    }
    EXPECT_GE(rows, 55);
}

TEST(CpuIdentification, LoadValuesAndWhatARunResets) {
    CpuInfo info;
    EXPECT_STREQ(info.vendor, "------------");
    EXPECT_EQ(std::vector<int32_t>({info.processorType, info.family, info.model, info.stepping, info.name[0],
                                    info.logicalPerPackage, info.physicalCount, info.valid}),
              std::vector<int32_t>({-1, -1, -1, -1, 0, 1, 1, 0}));
    std::strcpy(info.name, "previous name");  // kept, as are the later Intel flags
    info.hasSSE41 = info.hasSSE3 = info.has3DNow = 1;
    ReplayedCpu probe("GenuineIntel 6.11.1 tsc mmx sse bi=4");
    IdentifyCpu(probe, info);
    EXPECT_EQ(Describe(info), "4 6.11.1 mmx sse sse41 [previous name]");
}

// The record also holds the measured speed and the processor count.
TEST(CpuIdentification, DetectionWritesLevelAndProcessRecordForNewImages) {
    ScopedInstructionSetLevel restore(0);
    ICImageARGB* before = GetCImageARGB2(2, 2);
    ReplayedCpu confined("GenuineIntel 15.2.9 tsc mmx sse sse2 htt lp=2");  // counting fails, not the level
    confined.processMask = 1, confined.cyclesPerThousandTicks = {1833000};
    DetectCpuInstructionSet(confined);
    EXPECT_EQ(GetInstructionSetLevel(), 3);
    const CpuInfo& info = ProcessCpuInfo();
    EXPECT_EQ(Describe(info), "3 15.2.9 mmx sse sse2 [Intel Processor]");
    EXPECT_EQ(std::vector<int32_t>({int32_t(info.speedMHz), info.logicalPerPackage, info.physicalCount, info.htStatus,
                                    info.valid}),
              std::vector<int32_t>({1833, 2, -1, int32_t(HT::CannotDetect), 1}));
    DetectCpuInstructionSet();  // this machine
    const int32_t level = GetInstructionSetLevel();
    EXPECT_TRUE((level == 3 || level == 4) && info.name[0] != '\0') << level;
    ICImageARGB* after = GetCImageARGB2(2, 2);
    EXPECT_EQ(static_cast<CImageARGB*>(before)->level, 0);
    EXPECT_EQ(static_cast<CImageARGB*>(after)->level, level);
    ReleaseCImageARGB(before);
    ReleaseCImageARGB(after);
}

// Leaf 2 bytes: EAX, EBX, ECX, EDX, low byte first; byte 0 is the iteration
// count, and the first byte that names an L2 size decides.
TEST(CpuName, L2SizeFromLeaf2) {
    const std::pair<CpuidResult, uint32_t> leaves[] = {
        {{0x00000040u, 0, 0, 0}, 1},              {{0x00004001u, 0, 0, 0}, 0},
        {{0x03020101u, 0, 0, 0x0C040843u}, 1},    {{0x03020101u, 0x7C000000u, 0, 0}, 1000},
        {{0x03020101u, 0, 0x00850000u, 0}, 2000}, {{0x03020101u, 0, 0, 0x79000000u}, 128}};
    for (const auto& l : leaves) EXPECT_EQ(L2CacheSizeFromLeaf2(l.first), l.second) << &l - leaves;
}

std::vector<uint32_t> Values(const CpuSpeed& s) { return {s.totalCycles, s.totalMicroseconds, s.mhz, s.mhzRounded}; }

TEST(CpuSpeedMeasurement, CounterMethod) {
    // Each counter reading advances one tick, so a round settles over 50
    // ticks, counts over 1000 and takes 1051 readings.
    const int32_t unreadable = Platform::kPriorityError;
    const struct { std::vector<uint64_t> cyclesPerRound; int64_t frequency, startTime; int32_t priority;
                   CpuSpeed expected; int rounds; } cases[] = {
        {{1834567}, 1000000, 0, 2, {5503701, 3000, 1834, 1835}, 3},  // steady
        {{1000000, 1005000}, 1000000, 0, 0, {20050000, 20000, 1002, 1002}, 20},  // unsteady
        {{900000, 1200000, 1000000, 1001000, 1002000}, 1000000, 0, 0, {5103000, 5000, 1020, 1021}, 5},
        {{1834550}, 1000000, 0, 0, {5503650, 3000, 1834, 1834}, 3},  // hundredths round the tenths,
        {{1834560}, 1000000, 0, 0, {5503680, 3000, 1834, 1835}, 3},  // which round the MHz
        {{30000000}, 100000, 0, 0, {90000000, 30000, 3000, 3000}, 3},  // 3 GHz: the products need 64 bits
        {{1000000}, 1000000, int64_t{1} << 40, 0, {3000000, 3000, 1000, 1000}, 3},  // cycles on the low 32 bits
        {{1000000}, 1000000, 0, unreadable, {3000000, 3000, 1000, 1000}, 3},
        {{1000000}, 0, 0, 5, {0, 0, 0, 0}, 0},  // no counter
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        ReplayedCpu probe("GenuineIntel 6.15.6 tsc");
        probe.cyclesPerThousandTicks = c.cyclesPerRound;
        probe.frequency = c.frequency, probe.time = c.startTime, probe.priority = c.priority;
        EXPECT_EQ(Values(MeasureCpuSpeed(probe)), Values(c.expected));
        EXPECT_EQ(std::vector<int64_t>({probe.priorityRaises, int64_t(probe.counterReads), probe.priority}),
                  std::vector<int64_t>({c.priority == unreadable ? 0 : c.rounds, 1051 * c.rounds, c.priority}));
    }
}

TEST(CpuSpeedMeasurement, BitScanLoopWithoutTimeStampCounter) {
    // counterSteps: ticks of each timing, then between timings; the fewest ticks count.
    const struct { uint32_t family; int64_t frequency; std::vector<int64_t> counterSteps; CpuSpeed expected; } cases[] = {
        {4, 1000000, {3, 1}, {188000, 3, 62666, 62667}},
        {5, 1000000, {9, 1, 7, 1, 5, 1, 8, 1, 5, 1, 6, 1, 9, 1, 9, 1, 5, 1, 4, 1}, {172000, 4, 43000, 43000}},
        {3, 1000000, {7, 1}, {460000, 7, 65714, 65714}},
        {12, 10000000, {100, 1}, {4000, 10, 400, 400}},
        {4, 1000000, {64, 1}, {188000, 64, 2937, 2937}},  // half a MHz over rounds down
        {4, 1000000, {0, 1}, {188000, 0, 0, 0}},
        {4, 0, {3, 1}, {0, 0, 0, 0}},        // no counter
        {2, 1000000, {3, 1}, {0, 0, 0, 0}},  // no loop timing before family 3
    };
    for (const auto& c : cases) {
        ReplayedCpu probe("GenuineIntel " + std::to_string(c.family) + ".0.0");
        probe.frequency = c.frequency, probe.counterSteps = c.counterSteps;
        EXPECT_EQ(Values(MeasureCpuSpeed(probe)), Values(c.expected)) << c.family;
    }
}

// Processors are visited one by one within the low 32 of the process mask,
// skipping those that cannot be selected; the mask is restored after.
TEST(CpuProcessorCount, StatusesAndCounts) {
    const struct { const char* cpu; uint64_t processMask, systemMask, unselectable; std::vector<uint8_t> apicIds;
                   HT status; int32_t logicalPerPackage, physicalCount; std::vector<uint64_t> requests; } cases[] = {
        {"GenuineIntel 15.2.9 htt lp=2", 0xF, 0xF, 0, {0, 1, 6, 7}, HT::Enabled, 2, 2, {1, 2, 4, 8, 0xF}},
        {"GenuineIntel 15.2.9 htt lp=2", 0xF, 0xF, 0, {0, 2, 4, 6}, HT::CapableNotEnabled, 2, 4, {1, 2, 4, 8, 0xF}},
        {"GenuineIntel 15.2.9 htt lp=1", 0x3, 0x3, 0, {0, 1}, HT::Disabled, 1, 4, {1, 2, 3}},
        {"GenuineIntel 15.2.9 htt lp=3", 0x3, 0x3, 0, {0, 4}, HT::CapableNotEnabled, 3, 4, {1, 2, 3}},  // two logical bits
        {"GenuineIntel 15.2.9 htt lp=3", 0x3, 0x3, 0, {4, 2}, HT::Enabled, 3, 1, {1, 2, 3}},
        {"GenuineIntel 15.2.9 htt", 0x3, 0x3, 0, {0, 1}, HT::NotCapable, 0, 4, {}},
        {"GenuineIntel 15.2.9 htt lp=2", 0x1, 0x3, 0, {0, 1}, HT::CannotDetect, 2, -1, {}},
        {"GenuineIntel 6.0.0.1 htt lp=2", 0x3, 0x3, 0, {0, 1}, HT::Enabled, 2, 2, {1, 2, 3}},  // extended family
        {"GenuineIntel 6.15.6 htt lp=2", 0x3, 0x3, 0, {0, 1}, HT::NotCapable, 1, 4, {}},
        {"GenuineIntel 15.2.9 lp=2", 0x3, 0x3, 0, {0, 1}, HT::NotCapable, 1, 4, {}},
        {"AuthenticAMD 15.1.0.8.7 htt lp=16", 0x1, 0x3, 0, {0, 1}, HT::NotCapable, 1, 4, {}},
        // Processor 3, the only one with a logical part, cannot be selected.
        {"GenuineIntel 15.2.9 htt lp=2", 0xD, 0xD, 0x8, {0, 0, 0, 1}, HT::CapableNotEnabled, 2, 4, {1, 4, 8, 0xD}},
        {"GenuineIntel 15.2.9 htt lp=2", 0x10000000001, 0x10000000001, 0, {0}, HT::CapableNotEnabled, 2, 4,
         {1, 0x10000000001}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        ReplayedCpu probe(c.cpu);
        probe.processMask = c.processMask, probe.systemMask = c.systemMask, probe.unselectable = c.unselectable;
        probe.apicIds = c.apicIds;
        int32_t logical = -5, physical = -5;
        const HT status = CountProcessors(probe, &logical, &physical);
        // The mask comes back restored, after a yield at each processor visited.
        const int64_t yields = int64_t(std::max<size_t>(c.requests.size(), 1)) - 1 - (c.unselectable != 0);
        EXPECT_EQ(std::vector<int64_t>({int64_t(status), logical, physical, int64_t(probe.processMask), probe.yields}),
                  std::vector<int64_t>({int64_t(c.status), c.logicalPerPackage, c.physicalCount, int64_t(c.processMask),
                                        yields}));
        EXPECT_EQ(probe.affinityRequests, c.requests);
    }
}

}  // namespace
