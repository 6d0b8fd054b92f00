// Distinct images used from several threads at once give the bytes they give
// on one thread: no operation shares state between calls on different
// images (the zoom blur's size tables and file I/O included).
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "VelImageUtility.h"
#ifndef _WIN32
#include "VelImageUtility/PlatformStandIns.h"
#endif

namespace {

// A loaded image's bytes appended to `result`, its buffer released.
void TakeLoaded(ImageDesc& loaded, std::vector<uint8_t>& result) {
    EXPECT_NE(loaded.data, nullptr);
    if (loaded.data == nullptr) return;
    result.insert(result.end(), loaded.data, loaded.data + loaded.height * loaded.stride);
    ICImageARGB* owner = GetCImageARGB();
    owner->SetDesc(&loaded);
    ReleaseCImageARGB(owner);
}

// Runs one of every kind of operation on images of the given size, owned by
// this call, and returns the final ARGB bytes, the plane and the AYUV bytes.
std::vector<uint8_t> RunEverything(int32_t width, int32_t height, const std::string& path) {
    std::mt19937 rng(static_cast<uint32_t>(width * 1000 + height));
    ICImageARGB* image = GetCImageARGB2(width, height);
    ICImageARGB* other = GetCImageARGB2(width, height);
    ICImageAYUV* ayuv = GetCImageAYUV2(width, height);
    ICImageByte* plane = GetCImageByte2(width, height);
    ICImageByte* edges = GetCImageByte2(width, height);
    for (ICImageARGB* i : {image, other}) {
        for (int32_t k = 0; k < width * height * 4; ++k) i->GetData()[k] = static_cast<uint8_t>(rng());
    }
    const ImageDesc otherDesc = other->GetDesc(), ayuvDesc = ayuv->GetDesc();
    const ImageDesc planeDesc = plane->GetDesc(), edgesDesc = edges->GetDesc();
    image->ApplyZoomBlur(6);
    image->ApplyBoxBlur(2);
    image->ApplyGaussianBlur(2);
    image->ApplyBoxBlurAlphaWeighted(1);
    image->MedianFilterChannels(2);
    image->UnsharpMask(120.0f, 1.5f, 2);
    image->MultiplyBlend(&otherDesc);
    image->SoftLightBlend(&otherDesc);
    image->AlphaBlend(&otherDesc, 200);
    image->AlphaComposite(&otherDesc, 100);
    image->DrawRotatedImage(&otherDesc, 0, width / 2.0f, height / 2.0f, width * 0.7f, height * 0.7f, 0.4f, 255);
    image->DrawImage(&otherDesc, 0, 3.0f, 2.0f, width / 2.0f, height / 2.0f, 180);
    image->AdjustContrast(1.3f);
    image->AdjustContrastAroundMean(20);
    image->MapLevels(20, 230, 5, 250);
    image->Posterize(16);
    image->ConvertToAYUV(&ayuvDesc);
    ayuv->BoxBlurInPlace(1);
    ayuv->ConvertToARGB(&otherDesc);
    image->ConvertToLuma(&planeDesc);
    plane->BoxBlurInPlace(2);
    plane->DetectEdges(&edgesDesc, 30, 255);
    image->EmbossToPlane(&planeDesc, 3);
    // Resampling, pasting, the colour-key and gradient services, the
    // neighbourhood filters into another image, HSL planes, AYUV drawing and
    // tone, Byte blends and filters.
    const int32_t halfWidth = width / 2 + 2, halfHeight = height / 2 + 2;
    ICImageARGB* half = GetCImageARGB2(halfWidth, halfHeight);
    ICImageAYUV* ayuvHalf = GetCImageAYUV2(halfWidth, halfHeight);
    ICImageByte* third = GetCImageByte2(width, height);
    const ImageDesc halfDesc = half->GetDesc(), ayuvHalfDesc = ayuvHalf->GetDesc(), thirdDesc = third->GetDesc();
    image->ResizeTo(&halfDesc, 0);
    image->PasteFeathered(&halfDesc, 1, 1, halfWidth, halfHeight, 1, 3.5f);
    image->ApplyGaussianBlurAlphaWeighted(2);
    image->ApplySetAlphaFromColorKey(0x00804020, 60);
    const RECT rect{2, 1, width / 3, height / 2};
    image->ApplyFillGradient(&rect, 1, 0xFF102030, 0x80F0E0D0);
    image->GradientMagnitude(&otherDesc);
    image->BoxBlurAlphaWeightedTo(&otherDesc, 2);
    image->ConvertToHSLPlanes(&planeDesc, &edgesDesc, &thirdDesc);
    image->ConvertFromHSLPlanes(&edgesDesc, &thirdDesc, &planeDesc);
    EXPECT_EQ(image->MedianFilter(3, otherDesc.data, image->GetData(), width, height, width * 4, width * 4), 0);
    image->ConvertToGrayLightness();
    uint8_t sample[4] = {};
    image->SampleBilinear(0x18000, 0x28000, sample);
    ayuv->ResizeTo(&ayuvHalfDesc, 2);
    ayuv->DrawRotatedImageScaled(&ayuvHalfDesc, 0, width / 2.0f, height / 2.0f, width * 0.6f, height * 0.5f, 1.2f, 0.7f, 200);
    ayuv->Posterize(24);
    ayuv->ScaleChannelsRGB(200, 100, 50, 255);
    plane->MultiplyByGain(3);
    plane->SubtractPlane(&edgesDesc);
    plane->ColorDodgeBlend(&thirdDesc);
    plane->EmbossToPlane(&edgesDesc, 5);
    ImageDesc saved = image->GetDesc();
    EXPECT_EQ(image->SaveToFile(&saved, std::wstring(path.begin(), path.end()).c_str()), 0);
    ImageDesc loaded = {};
    image->LoadFromFileA(&loaded, path.c_str());

    std::vector<uint8_t> result(image->GetData(), image->GetData() + width * height * 4);
    result.insert(result.end(), other->GetData(), other->GetData() + width * height * 4);
    result.insert(result.end(), plane->GetData(), plane->GetData() + width * height);
    result.insert(result.end(), edges->GetData(), edges->GetData() + width * height);
    result.insert(result.end(), third->GetData(), third->GetData() + width * height);
    result.insert(result.end(), ayuv->GetData(), ayuv->GetData() + width * height * 4);
    result.insert(result.end(), sample, sample + 4);
    TakeLoaded(loaded, result);
#ifndef _WIN32
    // The stand-in handle tables are shared by all threads.
    VelBitmapHandle bitmapRecord;
    HBITMAP bitmap = VelMakeBitmapHandle(&bitmapRecord, width, height, 32, width * 4, other->GetData());
    image->LoadFromHBitmap(&loaded, bitmap);
    VelReleaseBitmapHandle(bitmap);
    TakeLoaded(loaded, result);
    std::ifstream file(path, std::ios::binary);
    const std::vector<uint8_t> png{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    const VelResource resources[] = {{"PNG", 3, png.data(), static_cast<uint32_t>(png.size())}};
    VelModuleHandle moduleRecord;
    HMODULE module = VelMakeModuleHandle(&moduleRecord, resources, 1);
    image->LoadFromResource(&loaded, module, "png", 3);
    VelReleaseModuleHandle(module);
    TakeLoaded(loaded, result);
#endif
    ReleaseCImageByte(third);
    ReleaseCImageAYUV(ayuvHalf);
    ReleaseCImageARGB(half);
    ReleaseCImageByte(edges);
    ReleaseCImageByte(plane);
    ReleaseCImageAYUV(ayuv);
    ReleaseCImageARGB(other);
    ReleaseCImageARGB(image);
    return result;
}

TEST(Concurrency, DistinctImagesOnSeveralThreadsGiveTheOneThreadBytes) {
    const int32_t sizes[][2] = {{37, 29}, {64, 48}, {23, 61}, {50, 17}};
    const size_t count = sizeof sizes / sizeof sizes[0];
    const std::string dir = testing::TempDir();
    std::vector<std::vector<uint8_t>> expected(count), got(count);
    for (size_t i = 0; i < count; ++i) {
        expected[i] = RunEverything(sizes[i][0], sizes[i][1], dir + "/concurrency_a" + std::to_string(i) + ".png");
    }
    std::vector<std::thread> threads;
    for (size_t i = 0; i < count; ++i) {
        threads.emplace_back([&, i] {
            for (int round = 0; round < 3; ++round) {
                got[i] = RunEverything(sizes[i][0], sizes[i][1], dir + "/concurrency_b" + std::to_string(i) + ".png");
                if (got[i] != expected[i]) return;
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    for (size_t i = 0; i < count; ++i) EXPECT_EQ(got[i], expected[i]) << "image " << i;
}

}  // namespace
