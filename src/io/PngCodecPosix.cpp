// PNG through libpng: every colour type and depth, interlaced or not, with
// tRNS transparency; and 8-bit RGBA files out.
#include <png.h>

#include <csetjmp>
#include <cstring>

#include "io/ImageCodecsPosix.h"

namespace VelImageUtility {

namespace {

void ReadFromMemory(png_structp png, png_bytep out, size_t count) {
    if (static_cast<MemoryReader*>(png_get_io_ptr(png))->Read(out, count) != count) png_error(png, "truncated");
}

// libpng reports through these; the library writes no log.
void FailQuietly(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void IgnoreWarning(png_structp, png_const_charp) {}

// Everything arrives as 8-bit B, G, R, A: palettes and grey expanded,
// tRNS turned into alpha, 16-bit samples rounded to 8 bits.
void RequestBgra(png_structp png, png_infop info) {
    png_set_expand(png);
    png_set_scale_16(png);
    const png_byte colorType = png_get_color_type(png, info);
    if ((colorType & PNG_COLOR_MASK_COLOR) == 0) png_set_gray_to_rgb(png);
    png_set_bgr(png);
    png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
}

}  // namespace

bool DecodePng(const uint8_t* bytes, size_t size, DecodeTarget& target) {
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, FailQuietly, IgnoreWarning);
    if (png == nullptr) return false;
    png_infop info = png_create_info_struct(png);
    MemoryReader reader = {bytes, size, 0};
    // No object with a destructor lives between here and the jumps back.
    if (info == nullptr || setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    png_set_read_fn(png, &reader, ReadFromMemory);
    png_read_info(png, info);
    RequestBgra(png, info);
    const int passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);
    const png_uint_32 width = png_get_image_width(png, info);
    const png_uint_32 height = png_get_image_height(png, info);
    if (png_get_rowbytes(png, info) != size_t{width} * 4 ||
        target.Allocate(static_cast<int32_t>(width), static_cast<int32_t>(height)) == nullptr) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    // Interlaced images fill each row over several passes.
    for (int pass = 0; pass < passes; ++pass) {
        for (png_uint_32 y = 0; y < height; ++y) png_read_row(png, target.Row(static_cast<int32_t>(y)), nullptr);
    }
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
}

bool EncodePng(const EncodeSource& source, FILE* file) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, FailQuietly, IgnoreWarning);
    if (png == nullptr) return false;
    png_infop info = png_create_info_struct(png);
    if (info == nullptr || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(source.width),
                 static_cast<png_uint_32>(source.height), 8, PNG_COLOR_TYPE_RGB_ALPHA,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_set_bgr(png);
    for (int32_t y = 0; y < source.height; ++y) {
        png_write_row(png, const_cast<png_bytep>(source.Row(y)));
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

}  // namespace VelImageUtility
