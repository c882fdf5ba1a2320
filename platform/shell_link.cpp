#include "platform/shell_link.h"

#include <cstring>

namespace plat::lnk {
namespace {

constexpr std::uint32_t kHeaderSize = 0x4C;
constexpr unsigned char kClassId[16] = {0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                        0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
constexpr std::uint32_t kEnvironmentBlockSize = 0x314; // 260 code-page bytes, 260 UTF-16 units
constexpr std::size_t kEnvironmentChars = 260;

// Link information flags and sizes.
constexpr std::uint32_t kVolumeAndLocalPath = 1;
constexpr std::uint32_t kNetworkAndSuffix = 2;
constexpr std::uint32_t kInfoHeaderMin = 0x1C;
constexpr std::uint32_t kInfoHeaderUnicode = 0x24;
constexpr std::uint32_t kNetworkHeaderMin = 0x14;

// A bounded view of bytes; every read checks its range.
class Reader {
public:
    Reader(const unsigned char* data, std::size_t size) : data_(data), size_(size) {}
    std::size_t size() const { return size_; }
    bool Has(std::size_t at, std::size_t n) const { return at <= size_ && n <= size_ - at; }
    std::uint16_t U16(std::size_t at) const {
        return static_cast<std::uint16_t>(data_[at] | (data_[at + 1] << 8));
    }
    std::uint32_t U32(std::size_t at) const {
        return static_cast<std::uint32_t>(data_[at]) |
               (static_cast<std::uint32_t>(data_[at + 1]) << 8) |
               (static_cast<std::uint32_t>(data_[at + 2]) << 16) |
               (static_cast<std::uint32_t>(data_[at + 3]) << 24);
    }
    std::uint64_t U64(std::size_t at) const {
        return U32(at) | (static_cast<std::uint64_t>(U32(at + 4)) << 32);
    }
    const unsigned char* At(std::size_t at) const { return data_ + at; }
    // A zero-terminated string of bytes starting at an offset; false when
    // its end is not inside the view.
    bool Text(std::size_t at, std::string* out) const {
        if (at >= size_) return false;
        const void* end = std::memchr(data_ + at, 0, size_ - at);
        if (!end) return false;
        out->assign(reinterpret_cast<const char*>(data_ + at),
                    static_cast<const unsigned char*>(end) - (data_ + at));
        return true;
    }
    // The same for UTF-16 units.
    bool WideText(std::size_t at, std::u16string* out) const {
        out->clear();
        for (std::size_t i = at; Has(i, 2); i += 2) {
            const char16_t c = U16(i);
            if (c == 0) return true;
            out->push_back(c);
        }
        return false;
    }

private:
    const unsigned char* data_;
    std::size_t size_;
};

bool ValidIdList(const Reader& list) {
    std::size_t at = 0;
    while (list.Has(at, 2)) {
        const std::uint16_t n = list.U16(at);
        if (n == 0) return at + 2 == list.size();
        if (n < 2 || !list.Has(at, n)) return false;
        at += n;
    }
    return false;
}

bool ParseLinkInfo(const Reader& info, ShellLink* out) {
    if (!info.Has(0, kInfoHeaderMin)) return false;
    const std::uint32_t header = info.U32(4);
    const std::uint32_t flags = info.U32(8);
    if (header < kInfoHeaderMin || !info.Has(0, header)) return false;
    if (flags & kVolumeAndLocalPath) {
        const std::uint32_t volume = info.U32(12);
        if (!info.Has(volume, 4) || info.U32(volume) < 0x10 || !info.Has(volume, info.U32(volume)))
            return false;
        if (!info.Text(info.U32(16), &out->local_base_path)) return false;
        if (header >= kInfoHeaderUnicode && info.U32(28) != 0 &&
            !info.WideText(info.U32(28), &out->local_base_path_w))
            return false;
    }
    if (flags & kNetworkAndSuffix) {
        const std::uint32_t at = info.U32(20);
        if (!info.Has(at, kNetworkHeaderMin)) return false;
        const std::uint32_t size = info.U32(at);
        if (size < kNetworkHeaderMin || !info.Has(at, size)) return false;
        const Reader net(info.At(at), size);
        if (!net.Text(net.U32(8), &out->net_name)) return false;
    }
    if (!info.Text(info.U32(24), &out->common_path_suffix)) return false;
    if (header >= kInfoHeaderUnicode && info.U32(32) != 0 &&
        !info.WideText(info.U32(32), &out->common_path_suffix_w))
        return false;
    return true;
}

void Put16(std::string& s, std::uint32_t v) {
    s.push_back(static_cast<char>(v & 0xFF));
    s.push_back(static_cast<char>((v >> 8) & 0xFF));
}

void Put32(std::string& s, std::uint32_t v) {
    Put16(s, v & 0xFFFF);
    Put16(s, v >> 16);
}

void Set32(std::string& s, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        s[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

} // namespace

bool Parse(const unsigned char* data, std::size_t size, ShellLink* out) {
    *out = ShellLink{};
    const Reader file(data, size);
    if (!file.Has(0, kHeaderSize) || file.U32(0) != kHeaderSize ||
        std::memcmp(file.At(4), kClassId, sizeof kClassId) != 0)
        return false;
    out->flags = file.U32(20);
    out->file_attributes = file.U32(24);
    for (int i = 0; i < 3; ++i)
        out->times[i] = file.U64(28 + 8 * i);
    out->file_size = file.U32(52);
    out->icon_index = static_cast<std::int32_t>(file.U32(56));
    out->show_command = file.U32(60);
    out->hotkey = file.U16(64);
    std::size_t at = kHeaderSize;

    if (out->flags & flag::HasIdList) {
        if (!file.Has(at, 2)) return false;
        const std::uint16_t n = file.U16(at);
        at += 2;
        if (!file.Has(at, n) || !ValidIdList(Reader(file.At(at), n))) return false;
        out->id_list.assign(reinterpret_cast<const char*>(file.At(at)), n);
        at += n;
    }
    if (out->flags & flag::HasLinkInfo) {
        if (!file.Has(at, 4)) return false;
        const std::uint32_t n = file.U32(at);
        if (n < 4 || !file.Has(at, n)) return false;
        if (!ParseLinkInfo(Reader(file.At(at), n), out)) return false;
        out->link_info.assign(reinterpret_cast<const char*>(file.At(at)), n);
        at += n;
    }
    const bool unicode = out->flags & flag::IsUnicode;
    const std::uint32_t string_flags[] = {flag::HasName, flag::HasRelativePath, flag::HasWorkingDir,
                                          flag::HasArguments, flag::HasIconLocation};
    Units* strings[] = {&out->name, &out->relative_path, &out->working_dir, &out->arguments,
                        &out->icon_location};
    for (int i = 0; i < 5; ++i) {
        if (!(out->flags & string_flags[i])) continue;
        if (!file.Has(at, 2)) return false;
        const std::size_t count = file.U16(at);
        at += 2;
        const std::size_t bytes = unicode ? count * 2 : count;
        if (!file.Has(at, bytes)) return false;
        Units& s = *strings[i];
        s.resize(count);
        for (std::size_t k = 0; k < count; ++k)
            s[k] = unicode ? file.U16(at + 2 * k) : file.At(at)[k];
        at += bytes;
    }
    // Extra data: blocks until one shorter than four bytes or the end of
    // the file.
    while (file.Has(at, 4)) {
        const std::uint32_t n = file.U32(at);
        if (n < 4) break;
        if (n < 8 || !file.Has(at, n)) return false;
        ExtraBlock b;
        b.signature = file.U32(at + 4);
        b.data.assign(reinterpret_cast<const char*>(file.At(at + 8)), n - 8);
        if (b.signature == block::Environment && n != kEnvironmentBlockSize) return false;
        out->extra.push_back(std::move(b));
        at += n;
    }
    return true;
}

bool HeaderShowCommand(const unsigned char* data, std::size_t size, std::uint32_t* show) {
    const Reader file(data, size);
    if (!file.Has(0, kHeaderSize) || file.U32(0) != kHeaderSize ||
        std::memcmp(file.At(4), kClassId, sizeof kClassId) != 0)
        return false;
    *show = file.U32(60);
    return true;
}

std::string LocalLinkInfo(const std::string& path, const std::u16string& wide) {
    std::string s;
    Put32(s, 0); // the size, set at the end
    Put32(s, kInfoHeaderUnicode);
    Put32(s, kVolumeAndLocalPath);
    Put32(s, kInfoHeaderUnicode); // the volume id follows the header
    Put32(s, 0);                  // local base path, set below
    Put32(s, 0);                  // no network share
    Put32(s, 0);                  // common path suffix, set below
    Put32(s, 0);                  // Unicode local base path, set below
    Put32(s, 0);                  // Unicode common path suffix, set below
    // The volume id: its size, a fixed disk, no serial number, an empty
    // label right after it.
    Put32(s, 0x11);
    Put32(s, 3);
    Put32(s, 0);
    Put32(s, 0x10);
    s.push_back(0);
    Set32(s, 16, static_cast<std::uint32_t>(s.size()));
    s.append(path.c_str()); // up to a zero byte, should the text hold one
    s.push_back(0);
    Set32(s, 24, static_cast<std::uint32_t>(s.size()));
    s.push_back(0);
    Set32(s, 28, static_cast<std::uint32_t>(s.size()));
    for (char16_t c : wide) {
        if (c == 0) break;
        Put16(s, c);
    }
    Put16(s, 0);
    Set32(s, 32, static_cast<std::uint32_t>(s.size()));
    Put16(s, 0);
    Set32(s, 0, static_cast<std::uint32_t>(s.size()));
    return s;
}

std::string Serialize(const ShellLink& link) {
    std::uint32_t flags = link.flags & ~(flag::HasIdList | flag::HasLinkInfo);
    if (!link.id_list.empty()) flags |= flag::HasIdList;
    if (!link.link_info.empty()) flags |= flag::HasLinkInfo;
    const bool unicode = flags & flag::IsUnicode;
    std::string s;
    Put32(s, kHeaderSize);
    s.append(reinterpret_cast<const char*>(kClassId), sizeof kClassId);
    Put32(s, flags);
    Put32(s, link.file_attributes);
    for (std::uint64_t t : link.times) {
        Put32(s, static_cast<std::uint32_t>(t));
        Put32(s, static_cast<std::uint32_t>(t >> 32));
    }
    Put32(s, link.file_size);
    Put32(s, static_cast<std::uint32_t>(link.icon_index));
    Put32(s, link.show_command);
    Put16(s, link.hotkey);
    Put16(s, 0);
    Put32(s, 0);
    Put32(s, 0);
    if (flags & flag::HasIdList) {
        Put16(s, static_cast<std::uint32_t>(link.id_list.size()));
        s += link.id_list;
    }
    if (flags & flag::HasLinkInfo) s += link.link_info;
    const std::uint32_t string_flags[] = {flag::HasName, flag::HasRelativePath, flag::HasWorkingDir,
                                          flag::HasArguments, flag::HasIconLocation};
    const Units* strings[] = {&link.name, &link.relative_path, &link.working_dir, &link.arguments,
                              &link.icon_location};
    for (int i = 0; i < 5; ++i) {
        if (!(flags & string_flags[i])) continue;
        const Units& text = *strings[i];
        const std::size_t count = text.size() > 0xFFFF ? 0xFFFF : text.size();
        Put16(s, static_cast<std::uint32_t>(count));
        for (std::size_t k = 0; k < count; ++k) {
            if (unicode)
                Put16(s, text[k]);
            else
                s.push_back(static_cast<char>(text[k] & 0xFF));
        }
    }
    for (const ExtraBlock& b : link.extra) {
        Put32(s, static_cast<std::uint32_t>(b.data.size() + 8));
        Put32(s, b.signature);
        s += b.data;
    }
    Put32(s, 0);
    return s;
}

bool EnvironmentTarget(const ShellLink& link, std::u16string* target, bool* wide) {
    for (const ExtraBlock& b : link.extra) {
        if (b.signature != block::Environment) continue;
        // The block's size was checked when it was read.
        const Reader r(reinterpret_cast<const unsigned char*>(b.data.data()), b.data.size());
        std::u16string w;
        for (std::size_t k = 0; k < kEnvironmentChars; ++k) {
            const char16_t c = r.U16(kEnvironmentChars + 2 * k);
            if (c == 0) break;
            w.push_back(c);
        }
        if (!w.empty()) {
            *target = w;
            *wide = true;
            return true;
        }
        target->clear();
        for (std::size_t k = 0; k < kEnvironmentChars && r.At(0)[k]; ++k)
            target->push_back(r.At(0)[k]);
        *wide = false;
        return true;
    }
    return false;
}

} // namespace plat::lnk
