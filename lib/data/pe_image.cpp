#include "lib/data/pe_image.h"

#include <algorithm>
#include <cstring>
#include <unordered_set>
#include <utility>

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

constexpr std::uint32_t kSubdirectory = 0x80000000u;
constexpr std::size_t kMaxOptionalHeader = 4096;

struct Section {
    char name[8];
    std::uint32_t address, size, raw_size, raw_offset;
};

// The sections of a PE program and the place of its resource directory.
struct Layout {
    std::vector<Section> sections;
    // The resource section: its address, the file offset and count of its
    // stored bytes (cut at the file's end), and the root directory's place
    // among them.
    std::uint32_t section_rva = 0;
    std::uint64_t section_at = 0;
    std::uint32_t section_stored = 0;
    std::uint32_t root = 0;
    // The bytes from the root on, where the tree's offsets point.
    std::uint32_t extent() const { return section_stored - root; }
};

bool IsResourceName(const char* name) {
    static const char kName[] = ".rsrc";
    for (int i = 0; i < 5; ++i) {
        char c = name[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != kName[i]) return false;
    }
    return true;
}

// The bytes of a section that the file stores, cut at the file's end; false
// when its stored bytes begin beyond the end.
bool StoredBytes(const ImageSource& image, const Section& s, std::uint32_t* stored) {
    std::uint64_t n = s.raw_size;
    if (image.size) {
        if (s.raw_offset > image.size) return false;
        if (n > image.size - s.raw_offset) n = image.size - s.raw_offset;
    }
    *stored = static_cast<std::uint32_t>(n);
    return true;
}

// Reads the section table (after the file header and the optional header,
// whatever size the file header gives it) and finds the resource
// directory: at the address of data directory 2, or else at the start of
// the section named ".rsrc".
ResourceWalk ReadLayout(const ImageSource& image, Layout* out) {
    unsigned char mz[64];
    if (!Read(image, 0, mz, sizeof mz) || mz[0] != 'M' || mz[1] != 'Z')
        return ResourceWalk::Damaged;
    const std::uint32_t pe = U32(mz + 60);
    unsigned char head[24];
    if (!Read(image, pe, head, sizeof head) || std::memcmp(head, "PE\0\0", 4) != 0)
        return ResourceWalk::Damaged;
    const std::uint16_t section_count = U16(head + 6);
    const std::uint16_t optional_size = U16(head + 20);
    if (section_count > kMaxSections || optional_size > kMaxOptionalHeader)
        return ResourceWalk::Damaged;
    std::vector<unsigned char> opt(optional_size);
    if (!opt.empty() && !Read(image, pe + 24, opt.data(), opt.size())) return ResourceWalk::Damaged;
    std::uint32_t directory_rva = 0;
    if (opt.size() >= 2) {
        const std::uint16_t magic = U16(opt.data());
        const std::size_t count_at = magic == 0x20B ? 108 : 92;
        const std::size_t dirs = count_at + 4;
        if ((magic == 0x10B || magic == 0x20B) && opt.size() >= dirs + 3 * 8 &&
            U32(opt.data() + count_at) >= 3)
            directory_rva = U32(opt.data() + dirs + 16);
    }
    std::vector<unsigned char> table(static_cast<std::size_t>(section_count) * 40);
    if (!table.empty() && !Read(image, static_cast<std::uint64_t>(pe) + 24 + optional_size,
                                table.data(), table.size()))
        return ResourceWalk::Damaged;
    for (std::uint16_t i = 0; i < section_count; ++i) {
        const unsigned char* t = table.data() + i * 40;
        Section s{};
        std::memcpy(s.name, t, 8);
        s.size = U32(t + 8);
        s.address = U32(t + 12);
        s.raw_size = U32(t + 16);
        s.raw_offset = U32(t + 20);
        out->sections.push_back(s);
    }
    for (const Section& s : out->sections) {
        std::uint32_t stored = 0;
        std::uint32_t at = 0;
        if (directory_rva != 0) {
            if (directory_rva < s.address || directory_rva - s.address >= s.raw_size) continue;
            at = directory_rva - s.address;
        } else if (!IsResourceName(s.name)) {
            continue;
        }
        if (!StoredBytes(image, s, &stored)) return ResourceWalk::Damaged;
        // Stored bytes past the section's size in memory are padding that
        // is never loaded.
        if (s.size != 0 && s.size < stored) stored = s.size;
        if (at >= stored) return ResourceWalk::Damaged;
        out->section_rva = s.address;
        out->section_at = s.raw_offset;
        out->section_stored = stored;
        out->root = at;
        return ResourceWalk::Done;
    }
    // A data directory that points into no section's stored bytes is damage;
    // no directory and no section of the name is a program without resources.
    return directory_rva != 0 ? ResourceWalk::Damaged : ResourceWalk::NoResources;
}

// The file offset of an address of the loaded image; false outside the
// sections' stored bytes.
bool OffsetOf(const ImageSource& image, const Layout& layout, std::uint32_t rva,
              std::uint32_t bytes, std::uint64_t* out) {
    for (const Section& s : layout.sections) {
        std::uint32_t stored = 0;
        if (rva < s.address || !StoredBytes(image, s, &stored)) continue;
        const std::uint64_t at = rva - s.address;
        if (at + bytes > stored) continue;
        *out = static_cast<std::uint64_t>(s.raw_offset) + at;
        return true;
    }
    return false;
}

// The walk of a PE resource tree. Every directory lies in the resource
// section's stored bytes and is entered once (a tree that leads back to a
// directory is damaged), and the entries read in all are bounded by what
// the section can hold without overlapping, so the walk ends in time
// linear in the section's size whatever the file says.
class TreeWalk {
public:
    TreeWalk(const ImageSource& image, const Layout& layout, ResourceVisit visit)
        : image_(image), layout_(layout), visit_(std::move(visit)),
          budget_(layout.extent() / 8 + 1) {}

    enum Step { Go, Stop, Bad };

    Step Root(std::uint16_t type) {
        std::uint32_t count = 0;
        if (!Enter(0, &count)) return Bad;
        for (std::uint32_t i = 0; i < count; ++i) {
            unsigned char entry[8];
            if (!ReadAt(16 + i * 8, entry, sizeof entry)) return Bad;
            const std::uint32_t name = U32(entry);
            if ((name & kSubdirectory) || name != type) continue;
            const std::uint32_t target = U32(entry + 4);
            if (!(target & kSubdirectory)) return Bad;
            const Step step = Directory(target & ~kSubdirectory, 2);
            if (step != Go) return step;
        }
        return Go;
    }

private:
    bool ReadAt(std::uint64_t offset, void* out, std::size_t bytes) {
        const std::uint32_t extent = layout_.extent();
        if (offset > extent || bytes > extent - offset) return false;
        return Read(image_, layout_.section_at + layout_.root + offset, out, bytes);
    }

    // Checks a directory's header and entry array and takes its entries
    // from the budget.
    bool Enter(std::uint32_t at, std::uint32_t* count) {
        if (!entered_.insert(at).second) return false;
        unsigned char head[16];
        if (!ReadAt(at, head, sizeof head)) return false;
        *count = static_cast<std::uint32_t>(U16(head + 12)) + U16(head + 14);
        if (*count > budget_) return false;
        budget_ -= *count;
        const std::uint64_t end = static_cast<std::uint64_t>(at) + 16 + *count * 8ull;
        return end <= layout_.extent();
    }

    Step Directory(std::uint32_t at, int level) {
        std::uint32_t count = 0;
        if (!Enter(at, &count)) return Bad;
        for (std::uint32_t i = 0; i < count; ++i) {
            unsigned char entry[8];
            if (!ReadAt(static_cast<std::uint64_t>(at) + 16 + i * 8, entry, sizeof entry))
                return Bad;
            const std::uint32_t target = U32(entry + 4);
            Step step;
            if (target & kSubdirectory) {
                // Type, name and language: nothing lies deeper.
                if (level >= 3) return Bad;
                step = Directory(target & ~kSubdirectory, level + 1);
            } else {
                step = Leaf(target);
            }
            if (step != Go) return step;
        }
        return Go;
    }

    Step Leaf(std::uint32_t at) {
        unsigned char data[16];
        if (!ReadAt(at, data, sizeof data)) return Bad;
        ResourceData found;
        found.address = U32(data);
        found.size = U32(data + 4);
        const std::uint32_t from = found.address;
        const std::uint32_t stored = layout_.section_stored;
        if (from >= layout_.section_rva && from - layout_.section_rva <= stored &&
            found.size <= stored - (from - layout_.section_rva)) {
            found.offset = layout_.section_at + (from - layout_.section_rva);
            found.inside = true;
        }
        return visit_(found) ? Go : Stop;
    }

    const ImageSource& image_;
    const Layout& layout_;
    ResourceVisit visit_;
    std::uint32_t budget_;
    std::unordered_set<std::uint32_t> entered_;
};

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

ResourceWalk WalkPeResources(const ImageSource& image, std::uint16_t type,
                             const ResourceVisit& visit) {
    Layout layout;
    const ResourceWalk found = ReadLayout(image, &layout);
    if (found != ResourceWalk::Done) return found;
    TreeWalk walk(image, layout, visit);
    return walk.Root(type) == TreeWalk::Bad ? ResourceWalk::Damaged : ResourceWalk::Done;
}

ResourceWalk WalkNeResources(const ImageSource& image, std::uint16_t type,
                             const ResourceVisit& visit) {
    constexpr unsigned kMaxShift = 15;
    unsigned char mz[64];
    if (!Read(image, 0, mz, sizeof mz) || mz[0] != 'M' || mz[1] != 'Z')
        return ResourceWalk::Damaged;
    const std::uint64_t ne = U32(mz + 60);
    unsigned char head[64];
    if (!Read(image, ne, head, sizeof head) || head[0] != 'N' || head[1] != 'E')
        return ResourceWalk::Damaged;
    const std::uint16_t table = U16(head + 36);
    const std::uint16_t names = U16(head + 38);
    if (table == names) return ResourceWalk::NoResources;
    // The table ends where the resident-name table begins when that lies
    // after it, else at the end of the file.
    std::uint64_t end = names > table ? ne + names : UINT64_MAX;
    if (image.size && end > image.size) end = image.size;
    std::uint64_t at = ne + table;
    auto take = [&](void* out, std::size_t bytes) {
        if (at > end || bytes > end - at || !Read(image, at, out, bytes)) return false;
        at += bytes;
        return true;
    };
    unsigned char shift_field[2];
    if (!take(shift_field, 2)) return ResourceWalk::Damaged;
    const unsigned shift = U16(shift_field);
    if (shift > kMaxShift) return ResourceWalk::Damaged;
    // Each round moves on by at least eight bytes towards the end.
    for (;;) {
        unsigned char record[8];
        if (!take(record, 2)) return ResourceWalk::Damaged;
        const std::uint16_t id = U16(record);
        if (id == 0) return ResourceWalk::Done;
        if (!take(record + 2, 6)) return ResourceWalk::Damaged;
        const std::uint16_t count = U16(record + 2);
        if (at > end || count * 12ull > end - at) return ResourceWalk::Damaged;
        for (std::uint16_t i = 0; i < count; ++i) {
            unsigned char entry[12];
            if (!take(entry, sizeof entry)) return ResourceWalk::Damaged;
            if (id != type) continue;
            ResourceData found;
            found.offset = static_cast<std::uint64_t>(U16(entry)) << shift;
            found.size = static_cast<std::uint32_t>(U16(entry + 2)) << shift;
            // Resource data lies after the header and its tables.
            found.inside = image.size != 0 && found.offset >= ne + std::max(table, names) &&
                           found.offset + found.size <= image.size;
            if (!visit(found)) return ResourceWalk::Done;
        }
    }
}

VersionResource ReadVersionResource(const ImageSource& image, std::vector<unsigned char>* out) {
    Layout layout;
    if (ReadLayout(image, &layout) != ResourceWalk::Done) return VersionResource::Missing;
    ResourceData data;
    bool have = false;
    TreeWalk walk(image, layout, [&](const ResourceData& found) {
        data = found;
        have = true;
        return false;
    });
    if (walk.Root(kVersionType) == TreeWalk::Bad || !have) return VersionResource::Missing;
    if (data.size > kMaxResource) return VersionResource::TooLarge;
    // The version data may lie in another section than the directory.
    std::uint64_t at = data.offset;
    if (data.size < 6 || (!data.inside && !OffsetOf(image, layout, data.address, data.size, &at)))
        return VersionResource::Missing;
    out->assign(data.size, 0);
    if (!Read(image, at, out->data(), data.size)) return VersionResource::Missing;
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
    if (bytes) std::memcpy(out, image->data() + offset, bytes);
    return true;
}

ImageSource MemoryImage(const std::vector<unsigned char>* bytes) {
    return ImageSource{ReadFromMemory, const_cast<std::vector<unsigned char>*>(bytes),
                       bytes ? bytes->size() : 0};
}

} // namespace jol
