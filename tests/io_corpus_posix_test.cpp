// The Linux decoders against the corpus of tests/data: every format and
// variant compared pixel by pixel with an independent reader's result, and
// truncated, corrupted and oversized files, which must change nothing.
#ifndef _WIN32

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

#include "core/CImageUtility.h"
#include "VelImageUtility/PlatformStandIns.h"
#include "io/DibReaderPosix.h"
#include "test_support.h"

using namespace VelImageUtility;
using namespace VelImageUtility::test;

namespace {

std::string DataDirectory() { return VIU_TEST_DATA; }

// The bytes as the one image resource of a stand-in module.
void LoadFromMemory(ICImageUtility* utility, ImageDesc* desc, const Bytes& bytes) {
    const VelResource resource = {"IMAGE", 1, bytes.data(), static_cast<uint32_t>(bytes.size())};
    VelModuleHandle module;
    utility->LoadFromResource(desc, VelMakeModuleHandle(&module, &resource, 1), "IMAGE", 1);
}

struct CorpusFile { std::string name; int32_t width = 0, height = 0, tolerance = 0; };

std::vector<CorpusFile> Corpus() {
    std::vector<CorpusFile> files;
    std::ifstream list(DataDirectory() + "corpus.txt");
    for (std::string line; std::getline(list, line);) {
        CorpusFile file;
        if (line.empty() || line[0] == '#') continue;
        std::istringstream(line) >> file.name >> file.width >> file.height >> file.tolerance;
        files.push_back(file);
    }
    return files;
}

bool LoadChangesNothing(const Bytes& bytes) {
    CImageUtility utility;
    CallerImage caller;
    LoadFromMemory(&utility, caller.Desc(), bytes);
    return caller.Untouched();
}

// Every file decodes as the independent reader saw it. Truncated files
// change nothing; randomly damaged ones may still be a picture, but
// whatever comes out is a whole image or nothing, never a crash or a leak.
TEST(IoCorpus, EveryFileDecodesAsTheIndependentReaderSawAndDamageGivesAWholeImageOrNothing) {
    CImageUtility utility;
    std::mt19937 random(20240517);
    const std::vector<CorpusFile> corpus = Corpus();
    ASSERT_GE(corpus.size(), 70u);
    for (const CorpusFile& file : corpus) {
        SCOPED_TRACE(file.name);
        CallerImage loaded;
        utility.LoadFromFile(loaded.Desc(), Wide(DataDirectory() + file.name).c_str());
        ASSERT_TRUE(loaded.Loaded(file.width, file.height));
        const Bytes expected = ReadFile(DataDirectory() + file.name + ".bgra"), pixels = loaded.Pixels();
        ASSERT_EQ(pixels.size(), expected.size());
        for (size_t i = 0; i < pixels.size(); ++i) ASSERT_LE(std::abs(pixels[i] - expected[i]), file.tolerance) << i;
        const Bytes whole = ReadFile(DataDirectory() + file.name);
        // An animated GIF cut after its first frame is still a picture.
        const size_t longest = file.name.find("animated") != std::string::npos ? whole.size() / 4 : whole.size();
        for (size_t length : {size_t{0}, size_t{1}, size_t{2}, size_t{4}, size_t{8}, size_t{16}, size_t{32},
                              whole.size() / 4, whole.size() / 2, whole.size() * 3 / 4})
            EXPECT_TRUE(length > longest || LoadChangesNothing(Bytes(whole.begin(), whole.begin() + length))) << length;
        for (int trial = 0; trial < 24; ++trial) {
            Bytes bytes = whole;
            for (int flip = 0; flip <= trial % 4; ++flip)
                bytes[random() % bytes.size()] ^= static_cast<uint8_t>(1 + random() % 255);
            CallerImage caller;
            LoadFromMemory(&utility, caller.Desc(), bytes);
            ASSERT_TRUE(caller.Untouched() || caller.ValidLoadReleased()) << "trial " << trial;
        }
    }
}

// Image resources come premultiplied: colour times alpha over 255, truncated.
TEST(IoCorpus, ResourcesComePremultiplied) {
    Bytes premultiplied = ReadFile(DataDirectory() + "png_rgba_8.png.bgra");
    for (size_t i = 0; i < premultiplied.size(); ++i)
        if (i % 4 != 3) premultiplied[i] = static_cast<uint8_t>(premultiplied[i] * premultiplied[i | 3] / 255);
    CImageUtility utility;
    CallerImage caller;
    LoadFromMemory(&utility, caller.Desc(), ReadFile(DataDirectory() + "png_rgba_8.png"));
    EXPECT_EQ(caller.Pixels(), premultiplied);
}

// Damage that every decoder must notice: the byte `offset` bytes after the
// first occurrence of `after` (the file start when empty) becomes `value`.
TEST(IoCorpus, OversizedAndDamagedHeadersChangeNothing) {
    for (const char* name : {"bmp_huge.bmp", "gif_huge.gif", "ico_huge.ico", "jpeg_huge.jpg", "png_huge.png",
                             "tiff_huge.tif"}) {
        const Bytes bytes = ReadFile(DataDirectory() + "bad/" + name);
        EXPECT_TRUE(!bytes.empty() && LoadChangesNothing(bytes)) << name;
    }
    const struct { const char* name; Bytes after; size_t offset; uint8_t value; } kDamage[] = {
        {"bmp_24.bmp", {}, 14, 41},                       // unknown info header size
        {"bmp_24.bmp", {}, 28, 7},                        // 7 bits per pixel
        {"bmp_24.bmp", {}, 30, 4},                        // embedded JPEG
        {"bmp_rle8.bmp", {}, 30, 2},                      // RLE4 on 8 bits
        {"bmp_8.bmp", {}, 10, 0xFF},                      // pixels past the end
        {"png_rgba_8.png", {}, 20, 0x7F},                 // IHDR checksum mismatch
        {"png_rgba_8.png", {}, 12, 'X'},                  // first chunk not IHDR
        {"jpeg_420.jpg", {0xFF, 0xC0}, 4, 12},            // 12-bit samples
        {"jpeg_progressive.jpg", {0xFF, 0xC4}, 4, 0x7F},  // Huffman table class 7
        {"gif_basic.gif", {}, 10, 0x00},                  // no colour map
        {"tiff_rgb.tif", {}, 4, 0xF0},                    // directory past the end
        {"ico_png.ico", {}, 18, 0xFF},                    // image past the end
        {"ico_bmp_24_mask.ico", {}, 22, 0},               // bitmap header of size 0
    };
    for (const auto& damage : kDamage) {
        Bytes bytes = ReadFile(DataDirectory() + damage.name);
        const auto at = std::search(bytes.begin(), bytes.end(), damage.after.begin(), damage.after.end());
        ASSERT_GT(bytes.end() - at, static_cast<ptrdiff_t>(damage.offset)) << damage.name;
        at[static_cast<ptrdiff_t>(damage.offset)] = damage.value;
        EXPECT_TRUE(LoadChangesNothing(bytes)) << damage.name << " at " << damage.offset;
    }
}

// ---- Rules of the bitmap and icon readers that the corpus does not pin.

// A device-independent bitmap: a 40-byte info header, the bit masks, the
// colour table, the pixels.
Bytes Dib(int32_t width, int32_t height, uint16_t bits, uint32_t compression, const Bytes& pixels,
          const Bytes& table = {}, const Bytes& masks = {}) {
    const uint32_t fields[] = {40, uint32_t(width), uint32_t(height), 1u | bits << 16, compression, 0, 0, 0,
                               uint32_t(table.size() / 4), 0};
    Bytes dib(reinterpret_cast<const uint8_t*>(fields), reinterpret_cast<const uint8_t*>(fields) + 40);
    for (const Bytes* part : {&masks, &table, &pixels}) dib.insert(dib.end(), part->begin(), part->end());
    return dib;
}

Bytes DecodedDib(const Bytes& dib, DibAlpha alpha) {
    CImageBase working(nullptr, 0, 0, 0, 4);
    DecodeTarget target(working);
    if (!DecodeDib(dib.data(), dib.size(), alpha, target) || !target.Keep()) return {};
    Bytes pixels(working.data, working.data + working.height * working.stride);
    ReleasePixelBuffer(working.data);
    return pixels;
}

TEST(IoDib, RunLengthSkipsBitFieldsAndAlphaFollowTheRulesOfTheirReader) {
    const Bytes table = {0, 0, 0, 0, 10, 20, 30, 0, 40, 50, 60, 0};
    const Bytes pixel = {1, 2, 3, 0x80};
    const Bytes rgba = {0, 0, 0xFF, 0, 0, 0xFF, 0, 0, 0xFF, 0, 0, 0, 0, 0, 0, 0xFF};  // masks of R, G, B, A
    const Bytes bgr = {0xFF, 0, 0, 0, 0, 0xFF, 0, 0, 0, 0, 0xFF, 0};                  // an unusual order
    const Bytes odd = {0, 0, 0xF0, 0x3F, 0, 0, 0, 0, 3, 0, 0, 0};  // R 0x3FF00000, G none, B 0x00000003
    const struct { Bytes dib; DibAlpha alpha; Bytes expected; } kCases[] = {
        // 4 x 2, bottom-up: 2 pixels of index 1, a skip (1, 1) to x 3 of the
        // top row, one pixel of index 2, end; skipped pixels stay clear.
        {Dib(4, 2, 8, 1, {2, 1, 0, 2, 1, 1, 1, 2, 0, 1}, table), DibAlpha::kImageFile,
         {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 40, 50, 60, 255,  // top row
          10, 20, 30, 255, 10, 20, 30, 255, 0, 0, 0, 0, 0, 0, 0, 0}},
        // A run longer than the row is cut at its end; the next row starts clean.
        {Dib(2, 2, 8, 1, {9, 2, 0, 0, 1, 1, 0, 1}, table), DibAlpha::kGdiBitmap,
         {10, 20, 30, 0, 0, 0, 0, 0, 40, 50, 60, 0, 40, 50, 60, 0}},
        {Dib(2, 2, 8, 1, {2, 1, 0, 0}, table), DibAlpha::kImageFile, {}},  // data ends before the last row
        // Image files take alpha only from a declared field; GDI passes the
        // fourth byte on in the usual layout only.
        {Dib(1, 1, 32, 0, pixel), DibAlpha::kImageFile, {1, 2, 3, 255}},
        {Dib(1, 1, 32, 0, pixel), DibAlpha::kGdiBitmap, {1, 2, 3, 0x80}},
        {Dib(1, 1, 32, 6, pixel, {}, rgba), DibAlpha::kImageFile, {1, 2, 3, 0x80}},
        {Dib(1, 1, 32, 3, pixel, {}, bgr), DibAlpha::kGdiBitmap, {3, 2, 1, 0}},
        // Fields wider than 8 bits keep their top 8; narrower ones repeat
        // their bits (binary 10 -> 10101010); a missing field reads 0.
        {Dib(1, 1, 32, 3, {2, 0, 0x10, 0x20}, {}, odd), DibAlpha::kImageFile, {0xAA, 0, 0x80, 255}},
    };
    for (const auto& c : kCases) EXPECT_EQ(DecodedDib(c.dib, c.alpha), c.expected) << "case " << (&c - kCases);
}

TEST(IoCorpus, IconMaskClearsWhateverColourIsUnderIt) {
    CImageUtility utility;
    // A 2 x 1 24-bit icon image (height doubled for the mask): both pixels
    // white, the second masked.
    const Bytes image = Dib(2, 2, 24, 0, {255, 255, 255, 255, 255, 255, 0, 0, 0x40, 0, 0, 0});
    Bytes icon = {0, 0, 1, 0, 1, 0, 2, 1, 0, 0, 1, 0, 24, 0, uint8_t(image.size()), 0, 0, 0, 22, 0, 0, 0};
    icon.insert(icon.end(), image.begin(), image.end());
    CallerImage caller;
    LoadFromMemory(&utility, caller.Desc(), icon);
    EXPECT_EQ(caller.Pixels(), (Bytes{255, 255, 255, 255, 0, 0, 0, 0}));
}

}  // namespace

#endif
