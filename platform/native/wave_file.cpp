#include "platform/native/wave_file.h"

namespace plat::wave {
namespace {

std::uint16_t U16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}
std::uint32_t U32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
bool Tag(const std::uint8_t* p, const char* tag) {
    return p[0] == tag[0] && p[1] == tag[1] && p[2] == tag[2] && p[3] == tag[3];
}

constexpr std::uint16_t kFormatPcm = 1;
constexpr std::uint16_t kFormatExtensible = 0xFFFE;

} // namespace

bool parse(const std::uint8_t* bytes, std::size_t size, Format* out) {
    if (!bytes || size < 12 || !Tag(bytes, "RIFF") || !Tag(bytes + 8, "WAVE")) return false;
    Format f;
    bool have_format = false;
    std::size_t at = 12;
    while (size - at >= 8) {
        const std::uint8_t* chunk = bytes + at;
        const std::uint32_t length = U32(chunk + 4);
        const std::size_t body = at + 8;
        const std::size_t room = size - body;
        if (Tag(chunk, "fmt ")) {
            if (length < 16 || length > room) return false;
            std::uint16_t tag = U16(chunk + 8);
            if (tag == kFormatExtensible) {
                // The sub-format's first two bytes carry the format tag.
                if (length < 40) return false;
                tag = U16(chunk + 8 + 24);
            }
            if (tag != kFormatPcm) return false;
            f.channels = U16(chunk + 10);
            f.rate = U32(chunk + 12);
            f.bits = U16(chunk + 22);
            if (f.channels < 1 || f.channels > 8) return false;
            if (f.bits != 8 && f.bits != 16 && f.bits != 24 && f.bits != 32) return false;
            if (f.rate < 1000 || f.rate > 384000) return false;
            f.frame_bytes = static_cast<std::uint16_t>(f.channels * (f.bits / 8));
            have_format = true;
        } else if (Tag(chunk, "data")) {
            if (!have_format) return false;
            std::size_t data = length < room ? length : room;
            f.data_offset = body;
            f.data_size = data - data % f.frame_bytes;
            *out = f;
            return true;
        }
        // Chunks are padded to an even length.
        const std::uint64_t next = static_cast<std::uint64_t>(body) + length + (length & 1);
        if (next > size) return false;
        at = static_cast<std::size_t>(next);
    }
    return false;
}

} // namespace plat::wave
