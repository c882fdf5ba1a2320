// Reading program files: the kind of executable an MZ header leads to, the
// resources of 16-bit (NE) and 32-bit or 64-bit (PE) programs, and the
// version resource with the string values inside it. The reader is given
// the file through a callback, so the same code serves files on disk and
// images built in memory.
//
// Program files come from anywhere: every offset and count read from one is
// checked against the structure that holds it and against the file before
// it is used, and every walk is bounded (a damaged or crafted file is
// reported as damaged, never read beyond its end or walked for ever).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace jol {

// Copies bytes bytes found at an offset of the image into out; false when
// they are not all there.
using ImageRead = bool (*)(void* source, std::uint64_t offset, void* out, std::size_t bytes);
struct ImageSource {
    ImageRead read = nullptr;
    void* source = nullptr;
    // The image's size in bytes; 0 when unknown (reads then find its end).
    std::uint64_t size = 0;
};

// 0 not an MZ program, 1 MS-DOS, 2 LE, 3 NE (16-bit Windows), 10 PE, 99
// an MZ program with a header of another kind (its signature in
// *signature).
int ExecutableType(const ImageSource& image, std::uint16_t* signature);

// One resource found by a walk: its data's place in the file. For a PE
// program, address is the data's address in the loaded image, and inside
// tells whether the data lies in the stored bytes of the resource section
// (offset is then its file offset); for an NE program the data is where
// the resource table says, and inside tells whether it lies after the NE
// header and its resource and resident-name tables and ends within the
// file (never when the image's size is unknown).
struct ResourceData {
    std::uint64_t offset = 0;
    std::uint32_t size = 0;
    std::uint32_t address = 0;
    bool inside = false;
};
enum class ResourceWalk {
    Done,        // every resource of the type was visited, or the visit stopped
    NoResources, // the program has no resource table or section
    Damaged,     // a structure lies outside its place, or the tree loops
};
// Answers false to end the walk.
using ResourceVisit = std::function<bool(const ResourceData&)>;

// Visits the resources of a type in the program's order. PE: the leaves
// below the root entries whose id is type, depth first, each directory's
// entries in stored order (the named ones first), at most three levels.
// NE: the resource records of the type records whose id is type (the
// integer types have the top bit set: 0x8003 for icons).
ResourceWalk WalkPeResources(const ImageSource& image, std::uint16_t type,
                             const ResourceVisit& visit);
ResourceWalk WalkNeResources(const ImageSource& image, std::uint16_t type,
                             const ResourceVisit& visit);

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

// An image held in memory (for the callback): source points to a
// std::vector<unsigned char>.
bool ReadFromMemory(void* source, std::uint64_t offset, void* out, std::size_t bytes);
// The image source of bytes held in memory, with its size.
ImageSource MemoryImage(const std::vector<unsigned char>* bytes);

} // namespace jol
