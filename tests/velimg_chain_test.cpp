// A velimg chain gives the bytes of the same calls made directly.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "VelImageUtility.h"
#include "core/InstructionSetLevel.h"
#include "slot_calls.h"

#if defined(VELIMG_PATH) && !defined(_WIN32)
namespace {

TEST(Velimg, ChainEqualsDirectCalls) {
    const std::string dir = testing::TempDir();
    const std::string input = dir + "/velimg_chain_in.png", output = dir + "/velimg_chain_out.png";
    // velimg runs at the detected level, so the direct calls do too: some
    // operations (Posterize among them) round differently from level 3.
    VelImageUtility::ScopedInstructionSetLevel restore(VelImageUtility::GetInstructionSetLevel());
    DetectCpuInstructionSet();
    std::vector<uint8_t> pixels(61 * 37 * 4);
    // Opaque, so that the files hold exactly these bytes.
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = i % 4 == 3 ? 255 : static_cast<uint8_t>(i * 7 + i / 13);
    ICImageARGB* source = GetCImageARGB4(pixels.data(), 61, 37, 61 * 4);
    ImageDesc sourceDesc = source->GetDesc();
    ASSERT_EQ(source->SaveToFile(&sourceDesc, std::wstring(input.begin(), input.end()).c_str()), 0);
    const std::string command = std::string(VELIMG_PATH) + " " + input +
                                " --invert --gaussian-blur 3 --posterize 32 --resize 40x30 -o " + output;
    ASSERT_EQ(std::system(command.c_str()), 0);

    // The same calls on the same file, loaded as velimg loads it.
    ImageDesc loadedInput{}, got{};
    source->LoadFromFileA(&loadedInput, input.c_str());
    ICImageARGB* direct = GetCImageARGB();
    direct->SetDesc(&loadedInput);
    direct->Invert();
    direct->ApplyGaussianBlur(3);
    direct->Posterize(32);
    ICImageARGB* expected = GetCImageARGB2(40, 30);
    const ImageDesc expectedDesc = expected->GetDesc();
    direct->ResizeTo(&expectedDesc, 0);
    ReleaseCImageARGB(direct);
    std::vector<uint8_t> gotPixels;
    source->LoadFromFileA(&got, output.c_str());
    EXPECT_TRUE(VelImageUtility::test::TakeLoaded(ImageDesc{}, got, &gotPixels));
    EXPECT_EQ(gotPixels, std::vector<uint8_t>(expectedDesc.data, expectedDesc.data + 40 * 30 * 4));
    ReleaseCImageARGB(expected);
    ReleaseCImageARGB(source);
}

}  // namespace
#endif
