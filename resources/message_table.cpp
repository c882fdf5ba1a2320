#include "resources/message_table.h"

#include <cstring>

namespace jol {
namespace {

struct Message {
    int id;
    const char* text;
};

// Sorted by id.
constexpr Message kMessages[] = {
    {99, "2.3nbp"},
    {730, " popup menu"},
    {731, " menu item"},
    {837, "Internal Error"},
    {863, "Could not access Extender Entry 0x02"},
    {864, "Could not access Extender Entry 0x03"},
};

} // namespace

const char* MessageText(int id) {
    std::size_t lo = 0, hi = sizeof kMessages / sizeof kMessages[0];
    while (lo < hi) {
        std::size_t mid = (lo + hi) / 2;
        if (kMessages[mid].id == id) return kMessages[mid].text;
        if (kMessages[mid].id < id)
            lo = mid + 1;
        else
            hi = mid;
    }
    return nullptr;
}

bool LoadMessage(int id, char* out, std::size_t out_size) {
    if (!out || out_size == 0) return false;
    const char* text = MessageText(id);
    if (!text) {
        *out = 0;
        return false;
    }
    std::size_t n = std::strlen(text);
    if (n > out_size - 1) n = out_size - 1;
    std::memcpy(out, text, n);
    out[n] = 0;
    return true;
}

} // namespace jol
