// velimg demo, info and cpu.
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "Commands.h"
#include "Font.h"
#include "Operations.h"
#include "core/InstructionSetLevel.h"
#include "cpu/CpuInfo.h"

namespace velimg {

double NowMs() {
    using Clock = std::chrono::steady_clock;
    return std::chrono::duration<double, std::milli>(Clock::now().time_since_epoch()).count();
}

bool MakeDirectories(const std::string& path) {
    std::error_code error;
    std::filesystem::create_directories(path, error);
    return IsDirectory(path);
}

bool IsDirectory(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_directory(path, error);
}

namespace {

constexpr int32_t kFrameWidth = 1920;
constexpr int32_t kFrameHeight = 1080;
constexpr int32_t kTileWidth = 480;
constexpr int32_t kTileHeight = 270;
constexpr int32_t kColumns = 4;
constexpr int32_t kGap = 8;

uint32_t Pixel(int32_t r, int32_t g, int32_t b, int32_t a = 255) {
    auto clamp = [](int32_t v) { return static_cast<uint32_t>(v < 0 ? 0 : v > 255 ? 255 : v); };
    return clamp(b) | clamp(g) << 8 | clamp(r) << 16 | clamp(a) << 24;
}

void Put(std::vector<uint8_t>& buffer, int32_t width, int32_t x, int32_t y, uint32_t value) {
    std::memcpy(&buffer[(static_cast<size_t>(y) * width + x) * 4], &value, 4);
}

// A sky, a sun, hills and colour bars: detail at every scale for the filters.
std::vector<uint8_t> PaintFrame() {
    std::vector<uint8_t> frame(static_cast<size_t>(kFrameWidth) * kFrameHeight * 4);
    for (int32_t y = 0; y < kFrameHeight; ++y) {
        for (int32_t x = 0; x < kFrameWidth; ++x) {
            const float sky = static_cast<float>(y) / kFrameHeight;
            int32_t r = static_cast<int32_t>(40 + 200 * sky), g = static_cast<int32_t>(90 + 80 * sky), b = static_cast<int32_t>(200 - 120 * sky);
            const float dx = static_cast<float>(x - 1400), dy = static_cast<float>(y - 330);
            if (dx * dx + dy * dy < 150.0f * 150.0f) r = 255, g = 220, b = 90;
            const float hill = 760.0f + 90.0f * std::sin(static_cast<float>(x) / 170.0f);
            if (static_cast<float>(y) > hill) {
                r = 30 + (x / 40 + y / 40) % 2 * 30, g = 120 + (y % 7) * 6, b = 50;
            }
            if (y > 1000) {
                const int32_t bar = x * 8 / kFrameWidth;
                r = (bar & 4) ? 235 : 16, g = (bar & 2) ? 235 : 16, b = (bar & 1) ? 235 : 16;
            }
            Put(frame, kFrameWidth, x, y, Pixel(r, g, b));
        }
    }
    return frame;
}

// A second picture for the blend modes: colour waves.
std::vector<uint8_t> PaintOverlay() {
    std::vector<uint8_t> overlay(static_cast<size_t>(kFrameWidth) * kFrameHeight * 4);
    for (int32_t y = 0; y < kFrameHeight; ++y) {
        for (int32_t x = 0; x < kFrameWidth; ++x) {
            const float fx = static_cast<float>(x) / 240.0f, fy = static_cast<float>(y) / 200.0f;
            Put(overlay, kFrameWidth, x, y,
                Pixel(static_cast<int32_t>(128 + 127 * std::sin(fx)), static_cast<int32_t>(128 + 127 * std::sin(fy + 2.0f)),
                      static_cast<int32_t>(128 + 127 * std::sin(fx + fy + 4.0f)), 128 + (x * 127) / kFrameWidth));
        }
    }
    return overlay;
}

// The title: white letters on a dark band whose alpha fades out over its
// last 24 pixels on every side.
std::vector<uint8_t> PaintTitle(int32_t width, int32_t height) {
    std::vector<uint8_t> title(static_cast<size_t>(width) * height * 4);
    const int32_t fade = 24;
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            const int32_t edge = std::min(std::min(x, width - 1 - x), std::min(y, height - 1 - y));
            Put(title, width, x, y, Pixel(20, 30, 70, edge >= fade ? 230 : 230 * edge / fade));
        }
    }
    const std::string text = "VELIMAGEUTILITY";
    const int32_t scale = 7;
    DrawLabelText(title.data(), width, height, width * 4, (width - TextWidth(text, scale)) / 2,
             (height - kGlyphHeight * scale) / 2, text, scale, Pixel(255, 255, 255));
    return title;
}

bool SaveBuffer(std::vector<uint8_t>& pixels, int32_t width, int32_t height, const std::string& path) {
    ArgbImage image(GetCImageARGB4(pixels.data(), width, height, width * 4));
    return image && SaveImageFile(image.get(), path);
}

struct Tile {
    const char* family;
    const char* operation;  // empty for the frame itself
    std::string arguments;
    double milliseconds = 0;
};

std::vector<Step> StepsOf(const Tile& tile) {
    std::vector<Step> steps;
    if (*tile.operation) steps.push_back({FindOperation(tile.operation), tile.arguments});
    return steps;
}

std::string Label(const Tile& tile) {
    if (!*tile.operation) return "ORIGINAL 1920x1080";
    // File arguments show by name only.
    std::string arguments = tile.arguments;
    const size_t slash = arguments.find_last_of("/\\");
    if (slash != std::string::npos) arguments = arguments.substr(slash + 1);
    return std::string(tile.operation) + (arguments.empty() ? "" : " " + arguments);
}

// Runs one tile's operation on a copy of the frame and puts it, scaled down
// and labelled, into the sheet.
bool RenderTile(Tile& tile, ICImageARGB* frame, std::vector<uint8_t>& sheet, int32_t sheetWidth,
                int32_t column, int32_t row) {
    ArgbImage work = CopyOf(frame);
    if (!work) return false;
    const double start = NowMs();
    RunSteps(work, StepsOf(tile));
    tile.milliseconds = NowMs() - start;
    ArgbImage thumb = NewArgb(kTileWidth, kTileHeight);
    if (!thumb) return false;
    const ImageDesc thumbDesc = thumb->GetDesc();
    work->ResizeTo(&thumbDesc, 2);
    thumb->SetAlpha(255);
    const std::string label = Label(tile);
    uint8_t* pixels = thumb->GetData();
    const int32_t band = kGlyphHeight * 2 + 8;
    for (int32_t y = 0; y < band; ++y) {
        for (int32_t x = 0; x < TextWidth(label, 2) + 8 && x < kTileWidth; ++x) {
            const uint32_t dark = Pixel(0, 0, 0, 255);
            std::memcpy(pixels + static_cast<size_t>(y) * thumbDesc.stride + 4 * x, &dark, 4);
        }
    }
    DrawLabelText(pixels, kTileWidth, kTileHeight, thumbDesc.stride, 4, 4, label, 2, Pixel(255, 255, 255));
    const int32_t left = kGap + column * (kTileWidth + kGap), top = kGap + row * (kTileHeight + kGap);
    for (int32_t y = 0; y < kTileHeight; ++y) {
        std::memcpy(&sheet[(static_cast<size_t>(top + y) * sheetWidth + left) * 4],
                    pixels + static_cast<size_t>(y) * thumbDesc.stride, kTileWidth * 4);
    }
    return true;
}

bool WriteIndex(const std::string& path, const std::vector<Tile>& tiles) {
    FILE* file = std::fopen(path.c_str(), "w");
    if (file == nullptr) return false;
    std::fputs("<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>velimg demo</title>\n"
               "<style>body{font-family:sans-serif;background:#222;color:#eee}img{max-width:100%}"
               "td,th{padding:2px 12px;text-align:left}</style></head><body>\n"
               "<h1>velimg demo: one 1920x1080 frame through each family of operations</h1>\n"
               "<p><img src=\"frame.png\" width=\"480\" alt=\"the frame with its title\"> the typical request's result</p>\n"
               "<img src=\"contact_sheet.png\" alt=\"contact sheet\">\n"
               "<table><tr><th>tile</th><th>family</th><th>operation</th><th>time on 1920x1080 (ms)</th></tr>\n",
               file);
    for (size_t i = 0; i < tiles.size(); ++i) {
        std::fprintf(file, "<tr><td>%zu</td><td>%s</td><td>%s</td><td>%.2f</td></tr>\n", i + 1, tiles[i].family,
                     Label(tiles[i]).c_str(), tiles[i].milliseconds);
    }
    std::fputs("</table></body></html>\n", file);
    return std::fclose(file) == 0;
}

}  // namespace

int RunDemo(const std::string& outDir) {
    if (!MakeDirectories(outDir)) {
        std::fprintf(stderr, "velimg: cannot create output directory '%s'\n", outDir.c_str());
        return 1;
    }
    std::vector<std::string> written;
    auto step = [](const char* what, double start) { std::printf("  %-58s %8.2f ms\n", what, NowMs() - start); };

    std::printf("The typical request on a built-in 1920x1080 frame:\n");
    double start = NowMs();
    std::vector<uint8_t> frame = PaintFrame();
    const int32_t titleWidth = 800, titleHeight = 200;
    std::vector<uint8_t> title = PaintTitle(titleWidth, titleHeight);
    step("paint the frame and a title with a soft alpha edge", start);

    start = NowMs();
    ArgbImage image(GetCImageARGB4(frame.data(), kFrameWidth, kFrameHeight, kFrameWidth * 4));
    if (!image) return 1;
    step("1. GetCImageARGB4 wraps the frame without copying", start);

    start = NowMs();
    const ImageDesc titleDesc = {title.data(), titleWidth, titleHeight, titleWidth * 4, 4, false};
    image->DrawImage(&titleDesc, 0, 560.0f, 90.0f, 800.0f, 200.0f, 220);
    step("2. DrawImage the title at (560, 90), 800x200, opacity 220", start);

    start = NowMs();
    std::vector<uint8_t> ayuv(frame.size());
    const ImageDesc ayuvDesc = {ayuv.data(), kFrameWidth, kFrameHeight, kFrameWidth * 4, 4, false};
    image->ConvertToAYUV(&ayuvDesc);
    step("3. ConvertToAYUV into the encoder's buffer", start);

    start = NowMs();
    const std::string framePath = outDir + "/frame.png";
    if (!SaveImageFile(image.get(), framePath)) {
        std::fprintf(stderr, "velimg: cannot write '%s'\n", framePath.c_str());
        return 1;
    }
    written.push_back(framePath);
    step("4. SaveToFile frame.png", start);

    // The blend tiles read their second picture from a file, as on the command line.
    std::vector<uint8_t> overlay = PaintOverlay();
    const std::string overlayPath = outDir + "/overlay.png";
    const std::string titlePath = outDir + "/title.png";
    if (!SaveBuffer(overlay, kFrameWidth, kFrameHeight, overlayPath) || !SaveBuffer(title, titleWidth, titleHeight, titlePath)) {
        std::fprintf(stderr, "velimg: cannot write into '%s'\n", outDir.c_str());
        return 1;
    }
    written.push_back(overlayPath);
    written.push_back(titlePath);

    std::vector<Tile> tiles = {
        {"original", "", ""},
        {"blurs", "box-blur", "8"},
        {"blurs", "box-blur-alpha-weighted", "8"},
        {"blurs", "gaussian-blur", "6"},
        {"blurs", "zoom-blur", "16"},
        {"blurs", "median-filter-channels", "5"},
        {"blurs", "unsharp-mask", "200,2,4"},
        {"blend modes", "multiply-blend", overlayPath},
        {"blend modes", "screen-blend", overlayPath},
        {"blend modes", "overlay-blend", overlayPath},
        {"blend modes", "soft-light-blend", overlayPath},
        {"blend modes", "hard-light-blend", overlayPath},
        {"blend modes", "color-dodge-blend", overlayPath},
        {"blend modes", "linear-dodge-blend", overlayPath},
        {"alpha", "alpha-composite", overlayPath + ",160"},
        {"alpha", "draw-image", titlePath + ",100,600,800,200,255"},
        {"alpha", "blend-color", "FF8000,96"},
        {"tone", "convert-to-gray", ""},
        {"tone", "convert-to-gray-lightness", ""},
        {"tone", "invert", ""},
        {"tone", "posterize", "64"},
        {"tone", "adjust-contrast", "1.8"},
        {"tone", "adjust-contrast-around-mean", "60"},
        {"tone", "adjust-brightness", "60"},
        {"tone", "map-levels", "50,200,0,255"},
        {"tone", "scale-channels-rgb", "255,160,96,255"},
        {"rotation", "rotate", "30"},
        {"resize", "resize", "640x360,2"},
        {"resize", "resize", "3840x2160,0"},
        {"AYUV", "ayuv-round-trip", ""},
        {"byte plane", "convert-to-luma", ""},
        {"byte plane", "detect-edges", "40"},
        {"byte plane", "emboss-to-plane", "1"},
        {"filters", "gradient-magnitude", ""},
    };
    const int32_t rows = (static_cast<int32_t>(tiles.size()) + kColumns - 1) / kColumns;
    const int32_t sheetWidth = kColumns * (kTileWidth + kGap) + kGap;
    const int32_t sheetHeight = rows * (kTileHeight + kGap) + kGap;
    std::vector<uint8_t> sheet(static_cast<size_t>(sheetWidth) * sheetHeight * 4);
    for (size_t i = 0; i < sheet.size(); i += 4) std::memcpy(&sheet[i], "\x30\x30\x30\xFF", 4);

    std::printf("Contact sheet, each operation on a copy of the frame:\n");
    for (size_t i = 0; i < tiles.size(); ++i) {
        try {
            if (!RenderTile(tiles[i], image.get(), sheet, sheetWidth, static_cast<int32_t>(i) % kColumns,
                            static_cast<int32_t>(i) / kColumns)) {
                std::fprintf(stderr, "velimg: out of memory\n");
                return 1;
            }
        } catch (const std::exception& error) {
            std::fprintf(stderr, "velimg: %s\n", error.what());
            return 1;
        }
        std::printf("  %-58s %8.2f ms\n", Label(tiles[i]).c_str(), tiles[i].milliseconds);
    }
    const std::string sheetPath = outDir + "/contact_sheet.png";
    const std::string indexPath = outDir + "/index.html";
    if (!SaveBuffer(sheet, sheetWidth, sheetHeight, sheetPath) || !WriteIndex(indexPath, tiles)) {
        std::fprintf(stderr, "velimg: cannot write into '%s'\n", outDir.c_str());
        return 1;
    }
    written.push_back(sheetPath);
    written.push_back(indexPath);

    start = NowMs();
    image.reset();
    step("5. ReleaseCImageARGB: the frame stays the host's", start);
    std::printf("Wrote:\n");
    for (const std::string& path : written) std::printf("  %s\n", path.c_str());
    return 0;
}

int RunInfo(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "velimg: info needs a file (velimg info FILE...)\n");
        return 2;
    }
    int status = 0;
    for (int i = 2; i < argc; ++i) {
        ArgbImage image = LoadImageFile(argv[i]);
        if (!image) {
            std::fprintf(stderr, "velimg: cannot read or decode '%s'\n", argv[i]);
            status = 1;
            continue;
        }
        std::printf("%s: %dx%d %s\n", argv[i], image->GetWidth(), image->GetHeight(), FileFormat(argv[i]).c_str());
    }
    return status;
}

int RunCpu() {
    const VelImageUtility::CpuInfo& info = VelImageUtility::ProcessCpuInfo();
    static const char* const kLevels[] = {"none", "MMX", "SSE", "SSE2", "SSE4.1"};
    const int32_t level = VelImageUtility::GetInstructionSetLevel();
    std::printf("vendor     %s\nname       %s\nfamily     %d  model %d  stepping %d\n", info.vendor, info.name,
                info.family, info.model, info.stepping);
    std::printf("clock      %u MHz\nprocessors %d physical, %d logical per package\n", info.speedMHz,
                info.physicalCount, info.logicalPerPackage);
    std::printf("features   MMX %d  SSE %d  SSE2 %d  SSE3 %d  SSE4.1 %d  SSE4.2 %d\n", info.hasMMX, info.hasSSE,
                info.hasSSE2, info.hasSSE3, info.hasSSE41, info.hasSSE42);
    std::printf("level      %d (%s): %s code paths\n", level, kLevels[level >= 0 && level <= 4 ? level : 0],
                level >= 3 ? "SSE2" : "plain");
    return 0;
}

}  // namespace velimg
