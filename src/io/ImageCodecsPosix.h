// The image codecs behind the loaders and SaveToFile where there is no
// GDI+: the established codec libraries for JPEG, PNG, TIFF and GIF, our
// own readers for the simple BMP and ICO containers. Decoders read from
// memory and produce B, G, R, A bytes, rows top-down, stride 4 * width.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "core/CImageBase.h"

namespace VelImageUtility {

// The largest decoded buffer a loader accepts, in bytes. Fuzzing builds
// use a smaller budget so that a short input cannot claim gigabytes.
#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
constexpr int64_t kMaxDecodedBytes = int64_t{16} << 20;
#else
constexpr int64_t kMaxDecodedBytes = INT32_MAX;
#endif

// Gives a decoder its output buffer as the working image's new buffer, and
// puts the image back as it was (releasing that buffer) unless the decoder
// succeeded and Keep was called.
class DecodeTarget {
public:
    explicit DecodeTarget(CImageBase& image);
    ~DecodeTarget();
    DecodeTarget(const DecodeTarget&) = delete;
    DecodeTarget& operator=(const DecodeTarget&) = delete;

    // A buffer for width x height pixels, stride 4 * width, or null when the
    // size is not positive, above kMaxDecodedBytes or not available. Once
    // only.
    uint8_t* Allocate(int32_t width, int32_t height);
    uint8_t* Row(int32_t y) const;
    // Decoding succeeded: the image keeps its new buffer. False when no
    // buffer was made.
    bool Keep();

private:
    CImageBase& image_;
    const ImageDesc before_;
    bool allocated_ = false;
    bool kept_ = false;
};

// Bytes taken in order from memory, for the read callbacks of the codec
// libraries. `at` may be moved past the end; nothing is read there.
struct MemoryReader {
    const uint8_t* bytes;
    size_t size;
    size_t at;
    // Copies up to `count` bytes to `out` and returns how many.
    size_t Read(void* out, size_t count);
};

// Whether a width x height image would be accepted by DecodeTarget.
bool DecodedSizeAccepted(int64_t width, int64_t height);

// Decodes an image file held in memory, its format found from its first
// bytes. On success the working image owns the decoded pixels; on failure it
// is exactly as before.
bool DecodeImage(const uint8_t* bytes, size_t size, CImageBase& working);

// How the fourth byte of a pixel read from a device-independent bitmap is
// made.
enum class DibAlpha {
    // As an image file decoder gives it: 255, or the alpha bit field where
    // the header declares one.
    kImageFile,
    // As GDI gives a bitmap read at 32 bits: the fourth byte of 32-bit pixels
    // with the usual bit layout, else 0.
    kGdiBitmap,
};

// Format decoders; each returns false and leaves the target unused or
// abandoned when the bytes are not a complete image it can read.
bool DecodeBmp(const uint8_t* bytes, size_t size, DecodeTarget& target);
bool DecodeDib(const uint8_t* bytes, size_t size, DibAlpha alpha, DecodeTarget& target);
bool DecodeIco(const uint8_t* bytes, size_t size, DecodeTarget& target);
bool DecodeGif(const uint8_t* bytes, size_t size, DecodeTarget& target);
bool DecodeJpeg(const uint8_t* bytes, size_t size, DecodeTarget& target);
bool DecodePng(const uint8_t* bytes, size_t size, DecodeTarget& target);
bool DecodeTiff(const uint8_t* bytes, size_t size, DecodeTarget& target);

// Pixels to encode: B, G, R, A bytes; row y starts at data + y * stride
// (the stride may be negative).
struct EncodeSource {
    const uint8_t* data;
    int32_t width;
    int32_t height;
    int32_t stride;
    const uint8_t* Row(int32_t y) const { return data + static_cast<ptrdiff_t>(y) * stride; }
};

// Writes the file at `path` (UTF-8) with the encoder for `mimeType`, one of
// the types of MimeTypeForPath. On failure no file is left at `path`.
bool EncodeImageFile(const EncodeSource& source, const char* mimeType, const char* path);

// Format encoders writing to a file opened for writing and reading.
bool EncodeBmp(const EncodeSource& source, FILE* file);
bool EncodeJpeg(const EncodeSource& source, FILE* file);
bool EncodePng(const EncodeSource& source, FILE* file);
bool EncodeTiff(const EncodeSource& source, FILE* file);

}  // namespace VelImageUtility
