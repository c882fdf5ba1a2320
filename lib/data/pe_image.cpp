#include "lib/data/pe_image.h"

#include <cstring>

namespace jol {
namespace {

constexpr std::uint32_t kVersionType = 16;
constexpr std::uint32_t kMaxResource = 16u << 20; // a larger version block is refused
constexpr int kMaxSections = 96;
constexpr std::uint32_t kFixedSignature = 0xFEEF04BDu;

std::uint16_t U16(const unsigned char* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t U32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

bool Read(const ImageSource& image, std::uint64_t offset, void* out, std::size_t bytes) {
    return image.read && image.read(image.source, offset, out, bytes);
}

struct Section {
    std::uint32_t address, size, raw_size, raw_offset;
};

struct Layout {
    std::vector<Section> sections;
    std::uint32_t resource_rva = 0;
    std::uint32_t resource_size = 0;
};

bool ReadLayout(const ImageSource& image, Layout* out) {
    unsigned char mz[64];
    if (!Read(image, 0, mz, sizeof mz) || mz[0] != 'M' || mz[1] != 'Z') return false;
    const std::uint32_t pe = U32(mz + 60);
    unsigned char head[24];
    if (!Read(image, pe, head, sizeof head) || std::memcmp(head, "PE\0\0", 4) != 0) return false;
    const std::uint16_t section_count = U16(head + 6);
    const std::uint16_t optional_size = U16(head + 20);
    if (section_count > kMaxSections || optional_size < 96) return false;
    std::vector<unsigned char> opt(optional_size);
    if (!Read(image, pe + 24, opt.data(), opt.size())) return false;
    const std::uint16_t magic = U16(opt.data());
    std::size_t dirs;
    std::size_t count_at;
    if (magic == 0x10B) {
        count_at = 92;
        dirs = 96;
    } else if (magic == 0x20B) {
        count_at = 108;
        dirs = 112;
    } else {
        return false;
    }
    if (opt.size() < dirs) return false;
    const std::uint32_t count = U32(opt.data() + count_at);
    if (count < 3 || opt.size() < dirs + 3 * 8) return false;
    out->resource_rva = U32(opt.data() + dirs + 16);
    out->resource_size = U32(opt.data() + dirs + 20);
    std::vector<unsigned char> table(static_cast<std::size_t>(section_count) * 40);
    if (!Read(image, pe + 24 + optional_size, table.data(), table.size())) return false;
    for (std::uint16_t i = 0; i < section_count; ++i) {
        const unsigned char* s = table.data() + i * 40;
        out->sections.push_back(Section{U32(s + 12), U32(s + 8), U32(s + 16), U32(s + 20)});
    }
    return out->resource_rva != 0;
}

// The file offset of an address of the loaded image; false outside the
// sections' stored bytes.
bool OffsetOf(const Layout& layout, std::uint32_t rva, std::uint32_t bytes, std::uint64_t* out) {
    for (const Section& s : layout.sections) {
        if (rva < s.address) continue;
        const std::uint64_t at = rva - s.address;
        if (at + bytes > s.raw_size) continue;
        *out = static_cast<std::uint64_t>(s.raw_offset) + at;
        return true;
    }
    return false;
}

// Reads bytes at an offset of the resource directory.
bool ReadResource(const ImageSource& image, const Layout& layout, std::uint32_t offset, void* out,
                  std::uint32_t bytes) {
    if (offset > layout.resource_size || bytes > layout.resource_size - offset) return false;
    std::uint64_t at = 0;
    return OffsetOf(layout, layout.resource_rva + offset, bytes, &at) &&
           Read(image, at, out, bytes);
}

// The entry of a resource directory whose id is want (any entry when want
// is 0): its target offset, with the subdirectory bit.
bool FindEntry(const ImageSource& image, const Layout& layout, std::uint32_t directory,
               std::uint32_t want, std::uint32_t* target) {
    unsigned char head[16];
    if (!ReadResource(image, layout, directory, head, sizeof head)) return false;
    const std::uint32_t count = static_cast<std::uint32_t>(U16(head + 12)) + U16(head + 14);
    for (std::uint32_t i = 0; i < count && i < 4096; ++i) {
        unsigned char entry[8];
        if (!ReadResource(image, layout, directory + 16 + i * 8, entry, sizeof entry)) return false;
        const std::uint32_t name = U32(entry);
        if (want == 0 || (!(name & 0x80000000u) && name == want)) {
            *target = U32(entry + 4);
            return true;
        }
    }
    return false;
}

// One block of a version resource: its key, its value and its children.
struct Block {
    std::size_t start = 0, end = 0; // the whole block
    std::u16string key;
    std::size_t value = 0, value_bytes = 0;
    bool text = false;
    std::size_t children = 0;
};

std::size_t Align4(std::size_t n) {
    return (n + 3) & ~static_cast<std::size_t>(3);
}

bool ParseBlock(const std::vector<unsigned char>& r, std::size_t at, std::size_t limit, Block* b) {
    if (at + 6 > limit) return false;
    const std::size_t length = U16(r.data() + at);
    const std::size_t value_length = U16(r.data() + at + 2);
    b->text = U16(r.data() + at + 4) == 1;
    if (length < 6 || at + length > limit) return false;
    b->start = at;
    b->end = at + length;
    std::size_t p = at + 6;
    b->key.clear();
    while (p + 2 <= b->end) {
        const char16_t c = static_cast<char16_t>(U16(r.data() + p));
        p += 2;
        if (c == 0) break;
        b->key += c;
    }
    p = Align4(p);
    b->value = p;
    b->value_bytes = b->text ? value_length * 2 : value_length;
    if (b->value > b->end) b->value = b->end;
    if (b->value + b->value_bytes > b->end) b->value_bytes = b->end - b->value;
    b->children = Align4(b->value + b->value_bytes);
    return true;
}

char16_t Fold(char16_t c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char16_t>(c - 'a' + 'A') : c;
}

bool SameKey(const std::u16string& key, const std::string& part) {
    if (key.size() != part.size()) return false;
    for (std::size_t i = 0; i < key.size(); ++i)
        if (Fold(key[i]) != Fold(static_cast<unsigned char>(part[i]))) return false;
    return true;
}

} // namespace

int ExecutableType(const ImageSource& image, std::uint16_t* signature) {
    unsigned char mz[64];
    if (!Read(image, 0, mz, sizeof mz) || mz[0] != 'M' || mz[1] != 'Z') return 0;
    if (U16(mz + 24) < 64) return 1;
    unsigned char head[64];
    if (!Read(image, U32(mz + 60), head, sizeof head)) return 1;
    const std::uint16_t sig = U16(head);
    if (signature) *signature = sig;
    switch (sig) {
    case 0x454C: // "LE"
        return 2;
    case 0x454E: // "NE"
        return 3;
    case 0x4550: // "PE"
        return 10;
    default:
        return 99;
    }
}

VersionResource ReadVersionResource(const ImageSource& image, std::vector<unsigned char>* out) {
    Layout layout;
    if (!ReadLayout(image, &layout)) return VersionResource::Missing;
    std::uint32_t type = 0, name = 0, language = 0;
    if (!FindEntry(image, layout, 0, kVersionType, &type) || !(type & 0x80000000u))
        return VersionResource::Missing;
    if (!FindEntry(image, layout, type & 0x7FFFFFFFu, 0, &name) || !(name & 0x80000000u))
        return VersionResource::Missing;
    if (!FindEntry(image, layout, name & 0x7FFFFFFFu, 0, &language) || (language & 0x80000000u))
        return VersionResource::Missing;
    unsigned char data[16];
    if (!ReadResource(image, layout, language, data, sizeof data)) return VersionResource::Missing;
    const std::uint32_t rva = U32(data);
    const std::uint32_t size = U32(data + 4);
    if (size > kMaxResource) return VersionResource::TooLarge;
    std::uint64_t at = 0;
    if (size < 6 || !OffsetOf(layout, rva, size, &at)) return VersionResource::Missing;
    out->assign(size, 0);
    if (!Read(image, at, out->data(), size)) return VersionResource::Missing;
    return VersionResource::Found;
}

bool QueryVersionValue(const std::vector<unsigned char>& resource, const char* path,
                       std::u16string* value) {
    Block block;
    if (!ParseBlock(resource, 0, resource.size(), &block)) return false;
    std::string rest = path ? path : "";
    std::size_t at = 0;
    while (at < rest.size()) {
        while (at < rest.size() && rest[at] == '\\')
            ++at;
        if (at >= rest.size()) break;
        std::size_t end = rest.find('\\', at);
        if (end == std::string::npos) end = rest.size();
        const std::string part = rest.substr(at, end - at);
        at = end;
        bool found = false;
        for (std::size_t child = block.children; child < block.end;) {
            Block b;
            if (!ParseBlock(resource, child, block.end, &b)) break;
            if (SameKey(b.key, part)) {
                block = b;
                found = true;
                break;
            }
            child = Align4(b.end);
        }
        if (!found) return false;
    }
    value->clear();
    for (std::size_t p = block.value; p + 2 <= block.value + block.value_bytes; p += 2) {
        const char16_t c = static_cast<char16_t>(U16(resource.data() + p));
        if (c == 0) break;
        *value += c;
    }
    return true;
}

bool QueryFixedFileInfo(const std::vector<unsigned char>& resource, FixedFileInfo* out) {
    constexpr std::size_t kFixedSize = 52;
    Block root;
    if (!ParseBlock(resource, 0, resource.size(), &root) || root.text ||
        root.value_bytes < kFixedSize)
        return false;
    const unsigned char* v = resource.data() + root.value;
    if (U32(v) != kFixedSignature) return false;
    out->file_version_ms = U32(v + 8);
    out->file_version_ls = U32(v + 12);
    out->product_version_ms = U32(v + 16);
    out->product_version_ls = U32(v + 20);
    out->file_flags = U32(v + 28);
    out->file_os = U32(v + 32);
    out->file_type = U32(v + 36);
    out->file_subtype = U32(v + 40);
    return true;
}

bool ReadFromMemory(void* source, std::uint64_t offset, void* out, std::size_t bytes) {
    const auto* image = static_cast<const std::vector<unsigned char>*>(source);
    if (!image || offset > image->size() || bytes > image->size() - offset) return false;
    std::memcpy(out, image->data() + offset, bytes);
    return true;
}

} // namespace jol
