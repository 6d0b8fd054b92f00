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

#include "io/DibReaderPosix.h"
#include "io_posix_test_support.h"

using namespace VelImageUtility;
using namespace io_test;

namespace {

struct CorpusFile {
    std::string name;
    int32_t width = 0;
    int32_t height = 0;
    int tolerance = 0;
};

std::vector<CorpusFile> Corpus() {
    std::vector<CorpusFile> files;
    std::ifstream list(DataDirectory() + "corpus.txt");
    for (std::string line; std::getline(list, line);) {
        if (line.empty() || line[0] == '#') continue;
        CorpusFile file;
        std::istringstream(line) >> file.name >> file.width >> file.height >> file.tolerance;
        files.push_back(file);
    }
    return files;
}

class IoCorpus : public testing::Test {
protected:
    void SetUp() override { utility = GetCImageUtility(); }
    void TearDown() override { ReleaseCImageUtility(utility); }
    ICImageUtility* utility = nullptr;
};

TEST_F(IoCorpus, EveryFileDecodesAsTheIndependentReaderSaw) {
    const std::vector<CorpusFile> corpus = Corpus();
    ASSERT_GE(corpus.size(), 70u);
    for (const char* prefix : {"bmp_", "gif_", "ico_", "jpeg_", "png_", "tiff_"}) {
        EXPECT_TRUE(std::any_of(corpus.begin(), corpus.end(),
                                [&](const CorpusFile& f) { return f.name.rfind(prefix, 0) == 0; }));
    }
    for (const CorpusFile& file : corpus) {
        SCOPED_TRACE(file.name);
        LoadedImage loaded;
        utility->LoadFromFile(&loaded.desc, Wide(DataDirectory() + file.name).c_str());
        ASSERT_EQ(loaded.desc.width, file.width);
        ASSERT_EQ(loaded.desc.height, file.height);
        ASSERT_EQ(loaded.desc.stride, file.width * 4);
        ASSERT_EQ(loaded.desc.bytesPerPixel, 4);
        ASSERT_TRUE(loaded.desc.copy);
        const Bytes expected = ReadFile(DataDirectory() + file.name + ".bgra");
        const Bytes pixels = loaded.Pixels();
        ASSERT_EQ(pixels.size(), expected.size());
        int largest = 0;
        size_t where = 0;
        for (size_t i = 0; i < pixels.size(); ++i) {
            const int difference = std::abs(pixels[i] - expected[i]);
            if (difference > largest) largest = difference, where = i;
        }
        EXPECT_LE(largest, file.tolerance) << "pixel " << where / 4 << " channel " << where % 4;
    }
}

TEST_F(IoCorpus, TruncatedFilesChangeNothing) {
    for (const CorpusFile& file : Corpus()) {
        SCOPED_TRACE(file.name);
        const Bytes whole = ReadFile(DataDirectory() + file.name);
        // An animated GIF cut after its first frame is still a picture.
        const size_t longest = file.name.find("animated") != std::string::npos ? whole.size() / 4 : whole.size();
        for (size_t length : {size_t{0}, size_t{1}, size_t{2}, size_t{4}, size_t{8}, size_t{16}, size_t{32},
                              whole.size() / 4, whole.size() / 2, whole.size() * 3 / 4}) {
            if (length > longest) continue;
            CallerImage caller;
            LoadFromMemory(utility, caller.Desc(), Bytes(whole.begin(), whole.begin() + length));
            EXPECT_TRUE(caller.Untouched()) << "first " << length << " bytes";
        }
    }
}

TEST_F(IoCorpus, OversizedHeadersAreRefused) {
    for (const char* name : {"bmp_huge.bmp", "gif_huge.gif", "ico_huge.ico", "jpeg_huge.jpg", "png_huge.png",
                             "tiff_huge.tif"}) {
        const Bytes bytes = ReadFile(DataDirectory() + "bad/" + name);
        ASSERT_FALSE(bytes.empty()) << name;
        CallerImage caller;
        LoadFromMemory(utility, caller.Desc(), bytes);
        EXPECT_TRUE(caller.Untouched()) << name;
    }
}

// Damage that every decoder must notice: the byte `offset` bytes after the
// first occurrence of `after` (the file start when empty) becomes `value`.
TEST_F(IoCorpus, DamagedHeadersChangeNothing) {
    const struct {
        const char* name;
        Bytes after;
        size_t offset;
        uint8_t value;
    } kDamage[] = {
        {"bmp_24.bmp", {}, 14, 41},                   // unknown info header size
        {"bmp_24.bmp", {}, 28, 7},                    // 7 bits per pixel
        {"bmp_24.bmp", {}, 30, 4},                    // embedded JPEG
        {"bmp_rle8.bmp", {}, 30, 2},                  // RLE4 on 8 bits
        {"bmp_8.bmp", {}, 10, 0xFF},                  // pixels past the end
        {"png_rgba_8.png", {}, 20, 0x7F},             // IHDR checksum mismatch
        {"png_rgba_8.png", {}, 12, 'X'},              // first chunk not IHDR
        {"jpeg_420.jpg", {0xFF, 0xC0}, 4, 12},          // 12-bit samples
        {"jpeg_progressive.jpg", {0xFF, 0xC4}, 4, 0x7F},  // Huffman table class 7
        {"gif_basic.gif", {}, 10, 0x00},              // no colour map
        {"tiff_rgb.tif", {}, 4, 0xF0},                // directory past the end
        {"ico_png.ico", {}, 18, 0xFF},                // image past the end
        {"ico_bmp_24_mask.ico", {}, 22, 0},           // bitmap header of size 0
    };
    for (const auto& damage : kDamage) {
        Bytes bytes = ReadFile(DataDirectory() + damage.name);
        const auto at = std::search(bytes.begin(), bytes.end(), damage.after.begin(), damage.after.end());
        ASSERT_GT(bytes.end() - at, static_cast<ptrdiff_t>(damage.offset)) << damage.name;
        at[static_cast<ptrdiff_t>(damage.offset)] = damage.value;
        CallerImage caller;
        LoadFromMemory(utility, caller.Desc(), bytes);
        EXPECT_TRUE(caller.Untouched()) << damage.name << " at " << damage.offset;
    }
}

// Random damage may still leave a readable picture; whatever comes out is a
// whole image or nothing, and never a crash or a leak.
TEST_F(IoCorpus, RandomlyCorruptedFilesGiveAnImageOrNothing) {
    std::mt19937 random(20240517);
    for (const CorpusFile& file : Corpus()) {
        SCOPED_TRACE(file.name);
        const Bytes whole = ReadFile(DataDirectory() + file.name);
        for (int trial = 0; trial < 24; ++trial) {
            Bytes bytes = whole;
            const int flips = 1 + trial % 4;
            for (int i = 0; i < flips; ++i) {
                bytes[random() % bytes.size()] ^= static_cast<uint8_t>(1 + random() % 255);
            }
            CallerImage caller;
            LoadFromMemory(utility, caller.Desc(), bytes);
            if (!caller.Untouched()) {
                ASSERT_TRUE(caller.ValidLoadReleased()) << "trial " << trial;
            }
        }
    }
}

// ---- Details of the bitmap reader that the corpus does not pin.

TEST(IoDib, NarrowBitFieldsRepeatTheirBits) {
    const struct {
        uint32_t mask;
        uint32_t pixel;
        uint8_t expected;
    } kCases[] = {
        {0x7C00, 0x0000, 0},    {0x7C00, 0x7C00, 255},  {0x7C00, 3u << 10, 24},  // 00011 -> 00011000
        {0x07E0, 1u << 5, 4},   {0x07E0, 0x07E0, 255},  {0x000F, 0x7, 0x77},     // 6 and 4 bits
        {0x8000, 0x8000, 255},  {0x0003, 0x2, 0xAA},    {0x3FF00000, 0x3FF00000, 255},
        {0x3FF00000, 0x20100000, 0x80},  // 10 bits keep their top 8
        {0, 0xFFFFFFFF, 0},
    };
    for (const auto& c : kCases) {
        EXPECT_EQ(ScaleBitField(c.pixel, MakeBitField(c.mask)), c.expected) << std::hex << c.mask << " " << c.pixel;
    }
}

Bytes Dib(int32_t width, int32_t height, uint16_t bits, uint32_t compression, const Bytes& table,
          const Bytes& pixels) {
    Bytes dib(40, 0);
    auto put32 = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) dib[at + i] = static_cast<uint8_t>(v >> (8 * i));
    };
    put32(0, 40);
    put32(4, static_cast<uint32_t>(width));
    put32(8, static_cast<uint32_t>(height));
    dib[12] = 1;
    dib[14] = static_cast<uint8_t>(bits);
    put32(16, compression);
    put32(32, static_cast<uint32_t>(table.size() / 4));
    dib.insert(dib.end(), table.begin(), table.end());
    dib.insert(dib.end(), pixels.begin(), pixels.end());
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

TEST(IoDib, RunLengthSkipsLeaveClearPixelsAndRunsStopAtTheRowEnd) {
    // 4 x 2, bottom-up. Bottom row: 2 pixels of index 1, then skip (delta
    // 1, 1) to x 3 of the top row, one pixel of 2, end. Then a run of 9 on
    // a new row that does not exist.
    const Bytes table = {0, 0, 0, 0, 10, 20, 30, 0, 40, 50, 60, 0};
    const Bytes rle = {2, 1, 0, 2, 1, 1, 1, 2, 0, 1};
    const Bytes pixels = DecodedDib(Dib(4, 2, 8, 1, table, rle), DibAlpha::kImageFile);
    const Bytes clear = {0, 0, 0, 0};
    EXPECT_EQ(pixels, (Bytes{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 40, 50, 60, 255,  // top row
                             10, 20, 30, 255, 10, 20, 30, 255, 0, 0, 0, 0, 0, 0, 0, 0}));
    // A run longer than the row is cut at its end; the next row starts clean.
    const Bytes longRun = {9, 2, 0, 0, 1, 1, 0, 1};
    EXPECT_EQ(DecodedDib(Dib(2, 2, 8, 1, table, longRun), DibAlpha::kGdiBitmap),
              (Bytes{10, 20, 30, 0, 0, 0, 0, 0, 40, 50, 60, 0, 40, 50, 60, 0}));
    // Data that ends before the last row is not a bitmap.
    EXPECT_TRUE(DecodedDib(Dib(2, 2, 8, 1, table, {2, 1, 0, 0}), DibAlpha::kImageFile).empty());
}

TEST(IoDib, ImageFilesReadAlphaOnlyFromADeclaredField) {
    // One 32-bit pixel, fourth byte 0x80, stored plain and with bit fields.
    const Bytes pixel = {1, 2, 3, 0x80};
    EXPECT_EQ(DecodedDib(Dib(1, 1, 32, 0, {}, pixel), DibAlpha::kImageFile), (Bytes{1, 2, 3, 255}));
    EXPECT_EQ(DecodedDib(Dib(1, 1, 32, 0, {}, pixel), DibAlpha::kGdiBitmap), (Bytes{1, 2, 3, 0x80}));
    const Bytes fields = {0, 0, 0xFF, 0, 0, 0xFF, 0, 0, 0xFF, 0, 0, 0, 0, 0, 0, 0xFF};  // R, G, B, A masks
    Bytes dib = Dib(1, 1, 32, 6, {}, pixel);
    dib.insert(dib.begin() + 40, fields.begin(), fields.end());
    EXPECT_EQ(DecodedDib(dib, DibAlpha::kImageFile), (Bytes{1, 2, 3, 0x80}));
    // Masks in another order: GDI gives no fourth byte then.
    const Bytes swapped = {0xFF, 0, 0, 0, 0, 0xFF, 0, 0, 0, 0, 0xFF, 0};
    Bytes rgbFields = Dib(1, 1, 32, 3, {}, pixel);
    rgbFields.insert(rgbFields.begin() + 40, swapped.begin(), swapped.end());
    EXPECT_EQ(DecodedDib(rgbFields, DibAlpha::kGdiBitmap), (Bytes{3, 2, 1, 0}));
}

TEST_F(IoCorpus, IconMaskClearsWhateverColourIsUnderIt) {
    // A 2 x 1 24-bit icon image: both pixels white, the second masked.
    Bytes image = Dib(2, 2, 24, 0, {}, {255, 255, 255, 255, 255, 255, 0, 0});
    const Bytes mask = {0x40, 0, 0, 0};
    image.insert(image.end(), mask.begin(), mask.end());
    const uint8_t directory[22] = {0, 0, 1, 0, 1, 0, 2, 1, 0, 0, 1, 0, 24, 0, static_cast<uint8_t>(image.size()), 0,
                                   0, 0, 22, 0, 0, 0};
    Bytes icon(sizeof directory + image.size());
    std::copy(std::begin(directory), std::end(directory), icon.begin());
    std::copy(image.begin(), image.end(), icon.begin() + sizeof directory);
    CallerImage caller;
    LoadFromMemory(utility, caller.Desc(), icon);
    ASSERT_EQ(caller.Desc()->width, 2);
    ASSERT_EQ(caller.Desc()->height, 1);
    EXPECT_EQ(Bytes(caller.Desc()->data, caller.Desc()->data + 8), (Bytes{255, 255, 255, 255, 0, 0, 0, 0}));
    EXPECT_TRUE(caller.ValidLoadReleased());
}

}  // namespace

#endif
