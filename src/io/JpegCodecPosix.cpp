// JPEG through libjpeg-turbo: grey, YCbCr, RGB, CMYK and YCCK, baseline or
// progressive; and baseline colour files out at the usual quality 75.
#include <csetjmp>
#include <cstdio>
#include <cstring>

// jpeglib.h needs <cstdio> first.
#include <jpeglib.h>
#include <jerror.h>

#include "io/ImageCodecsPosix.h"
#include "io/PixelRows.h"

namespace VelImageUtility {

namespace {

// Decompression state is at most a few times the decoded image.
constexpr long kMaxCodecMemory = static_cast<long>(kMaxDecodedBytes) * 2;

struct ErrorManager {
    jpeg_error_mgr base;
    jmp_buf jump;
};

[[noreturn]] void FailQuietly(j_common_ptr codec) {
    std::longjmp(reinterpret_cast<ErrorManager*>(codec->err)->jump, 1);
}

// Warnings (level -1) that mean pixel data is missing or damaged end the
// decoding; the others (extra bytes, odd markers) are harmless. Trace
// messages are dropped: the library writes no log.
void JudgeMessage(j_common_ptr codec, int level) {
    if (level >= 0) return;
    switch (codec->err->msg_code) {
        case JWRN_JPEG_EOF:
        case JWRN_HIT_MARKER:
        case JWRN_MUST_RESYNC:
        case JWRN_HUFF_BAD_CODE:
        case JWRN_ARITH_BAD_CODE:
            FailQuietly(codec);
        default:
            break;
    }
}

void UseQuietErrors(ErrorManager& errors) {
    jpeg_std_error(&errors.base);
    errors.base.error_exit = FailQuietly;
    errors.base.emit_message = JudgeMessage;
    errors.base.output_message = [](j_common_ptr) {};
}

}  // namespace

bool DecodeJpeg(const uint8_t* bytes, size_t size, DecodeTarget& target) {
    jpeg_decompress_struct codec;
    std::memset(&codec, 0, sizeof codec);
    ErrorManager errors;
    UseQuietErrors(errors);
    codec.err = &errors.base;
    // No object with a destructor lives between here and the jumps back.
    if (setjmp(errors.jump)) {
        jpeg_destroy_decompress(&codec);
        return false;
    }
    jpeg_create_decompress(&codec);
    codec.mem->max_memory_to_use = kMaxCodecMemory;
    jpeg_mem_src(&codec, bytes, static_cast<unsigned long>(size));
    jpeg_read_header(&codec, TRUE);

    const bool cmyk = codec.jpeg_color_space == JCS_CMYK || codec.jpeg_color_space == JCS_YCCK;
    codec.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGRA;
    if (!DecodedSizeAccepted(codec.image_width, codec.image_height)) {
        jpeg_destroy_decompress(&codec);
        return false;
    }
    jpeg_start_decompress(&codec);
    if (codec.output_components != 4 ||
        target.Allocate(static_cast<int32_t>(codec.output_width),
                        static_cast<int32_t>(codec.output_height)) == nullptr) {
        jpeg_destroy_decompress(&codec);
        return false;
    }
    // Files that carry an Adobe marker store CMYK inverted.
    const bool inverted = codec.saw_Adobe_marker != 0;
    while (codec.output_scanline < codec.output_height) {
        const int32_t y = static_cast<int32_t>(codec.output_scanline);
        JSAMPROW row = target.Row(y);
        jpeg_read_scanlines(&codec, &row, 1);
        if (cmyk) CmykToBgraRow(row, static_cast<int32_t>(codec.output_width), inverted);
    }
    jpeg_finish_decompress(&codec);
    jpeg_destroy_decompress(&codec);
    return true;
}

bool EncodeJpeg(const EncodeSource& source, FILE* file) {
    jpeg_compress_struct codec;
    std::memset(&codec, 0, sizeof codec);
    ErrorManager errors;
    UseQuietErrors(errors);
    codec.err = &errors.base;
    if (setjmp(errors.jump)) {
        jpeg_destroy_compress(&codec);
        return false;
    }
    jpeg_create_compress(&codec);
    jpeg_stdio_dest(&codec, file);
    codec.image_width = static_cast<JDIMENSION>(source.width);
    codec.image_height = static_cast<JDIMENSION>(source.height);
    codec.input_components = 4;
    codec.in_color_space = JCS_EXT_BGRA;  // the fourth byte is not encoded
    jpeg_set_defaults(&codec);
    jpeg_set_quality(&codec, 75, TRUE);
    jpeg_start_compress(&codec, TRUE);
    while (codec.next_scanline < codec.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(source.Row(static_cast<int32_t>(codec.next_scanline)));
        jpeg_write_scanlines(&codec, &row, 1);
    }
    jpeg_finish_compress(&codec);
    jpeg_destroy_compress(&codec);
    return true;
}

}  // namespace VelImageUtility
