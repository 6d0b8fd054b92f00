// TIFF through libtiff: the first image as libtiff's RGBA interface reads
// it (any photometric interpretation, depth, tiling and compression it
// knows), rows top-left first; and LZW-compressed RGBA files out.
#include <sys/stat.h>
#include <tiffio.h>

#include <cstdarg>
#include <cstring>
#include <memory>
#include <new>

#include "io/ImageCodecsPosix.h"
#include "io/PixelRows.h"

namespace VelImageUtility {

namespace {

// libtiff reports through these; the library writes no log.
int Quiet(TIFF*, void*, const char*, const char*, va_list) { return 1; }

TIFFOpenOptions* QuietOptions() {
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    if (options == nullptr) return nullptr;
    TIFFOpenOptionsSetErrorHandlerExtR(options, Quiet, nullptr);
    TIFFOpenOptionsSetWarningHandlerExtR(options, Quiet, nullptr);
    TIFFOpenOptionsSetMaxSingleMemAlloc(options, static_cast<tmsize_t>(kMaxDecodedBytes));
    return options;
}

tmsize_t ReadFromMemory(thandle_t handle, void* out, tmsize_t count) {
    if (count <= 0) return 0;
    return static_cast<tmsize_t>(static_cast<MemoryReader*>(handle)->Read(out, static_cast<size_t>(count)));
}
tmsize_t RefuseWrite(thandle_t, void*, tmsize_t) { return -1; }
toff_t SeekInMemory(thandle_t handle, toff_t offset, int whence) {
    MemoryReader* reader = static_cast<MemoryReader*>(handle);
    const uint64_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? reader->at : reader->size;
    reader->at = static_cast<size_t>(base + offset);
    return reader->at;
}
int CloseNothing(thandle_t) { return 0; }
toff_t SizeOfMemory(thandle_t handle) { return static_cast<MemoryReader*>(handle)->size; }
int MapNothing(thandle_t, void**, toff_t*) { return 0; }
void UnmapNothing(thandle_t, void*, toff_t) {}

tmsize_t ReadFromFile(thandle_t handle, void* out, tmsize_t count) {
    return static_cast<tmsize_t>(std::fread(out, 1, static_cast<size_t>(count), static_cast<FILE*>(handle)));
}
tmsize_t WriteToFile(thandle_t handle, void* in, tmsize_t count) {
    return static_cast<tmsize_t>(std::fwrite(in, 1, static_cast<size_t>(count), static_cast<FILE*>(handle)));
}
toff_t SeekInFile(thandle_t handle, toff_t offset, int whence) {
    FILE* file = static_cast<FILE*>(handle);
    if (fseeko(file, static_cast<off_t>(offset), whence) != 0) return static_cast<toff_t>(-1);
    return static_cast<toff_t>(ftello(file));
}
toff_t SizeOfFile(thandle_t handle) {
    FILE* file = static_cast<FILE*>(handle);
    struct stat status;
    if (std::fflush(file) != 0 || fstat(fileno(file), &status) != 0) return 0;
    return static_cast<toff_t>(status.st_size);
}

// libtiff's RGBA interface premultiplies unassociated alpha. Declaring the
// alpha associated before it starts gives the stored, straight colours.
// Returns whether the image has unassociated alpha.
bool ReadUnassociatedAlphaAsStored(TIFF* tiff) {
    uint16_t count = 0;
    uint16_t* types = nullptr;
    if (TIFFGetField(tiff, TIFFTAG_EXTRASAMPLES, &count, &types) == 0 || count == 0) return false;
    std::unique_ptr<uint16_t[]> changed(new (std::nothrow) uint16_t[count]);
    if (changed == nullptr) return false;
    bool unassociated = false;
    for (uint16_t i = 0; i < count; ++i) {
        changed[i] = types[i];
        if (types[i] == EXTRASAMPLE_UNASSALPHA) {
            changed[i] = EXTRASAMPLE_ASSOCALPHA;
            unassociated = true;
        }
    }
    return unassociated && TIFFSetField(tiff, TIFFTAG_EXTRASAMPLES, count, changed.get()) != 0;
}

bool DecodeFirstImage(TIFF* tiff, DecodeTarget& target) {
    const bool straight = ReadUnassociatedAlphaAsStored(tiff);
    char message[1024];
    TIFFRGBAImage image;
    if (TIFFRGBAImageOK(tiff, message) == 0 || TIFFRGBAImageBegin(&image, tiff, 1, message) == 0) {
        return false;
    }
    image.req_orientation = ORIENTATION_TOPLEFT;
    const int32_t width = static_cast<int32_t>(image.width);
    const int32_t height = static_cast<int32_t>(image.height);
    uint8_t* pixels = DecodedSizeAccepted(image.width, image.height) ? target.Allocate(width, height) : nullptr;
    // The raster is packed 32-bit words A << 24 | B << 16 | G << 8 | R, that
    // is bytes R, G, B, A.
    const bool read = pixels != nullptr &&
                      TIFFRGBAImageGet(&image, reinterpret_cast<uint32_t*>(pixels), image.width, image.height) != 0;
    const bool premultiplied = image.alpha == EXTRASAMPLE_ASSOCALPHA && !straight;
    TIFFRGBAImageEnd(&image);
    if (!read) return false;
    for (int32_t y = 0; y < height; ++y) {
        uint8_t* row = target.Row(y);
        SwapRedBlueRow(row, row, width);
        if (premultiplied) UnpremultiplyRow(row, width);
    }
    return true;
}

}  // namespace

bool DecodeTiff(const uint8_t* bytes, size_t size, DecodeTarget& target) {
    TIFFOpenOptions* options = QuietOptions();
    if (options == nullptr) return false;
    MemoryReader reader = {bytes, size, 0};
    // "m": read through the procedures, never a mapping.
    TIFF* tiff = TIFFClientOpenExt("image", "rm", &reader, ReadFromMemory, RefuseWrite, SeekInMemory,
                                   CloseNothing, SizeOfMemory, MapNothing, UnmapNothing, options);
    TIFFOpenOptionsFree(options);
    if (tiff == nullptr) return false;
    const bool decoded = DecodeFirstImage(tiff, target);
    TIFFClose(tiff);
    return decoded;
}

bool EncodeTiff(const EncodeSource& source, FILE* file) {
    std::unique_ptr<uint8_t[]> row(new (std::nothrow) uint8_t[static_cast<size_t>(source.width) * 4]);
    TIFFOpenOptions* options = QuietOptions();
    if (row == nullptr || options == nullptr) {
        TIFFOpenOptionsFree(options);
        return false;
    }
    TIFF* tiff = TIFFClientOpenExt("image", "w", file, ReadFromFile, WriteToFile, SeekInFile, CloseNothing,
                                   SizeOfFile, MapNothing, UnmapNothing, options);
    TIFFOpenOptionsFree(options);
    if (tiff == nullptr) return false;
    const uint16_t extra[1] = {EXTRASAMPLE_UNASSALPHA};
    bool written = TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, static_cast<uint32_t>(source.width)) &&
                   TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, static_cast<uint32_t>(source.height)) &&
                   TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 8) && TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 4) &&
                   TIFFSetField(tiff, TIFFTAG_EXTRASAMPLES, 1, extra) &&
                   TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB) &&
                   TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG) &&
                   TIFFSetField(tiff, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT) &&
                   TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_LZW) &&
                   TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tiff, 0));
    for (int32_t y = 0; written && y < source.height; ++y) {
        SwapRedBlueRow(row.get(), source.Row(y), source.width);
        written = TIFFWriteScanline(tiff, row.get(), static_cast<uint32_t>(y), 0) == 1;
    }
    written = written && TIFFFlush(tiff) == 1;
    TIFFClose(tiff);
    return written;
}

}  // namespace VelImageUtility
