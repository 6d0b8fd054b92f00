// Example host: detects the processor, wraps a frame of its own memory,
// runs a few operations through the exported interfaces and prints what it
// did. It is the library's default job and a short tour of its use.
#include <cstdio>
#include <vector>

#include "VelImageUtility.h"

int main() {
    DetectCpuInstructionSet();

    const int32_t width = 64;
    const int32_t height = 48;
    std::vector<uint8_t> frame(static_cast<size_t>(width) * height * 4);
    ICImageARGB* image = GetCImageARGB4(frame.data(), width, height, width * 4);
    if (image == nullptr) return 1;

    image->Fill(0x80);
    const ImageDesc desc = image->GetDesc();
    std::printf("wrapped a %dx%d ARGB frame (stride %d, owned %s)\n", desc.width, desc.height,
                desc.stride, desc.copy ? "yes" : "no");
    std::printf("pixel (3, 2) is at byte offset %d, value %d\n",
                static_cast<int>(image->GetPixelAddress(3, 2) - image->GetData()),
                *image->GetPixelAddress(3, 2));

    ICImageByte* plane = GetCImageByte2(width, height);
    if (plane == nullptr) return 1;
    plane->Fill(7);
    std::printf("allocated a %dx%d byte plane of %d pixels\n", plane->GetWidth(),
                plane->GetHeight(), plane->GetPixelCount());

    ReleaseCImageByte(plane);
    ReleaseCImageARGB(image);
    std::printf("released both images\n");
    return 0;
}
