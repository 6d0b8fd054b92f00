// GIF through giflib: the first frame on the logical screen, with the
// transparent colour of its graphic control extension.
#include <gif_lib.h>

#include <cstring>
#include <memory>
#include <new>

#include "io/ImageCodecsPosix.h"

namespace VelImageUtility {

namespace {

int ReadFromMemory(GifFileType* gif, GifByteType* out, int count) {
    if (count <= 0) return 0;
    return static_cast<int>(static_cast<MemoryReader*>(gif->UserData)->Read(out, static_cast<size_t>(count)));
}

// B, G, R, A of every index: the colour map's colours, opaque, the
// transparent index clear, indexes past the map opaque black.
void MakeColorTable(const ColorMapObject& colors, int transparent, uint8_t (&table)[256][4]) {
    for (int index = 0; index < 256; ++index) {
        uint8_t* entry = table[index];
        entry[0] = entry[1] = entry[2] = 0;
        entry[3] = 255;
        if (index < colors.ColorCount) {
            entry[0] = colors.Colors[index].Blue;
            entry[1] = colors.Colors[index].Green;
            entry[2] = colors.Colors[index].Red;
        }
        if (index == transparent) entry[3] = 0;
    }
}

// The frame's rows in file order: straight down, or the four passes of an
// interlaced frame (every 8th row from 0, every 8th from 4, every 4th from
// 2, every 2nd from 1).
int32_t FrameRow(int32_t fileRow, int32_t height, bool interlaced) {
    if (!interlaced) return fileRow;
    static const int32_t kStart[4] = {0, 4, 2, 1};
    static const int32_t kStep[4] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass) {
        const int32_t rows = kStart[pass] < height ? (height - kStart[pass] + kStep[pass] - 1) / kStep[pass] : 0;
        if (fileRow < rows) return kStart[pass] + fileRow * kStep[pass];
        fileRow -= rows;
    }
    return -1;
}

bool DecodeFrame(GifFileType* gif, int transparent, DecodeTarget& target) {
    const GifImageDesc& frame = gif->Image;
    const ColorMapObject* colors = frame.ColorMap != nullptr ? frame.ColorMap : gif->SColorMap;
    if (colors == nullptr || frame.Width <= 0 || frame.Height <= 0 || frame.Left < 0 || frame.Top < 0) {
        return false;
    }
    int64_t canvasWidth = gif->SWidth;
    int64_t canvasHeight = gif->SHeight;
    if (canvasWidth <= 0 || canvasHeight <= 0) {
        canvasWidth = int64_t{frame.Left} + frame.Width;
        canvasHeight = int64_t{frame.Top} + frame.Height;
    }
    if (!DecodedSizeAccepted(canvasWidth, canvasHeight)) return false;
    std::unique_ptr<GifPixelType[]> line(new (std::nothrow) GifPixelType[static_cast<size_t>(frame.Width)]);
    if (line == nullptr) return false;
    uint8_t table[256][4];
    MakeColorTable(*colors, transparent, table);

    const int32_t width = static_cast<int32_t>(canvasWidth);
    const int32_t height = static_cast<int32_t>(canvasHeight);
    if (target.Allocate(width, height) == nullptr) return false;
    // The screen outside the frame is transparent.
    for (int32_t y = 0; y < height; ++y) std::memset(target.Row(y), 0, static_cast<size_t>(width) * 4);
    for (int32_t fileRow = 0; fileRow < frame.Height; ++fileRow) {
        if (DGifGetLine(gif, line.get(), frame.Width) == GIF_ERROR) return false;
        const int64_t y = int64_t{frame.Top} + FrameRow(fileRow, frame.Height, frame.Interlace);
        if (y >= height) continue;
        uint8_t* out = target.Row(static_cast<int32_t>(y));
        for (int32_t x = 0; x < frame.Width && int64_t{frame.Left} + x < width; ++x) {
            std::memcpy(out + 4 * (int64_t{frame.Left} + x), table[line[x]], 4);
        }
    }
    return true;
}

bool DecodeFirstFrame(GifFileType* gif, DecodeTarget& target) {
    int transparent = -1;
    GifRecordType record = UNDEFINED_RECORD_TYPE;
    do {
        if (DGifGetRecordType(gif, &record) == GIF_ERROR) return false;
        if (record == EXTENSION_RECORD_TYPE) {
            int code = 0;
            GifByteType* block = nullptr;
            if (DGifGetExtension(gif, &code, &block) == GIF_ERROR) return false;
            // Graphic control: size 4, flags, delay (2 bytes), transparent index.
            if (code == GRAPHICS_EXT_FUNC_CODE && block != nullptr && block[0] >= 4) {
                transparent = (block[1] & 1) != 0 ? block[4] : -1;
            }
            while (block != nullptr) {
                if (DGifGetExtensionNext(gif, &block) == GIF_ERROR) return false;
            }
        } else if (record == IMAGE_DESC_RECORD_TYPE) {
            if (DGifGetImageDesc(gif) == GIF_ERROR) return false;
            return DecodeFrame(gif, transparent, target);
        }
    } while (record != TERMINATE_RECORD_TYPE);
    return false;
}

}  // namespace

bool DecodeGif(const uint8_t* bytes, size_t size, DecodeTarget& target) {
    MemoryReader reader = {bytes, size, 0};
    int error = 0;
    GifFileType* gif = DGifOpen(&reader, ReadFromMemory, &error);
    if (gif == nullptr) return false;
    const bool decoded = DecodeFirstFrame(gif, target);
    DGifCloseFile(gif, &error);
    return decoded;
}

}  // namespace VelImageUtility
