#include <cstdio>
#include <cstring>

#include "cpu/CpuInfo.h"

namespace VelImageUtility {

namespace {

constexpr uint32_t kExtendedLeaves = 0x80000000u;

// What every vendor path reads.
struct Identification {
    CpuProbe& probe;
    CpuInfo& info;
    CpuidResult leaf1;
    CpuSignature signature;
    bool hasExtendedLeaves;  // highest extended leaf above 0x80000000
};

// Fields that each run starts from; the rest keep their previous values.
void ResetForIdentification(CpuInfo& info) {
    info.processorType = 0;
    info.family = 0;
    info.model = 0;
    info.stepping = 0;
    info.hasMMX = 0;
    info.hasSSE = 0;
    info.hasSSE2 = 0;
    info.hasSSE3 = 0;
    info.has3DNow = 0;
    info.has3DNowExt = 0;
    info.valid = 0;
}

void SetName(CpuInfo& info, const char* name) {
    std::snprintf(info.name, sizeof(info.name), "%s", name);
}

// The 48 bytes of leaves 0x80000002..0x80000004, EAX, EBX, ECX, EDX each.
void ReadBrandString(Identification& id) {
    for (uint32_t part = 0; part < 3; ++part) {
        const CpuidResult leaf = id.probe.Cpuid(kExtendedLeaves + 2 + part);
        const uint32_t words[4] = {leaf.eax, leaf.ebx, leaf.ecx, leaf.edx};
        std::memcpy(id.info.name + 16 * part, words, sizeof(words));
    }
    id.info.name[kCpuNameLength] = '\0';
}

void Set3DNowFlags(Identification& id) {
    if (!id.hasExtendedLeaves) return;
    const uint32_t edx = id.probe.Cpuid(kExtendedLeaves + 1).edx;
    id.info.has3DNow = CpuidBit(edx, 31);
    id.info.has3DNowExt = CpuidBit(edx, 30);
}

// "<maker> 80<family>86 Processor", the name of the early families.
void SetX86Name(CpuInfo& info, const char* maker) {
    std::snprintf(info.name, sizeof(info.name), "%s 80%d86 Processor", maker, info.family);
}

void SetBaseFields(Identification& id) {
    id.info.family = id.signature.baseFamily;
    id.info.model = id.signature.baseModel;
    id.info.stepping = id.signature.stepping;
}

void SetExtendedFields(Identification& id) {
    id.info.stepping = id.signature.stepping;
    id.info.family = id.signature.baseFamily + id.signature.extendedFamily;
    id.info.model = id.signature.extendedModel * 16 + id.signature.baseModel;
}

// Names of the Intel processors that have no brand string.
void NameIntelWithoutBrand(Identification& id) {
    CpuInfo& info = id.info;
    const int32_t brandIndex = static_cast<int32_t>(CpuidBits(id.leaf1.ebx, 0, 8));
    if (info.family <= 4) {
        std::snprintf(info.name, sizeof(info.name), "Intel %d86 Processor", info.family);
    } else if (info.family == 5) {
        SetName(info, "Intel Pentium");
    } else if (info.family == 6) {
        const uint32_t l2SizeKB = L2CacheSizeFromLeaf2(id.probe.Cpuid(2));
        switch (info.model) {
        case 5:
            SetName(info, l2SizeKB == 0      ? "Intel Celeron"
                          : l2SizeKB < 1000 ? "Intel Pentium II"
                                            : "Intel Pentium II Xeon");
            break;
        case 6: SetName(info, "Intel Celeron"); break;
        case 7: SetName(info, l2SizeKB >= 1000 ? "Intel Pentium III Xeon" : "Intel Pentium III"); break;
        case 8:
            switch (brandIndex) {
            case 1: SetName(info, "Intel Celeron"); break;
            case 2: SetName(info, "Intel Pentium III"); break;
            case 3: SetName(info, "Intel Pentium III Xeon"); break;
            case 8: SetName(info, "Intel Pentium 4"); break;
            default: SetName(info, "Intel Processor"); break;
            }
            break;
        default: break;  // the name stays as it was
        }
    } else if (info.family == 15) {
        SetName(info, brandIndex >= 8 ? "Intel Pentium 4" : "Intel Processor");
    } else {
        SetName(info, "Intel Processor");
    }
}

void IdentifyIntel(Identification& id) {
    CpuInfo& info = id.info;
    if (id.hasExtendedLeaves) {
        ReadBrandString(id);
        info.hasSSE3 = CpuidBit(id.leaf1.ecx, 0);
        info.hasMonitor = CpuidBit(id.leaf1.ecx, 3);
        info.hasSSE41 = CpuidBit(id.leaf1.ecx, 19);
        info.hasSSE42 = CpuidBit(id.leaf1.ecx, 20);
        if (info.name[0] != '\0') {
            SetExtendedFields(id);
            return;
        }
    }
    info.processorType = id.signature.processorType;
    SetExtendedFields(id);
    NameIntelWithoutBrand(id);
}

void IdentifyAmd(Identification& id) {
    CpuInfo& info = id.info;
    SetBaseFields(id);
    if (info.family <= 4) {
        SetX86Name(info, "AMD");
        return;
    }
    if (id.hasExtendedLeaves) {
        Set3DNowFlags(id);
        ReadBrandString(id);
    }
    if (info.family != 5) {
        ReadBrandString(id);
        return;
    }
    switch (info.model) {
    case 0: case 1: case 2: case 3: SetName(info, "AMD K5"); break;
    case 6: case 7: SetName(info, "AMD K6"); break;
    case 8: SetName(info, "AMD K6-2"); break;
    case 9: SetName(info, "AMD K6-III"); break;
    default: SetName(info, "AMD Processor"); break;
    }
}

// Shared by Centaur (WinChip, VIA) and the later Cyrix families.
void ApplyViaRules(Identification& id) {
    CpuInfo& info = id.info;
    Set3DNowFlags(id);
    if (info.family == 5) {
        SetName(info, "IDT WinChip Processor");
    } else if (info.family == 6 && info.model <= 5) {
        SetName(info, "IDT WinChip Processor");
    } else if (info.family == 6 && info.model == 6) {
        SetName(info, "VIA C3 Samuel");
    } else if (info.family == 6 && info.model == 7) {
        SetName(info, info.stepping <= 7 ? "VIA C3 Samuel 2" : "VIA C3 Ezra");
    } else {
        ReadBrandString(id);
    }
}

void IdentifyCentaur(Identification& id) {
    SetBaseFields(id);
    if (id.info.family <= 4) {
        SetX86Name(id.info, "WinChip");
        return;
    }
    ApplyViaRules(id);
}

void IdentifyCyrix(Identification& id) {
    CpuInfo& info = id.info;
    SetBaseFields(id);
    if (info.family <= 4) {
        SetX86Name(info, "Cyrix");
        return;
    }
    Set3DNowFlags(id);
    if (info.family == 5) {
        SetName(info, "Cyrix MI");
    } else if (info.family == 6) {
        SetName(info, "Cyrix MII");
    } else {
        ApplyViaRules(id);
    }
}

void IdentifyTransmeta(Identification& id) {
    CpuInfo& info = id.info;
    SetBaseFields(id);
    if (info.family <= 4) {
        SetX86Name(info, "Transmeta");
        return;
    }
    Set3DNowFlags(id);
    if (info.family == 5) {
        SetName(info, "Transmeta Crusoe");
    } else {
        ReadBrandString(id);
    }
}

void IdentifyUnknownVendor(Identification& id) {
    CpuInfo& info = id.info;
    SetBaseFields(id);
    SetX86Name(info, info.vendor);
    if (info.family >= 5) Set3DNowFlags(id);
}

bool IsDigitOrDot(char c) { return (c >= '0' && c <= '9') || c == '.'; }

// Leaf-2 descriptor bytes that name the L2 cache, with its size in KB.
struct L2Descriptor {
    uint8_t descriptor;
    uint32_t sizeKB;
};
constexpr L2Descriptor kL2Descriptors[] = {
    {0x40, 0},   {0x79, 128},  {0x7A, 256},  {0x82, 256},  {0x7B, 512},  {0x44, 1000},
    {0x7C, 1000}, {0x84, 1000}, {0x45, 2000}, {0x85, 2000},
};

const L2Descriptor* FindL2Descriptor(uint8_t descriptor) {
    for (const L2Descriptor& entry : kL2Descriptors) {
        if (entry.descriptor == descriptor) return &entry;
    }
    return nullptr;
}

}  // namespace

uint32_t L2CacheSizeForDescriptor(uint8_t descriptor) {
    const L2Descriptor* known = FindL2Descriptor(descriptor);
    return known != nullptr ? known->sizeKB : 1;
}

// Bytes outside the table describe other caches or nothing, so the first
// byte that the table knows decides; without one, some L2 is assumed (1).
uint32_t L2CacheSizeFromLeaf2(const CpuidResult& leaf2) {
    const uint32_t words[4] = {leaf2.eax, leaf2.ebx, leaf2.ecx, leaf2.edx};
    uint8_t bytes[16];
    std::memcpy(bytes, words, sizeof(bytes));
    for (int i = 1; i < 16; ++i) {  // byte 0 is the iteration count
        const L2Descriptor* known = FindL2Descriptor(bytes[i]);
        if (known != nullptr) return known->sizeKB;
    }
    return 1;
}

// When a name holds both "MHz" and "GHz", "MHz" is the one cut at.
void CleanCpuName(char* name) {
    if (name[0] == ' ') {
        size_t spaces = 0;
        while (name[spaces] == ' ') ++spaces;
        std::memmove(name, name + spaces, std::strlen(name + spaces) + 1);
    }
    const char* unit = std::strstr(name, "MHz");
    if (unit == nullptr) unit = std::strstr(name, "GHz");
    if (unit == nullptr) return;
    size_t reached = static_cast<size_t>(unit - name);
    while (reached > 0) {
        --reached;
        if (!IsDigitOrDot(name[reached])) break;
    }
    if (name[reached] == ' ') {
        while (reached > 0 && name[reached] == ' ') --reached;
    }
    name[reached + 1] = '\0';
}

void IdentifyCpu(CpuProbe& probe, CpuInfo& info) {
    ResetForIdentification(info);
    ReadCpuVendor(probe, info.vendor);
    const CpuidResult leaf1 = probe.Cpuid(1);
    info.hasMMX = CpuidBit(leaf1.edx, 23);
    info.hasSSE = CpuidBit(leaf1.edx, 25);
    info.hasSSE2 = CpuidBit(leaf1.edx, 26);

    Identification id{probe, info, leaf1, DecodeCpuSignature(leaf1.eax),
                      probe.Cpuid(kExtendedLeaves).eax > kExtendedLeaves};
    if (std::strcmp(info.vendor, "GenuineIntel") == 0) {
        IdentifyIntel(id);
    } else if (std::strcmp(info.vendor, "AuthenticAMD") == 0) {
        IdentifyAmd(id);
    } else if (std::strcmp(info.vendor, "CentaurHauls") == 0) {
        IdentifyCentaur(id);
    } else if (std::strcmp(info.vendor, "CyrixInstead") == 0) {
        IdentifyCyrix(id);
    } else if (std::strcmp(info.vendor, "GenuineTMx86") == 0) {
        IdentifyTransmeta(id);
    } else {
        IdentifyUnknownVendor(id);
    }
    CleanCpuName(info.name);

    info.speedMHz = MeasureCpuSpeed(probe).mhz;
    info.htStatus = static_cast<int32_t>(
        CountProcessors(probe, &info.logicalPerPackage, &info.physicalCount));
    info.valid = 1;
}

}  // namespace VelImageUtility
