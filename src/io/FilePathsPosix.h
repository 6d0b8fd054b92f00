// Paths as the operations receive them (wide, or narrow UTF-8) and as Linux
// opens them (UTF-8 bytes). A wchar_t holds one UTF-32 code point; the
// lone surrogates U+DC80..U+DCFF stand for bytes of a narrow path that are
// not UTF-8, so that every file name Linux can hold converts both ways.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace VelImageUtility {

// False for a null path or one holding a code point that has no UTF-8 form.
bool WidePathToUtf8(const wchar_t* path, std::string& utf8);
// False for a null path.
bool Utf8PathToWide(const char* path, std::wstring& wide);

// The whole content of a regular file, or false when it cannot be opened,
// is not a regular file, cannot be read in full or has 2^31 bytes or more.
bool ReadWholeFile(const std::string& path, std::unique_ptr<uint8_t[]>& bytes, size_t& size);

}  // namespace VelImageUtility
