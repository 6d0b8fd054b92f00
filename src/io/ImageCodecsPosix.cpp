#include "io/ImageCodecsPosix.h"

#include <unistd.h>

#include <cstring>

namespace VelImageUtility {

DecodeTarget::DecodeTarget(CImageBase& image) : image_(image), before_(image.Desc()) {}

DecodeTarget::~DecodeTarget() {
    if (!allocated_ || kept_) return;
    ReleasePixelBuffer(image_.data);
    image_.data = before_.data;
    image_.width = before_.width;
    image_.height = before_.height;
    image_.stride = before_.stride;
    image_.bytesPerPixel = before_.bytesPerPixel;
    image_.ownsData = before_.copy;
}

size_t MemoryReader::Read(void* out, size_t count) {
    const size_t left = at < size ? size - at : 0;
    const size_t taken = count < left ? count : left;
    if (taken > 0) std::memcpy(out, bytes + at, taken);
    at += taken;
    return taken;
}

bool DecodedSizeAccepted(int64_t width, int64_t height) {
    if (width <= 0 || height <= 0 || width > INT32_MAX || height > INT32_MAX) return false;
    return width * 4 <= kMaxDecodedBytes / height;
}

uint8_t* DecodeTarget::Allocate(int32_t width, int32_t height) {
    if (allocated_ || !DecodedSizeAccepted(width, height)) return nullptr;
    // The working image never owns the caller's buffer, so nothing of the
    // caller's is released here.
    if (!image_.ReplaceWithOwnedBuffer(width, height, PackedStride(width, 4), 4)) return nullptr;
    allocated_ = true;
    return image_.data;
}

bool DecodeTarget::Keep() {
    kept_ = allocated_;
    return kept_;
}

uint8_t* DecodeTarget::Row(int32_t y) const {
    return image_.data + static_cast<size_t>(y) * static_cast<size_t>(image_.stride);
}

namespace {

bool StartsWith(const uint8_t* bytes, size_t size, const char* magic, size_t length) {
    return size >= length && std::memcmp(bytes, magic, length) == 0;
}

using Encoder = bool (*)(const EncodeSource&, FILE*);

Encoder EncoderFor(const char* mimeType) {
    static const struct {
        const char* mimeType;
        Encoder encoder;
    } kEncoders[] = {
        {"image/bmp", EncodeBmp},
        {"image/jpeg", EncodeJpeg},
        {"image/png", EncodePng},
        {"image/tiff", EncodeTiff},
    };
    for (const auto& entry : kEncoders) {
        if (std::strcmp(entry.mimeType, mimeType) == 0) return entry.encoder;
    }
    return nullptr;
}

}  // namespace

bool EncodeImageFile(const EncodeSource& source, const char* mimeType, const char* path) {
    const Encoder encoder = mimeType == nullptr ? nullptr : EncoderFor(mimeType);
    if (encoder == nullptr || path == nullptr) return false;
    FILE* file = std::fopen(path, "w+be");  // "e": not inherited by child processes
    if (file == nullptr) return false;
    bool written = encoder(source, file);
    written = std::fclose(file) == 0 && written;
    if (!written) unlink(path);
    return written;
}

bool DecodeImage(const uint8_t* bytes, size_t size, CImageBase& working) {
    if (bytes == nullptr) return false;
    DecodeTarget target(working);
    bool decoded = false;
    if (StartsWith(bytes, size, "BM", 2)) {
        decoded = DecodeBmp(bytes, size, target);
    } else if (StartsWith(bytes, size, "\x89PNG\r\n\x1a\n", 8)) {
        decoded = DecodePng(bytes, size, target);
    } else if (StartsWith(bytes, size, "\xff\xd8\xff", 3)) {
        decoded = DecodeJpeg(bytes, size, target);
    } else if (StartsWith(bytes, size, "GIF87a", 6) || StartsWith(bytes, size, "GIF89a", 6)) {
        decoded = DecodeGif(bytes, size, target);
    } else if (StartsWith(bytes, size, "II*\0", 4) || StartsWith(bytes, size, "MM\0*", 4) ||
               StartsWith(bytes, size, "II+\0", 4) || StartsWith(bytes, size, "MM\0+", 4)) {
        decoded = DecodeTiff(bytes, size, target);
    } else if (StartsWith(bytes, size, "\0\0\1\0", 4)) {
        decoded = DecodeIco(bytes, size, target);
    }
    return decoded && target.Keep();
}

}  // namespace VelImageUtility
