// A program that uses an installed VelImageUtility: loads an image file,
// converts it to a luma plane and prints the plane's mean.
// Usage: consumer IMAGE-FILE
#include <cstdio>

#include <VelImageUtility.h>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s IMAGE-FILE\n", argv[0]);
        return 2;
    }
    DetectCpuInstructionSet();

    // The loader hands back a buffer that the image takes over with SetDesc.
    ICImageARGB* image = GetCImageARGB();
    ImageDesc loaded = {};
    image->LoadFromFileA(&loaded, argv[1]);
    if (loaded.data == nullptr) {
        std::fprintf(stderr, "cannot load %s\n", argv[1]);
        ReleaseCImageARGB(image);
        return 1;
    }
    image->SetDesc(&loaded);

    ICImageByte* luma = GetCImageByte2(image->GetWidth(), image->GetHeight());
    if (luma == nullptr) {
        ReleaseCImageARGB(image);
        return 1;
    }
    const ImageDesc plane = luma->GetDesc();
    image->ConvertToLuma(&plane);
    std::printf("%s: %dx%d, mean luma %.2f\n", argv[1], image->GetWidth(), image->GetHeight(),
                luma->GetMeanValue());

    ReleaseCImageByte(luma);
    ReleaseCImageARGB(image);
    return 0;
}
