#include "lib/data/icon_replace.h"

#include <cstring>

#include "dispatch/int_control.h"
#include "host/context/errors.h"
#include "host/context/script_context.h"
#include "lib/data/file_functions.h"
#include "lib/data/file_names.h"
#include "lib/data/pe_image.h"
#include "platform/files.h"
#include "platform/memory.h"

namespace jol {
namespace {

// The part of an icon file that is read: its header and the first
// directory entry, and more.
constexpr std::size_t kIconHead = 70;
// The smallest image: one bitmap header.
constexpr std::uint32_t kSmallestImage = 40;
constexpr std::uint16_t kNeIconType = 0x8003;
constexpr std::uint16_t kPeIconType = 3;

std::uint16_t U16(const unsigned char* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t U32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

// A file handle closed when it goes out of scope.
class OpenFile {
public:
    explicit OpenFile(plat::FileHandle h) : h_(h) {}
    ~OpenFile() {
        if (h_) plat::close_file(h_);
    }
    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(const OpenFile&) = delete;
    plat::FileHandle get() const { return h_; }
    // Closes now; false when the close failed.
    bool close() {
        const plat::FileHandle h = h_;
        h_ = 0;
        return plat::close_file(h);
    }

private:
    plat::FileHandle h_;
};

// A zero-filled movable block, locked while it lives.
class ImageBlock {
public:
    explicit ImageBlock(std::size_t bytes) : h_(plat::mem_alloc(bytes)) {
        if (h_) data_ = static_cast<unsigned char*>(plat::mem_lock(h_));
    }
    ~ImageBlock() {
        if (!h_) return;
        if (data_) plat::mem_unlock(h_);
        plat::mem_free(h_);
    }
    ImageBlock(const ImageBlock&) = delete;
    ImageBlock& operator=(const ImageBlock&) = delete;
    unsigned char* data() const { return data_; }

private:
    plat::MemHandle h_;
    unsigned char* data_ = nullptr;
};

// Reads exactly bytes bytes at an offset.
bool ReadAt(plat::FileHandle f, std::uint64_t offset, void* out, std::size_t bytes) {
    std::size_t got = 0;
    return plat::seek_file(f, offset) && plat::read_file(f, out, bytes, &got) && got == bytes;
}

bool ReadFromFile(void* source, std::uint64_t offset, void* out, std::size_t bytes) {
    return ReadAt(*static_cast<plat::FileHandle*>(source), offset, out, bytes);
}

// The first image of an icon file: where it lies and how large it is.
struct IconImage {
    std::uint32_t offset = 0, size = 0;
};

// Checks the head of an icon file and where its first image lies. An icon
// file without an image, or whose first image is smaller than a bitmap
// header or lies beyond the file's end, is no icon to take.
bool CheckIconHead(plat::FileHandle f, IconImage* out) {
    unsigned char head[kIconHead];
    std::uint64_t file_bytes = 0;
    if (!ReadAt(f, 0, head, sizeof head) || !plat::file_size(f, &file_bytes)) return false;
    if (U16(head) != 0 || U16(head + 2) != 1 || U16(head + 4) == 0) return false;
    out->size = U32(head + 14);
    out->offset = U32(head + 18);
    return out->size >= kSmallestImage && out->offset <= file_bytes &&
           out->size <= file_bytes - out->offset;
}

// Where the icon to replace lies in the program file.
struct Target {
    std::uint64_t offset = 0;
    std::uint32_t size = 0;
    bool exact = false; // the new image must have the old one's size
};

// Finds icon number of the program and checks that its whole resource lies
// inside the program's resource data and the file. 1, or 0 with the error
// raised.
int FindIcon(ScriptContext* ctx, const ImageSource& image, std::int32_t number, Target* out) {
    unsigned char mz[64];
    if (!image.read || !image.read(image.source, 0, mz, sizeof mz) || mz[0] != 'M' ||
        mz[1] != 'Z' || U32(mz + 60) == 0)
        return Raise(ctx, Err::IconExeUnrecognised);
    unsigned char signature[4];
    if (!image.read(image.source, U32(mz + 60), signature, sizeof signature))
        return Raise(ctx, Err::IconNotWindows);
    const bool ne = signature[0] == 'N' && signature[1] == 'E';
    if (!ne && std::memcmp(signature, "PE\0\0", 4) != 0) return Raise(ctx, Err::IconNotWindows);

    std::int32_t counted = 0;
    ResourceData found;
    const ResourceVisit visit = [&](const ResourceData& data) {
        if (++counted < number) return true;
        found = data;
        return false;
    };
    const ResourceWalk walk = ne ? WalkNeResources(image, kNeIconType, visit)
                                 : WalkPeResources(image, kPeIconType, visit);
    if (walk == ResourceWalk::NoResources) return Raise(ctx, Err::IconNoResources);
    if (walk == ResourceWalk::Damaged) return Raise(ctx, Err::IconExeInvalid);
    if (counted == 0) return Raise(ctx, Err::IconNoIcons);
    if (counted < number) return Raise(ctx, Err::IconIndexInvalid);
    if (!found.inside) return Raise(ctx, Err::IconExeInvalid);
    out->offset = found.offset;
    out->size = found.size;
    out->exact = !ne;
    return 1;
}

// Writes all bytes at an offset and pushes them to the disk.
bool WriteToFile(void* target, std::uint64_t offset, const void* data, std::size_t bytes) {
    const plat::FileHandle f = *static_cast<plat::FileHandle*>(target);
    std::size_t put = 0;
    return plat::seek_file(f, offset) && plat::write_data_file(f, data, bytes, &put) &&
           put == bytes && plat::flush_file(f);
}

} // namespace

int WriteProgramIcon(ScriptContext* ctx, const ProgramBytes& program, std::int32_t number,
                     const unsigned char* image, std::uint32_t size) {
    if (number < 1) return Raise(ctx, Err::IconIndexInvalid);
    if (program.image.size == 0) return Raise(ctx, Err::IconExeUnrecognised);
    Target target;
    if (!FindIcon(ctx, program.image, number, &target)) return 0;
    if (size > target.size) return Raise(ctx, Err::IconLarger);
    if (target.exact && size < target.size) return Raise(ctx, Err::IconSmaller);
    // A write that fails or stops short is a failure, never a replacement.
    if (!program.write || !program.write(program.target, target.offset, image, size))
        return Raise(ctx, Err::IconExeInvalid);
    return 1;
}

int ReplaceIcon(ScriptContext* ctx, const char* program, const char* icon, std::int32_t number) {
    if (number < 1) return Raise(ctx, Err::IconIndexInvalid);
    char program_name[kFullNameSize], icon_name[kFullNameSize];
    if (!LocateFile(program, program_name, sizeof program_name))
        return Raise(ctx, Err::IconExeMissing);
    if (!LocateFile(icon, icon_name, sizeof icon_name)) return Raise(ctx, Err::IconIcoMissing);

    OpenFile icon_file(plat::open_file_read(icon_name));
    if (!icon_file.get()) return Raise(ctx, Err::IconIcoOpen);
    IconImage first;
    if (!CheckIconHead(icon_file.get(), &first)) return Raise(ctx, Err::IconIcoInvalid);
    ImageBlock image(first.size);
    if (!image.data()) return Raise(ctx, Err::IconMemory);
    if (!ReadAt(icon_file.get(), first.offset, image.data(), first.size))
        return Raise(ctx, Err::IconIcoInvalid);
    icon_file.close();

    OpenFile program_file(plat::open_file_update(program_name));
    if (!program_file.get()) return Raise(ctx, Err::IconExeOpen);
    plat::FileHandle handle = program_file.get();
    ProgramBytes bytes;
    bytes.image = ImageSource{ReadFromFile, &handle};
    if (!plat::file_size(handle, &bytes.image.size)) return Raise(ctx, Err::IconExeUnrecognised);
    bytes.write = WriteToFile;
    bytes.target = &handle;
    if (!WriteProgramIcon(ctx, bytes, number, image.data(), first.size)) return 0;
    // The bytes are written; a close that fails still leaves doubt.
    if (!program_file.close()) return Raise(ctx, Err::IconExeInvalid);
    return 1;
}

namespace {

int FnIconReplace(ScriptContext* ctx, int, Value& result, Value* args) {
    if (!ReplaceIcon(ctx, ArgText(ctx, args[1]), ArgText(ctx, args[2]), 1)) return 0;
    result.i = 1;
    return 1;
}

constexpr ModuleFunction kFunctions[] = {
    {"iconreplace", FnIconReplace, 0},
};

} // namespace

const Module kIconModule = MakeModule("icon replacement", kFunctions);

} // namespace jol
