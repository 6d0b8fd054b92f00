#include "io/FilePathsPosix.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <new>

namespace VelImageUtility {

namespace {

constexpr uint32_t kEscapedByteBase = 0xDC00;  // U+DC80..U+DCFF: bytes 0x80..0xFF

bool IsContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// The code point of the UTF-8 sequence at `text`, and its length in
// `length`; 0 for a sequence that is not well-formed UTF-8.
uint32_t DecodeUtf8(const unsigned char* text, int& length) {
    const unsigned char lead = text[0];
    uint32_t point = 0;
    uint32_t smallest = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, point = lead & 0x1F, smallest = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, point = lead & 0x0F, smallest = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, point = lead & 0x07, smallest = 0x10000;
    } else {
        return 0;
    }
    // A terminator is not a continuation byte, so this never reads past it.
    for (int i = 1; i < length; ++i) {
        if (!IsContinuation(text[i])) return 0;
        point = point << 6 | (text[i] & 0x3F);
    }
    const bool surrogate = point >= 0xD800 && point <= 0xDFFF;
    return point < smallest || surrogate || point > 0x10FFFF ? 0 : point;
}

void AppendUtf8(uint32_t point, std::string& out) {
    if (point < 0x80) {
        out += static_cast<char>(point);
    } else if (point < 0x800) {
        out += static_cast<char>(0xC0 | point >> 6);
        out += static_cast<char>(0x80 | (point & 0x3F));
    } else if (point < 0x10000) {
        out += static_cast<char>(0xE0 | point >> 12);
        out += static_cast<char>(0x80 | (point >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (point & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | point >> 18);
        out += static_cast<char>(0x80 | (point >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (point >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (point & 0x3F));
    }
}

}  // namespace

bool WidePathToUtf8(const wchar_t* path, std::string& utf8) {
    if (path == nullptr) return false;
    utf8.clear();
    for (; *path != L'\0'; ++path) {
        const uint32_t point = static_cast<uint32_t>(*path);
        if (point >= kEscapedByteBase + 0x80 && point <= kEscapedByteBase + 0xFF) {
            utf8 += static_cast<char>(point - kEscapedByteBase);
        } else if ((point >= 0xD800 && point <= 0xDFFF) || point > 0x10FFFF) {
            return false;
        } else {
            AppendUtf8(point, utf8);
        }
    }
    return true;
}

bool Utf8PathToWide(const char* path, std::wstring& wide) {
    if (path == nullptr) return false;
    wide.clear();
    const unsigned char* text = reinterpret_cast<const unsigned char*>(path);
    while (*text != '\0') {
        int length = 1;
        uint32_t point = *text;
        if (point >= 0x80) {
            point = DecodeUtf8(text, length);
            if (point == 0) {
                point = kEscapedByteBase + *text;
                length = 1;
            }
        }
        wide += static_cast<wchar_t>(point);
        text += length;
    }
    return true;
}

bool ReadWholeFile(const std::string& path, std::unique_ptr<uint8_t[]>& bytes, size_t& size) {
    const int file = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (file < 0) return false;
    struct stat status;
    bool read = fstat(file, &status) == 0 && S_ISREG(status.st_mode) && status.st_size < INT32_MAX;
    if (read) {
        size = static_cast<size_t>(status.st_size);
        bytes.reset(new (std::nothrow) uint8_t[size == 0 ? 1 : size]);
        read = bytes != nullptr;
    }
    for (size_t done = 0; read && done < size;) {
        const ssize_t got = ::read(file, bytes.get() + done, size - done);
        if (got < 0 && errno == EINTR) continue;
        read = got > 0;
        if (read) done += static_cast<size_t>(got);
    }
    close(file);
    return read;
}

}  // namespace VelImageUtility
