// Reading program files: the kind of executable an MZ header leads to, and
// the version resource of a 32-bit or 64-bit (PE) program with the string
// values inside it. The reader is given the file through a callback, so the
// same code serves files on disk and images built in memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace jol {

// Copies bytes bytes found at an offset of the image into out; false when
// they are not all there.
using ImageRead = bool (*)(void* source, std::uint64_t offset, void* out, std::size_t bytes);
struct ImageSource {
    ImageRead read = nullptr;
    void* source = nullptr;
};

// 0 not an MZ program, 1 MS-DOS, 2 LE, 3 NE (16-bit Windows), 10 PE, 99
// an MZ program with a header of another kind (its signature in
// *signature).
int ExecutableType(const ImageSource& image, std::uint16_t* signature);

enum class VersionResource { Found, Missing, TooLarge };
// The bytes of the program's version resource (the first one of type 16).
VersionResource ReadVersionResource(const ImageSource& image, std::vector<unsigned char>* out);

// Looks up a value of a version resource by its path of block keys
// ("\StringFileInfo\040904E4\FileVersion"; keys compare without regard to
// case). The value's text in UTF-16 units without the terminator; false
// when the path leads nowhere.
bool QueryVersionValue(const std::vector<unsigned char>& resource, const char* path,
                       std::u16string* value);

// The fixed part of a version resource (the value of its root block,
// which begins with the signature FEEF04BD).
struct FixedFileInfo {
    std::uint32_t file_version_ms = 0, file_version_ls = 0;
    std::uint32_t product_version_ms = 0, product_version_ls = 0;
    std::uint32_t file_flags = 0, file_os = 0, file_type = 0, file_subtype = 0;
};
// False when the resource has no such part.
bool QueryFixedFileInfo(const std::vector<unsigned char>& resource, FixedFileInfo* out);

// An image held in memory (for the callback).
bool ReadFromMemory(void* source, std::uint64_t offset, void* out, std::size_t bytes);

} // namespace jol
