// Comparing texts without regard to letter case, shared by the backends:
// both map single letters through the code page's case rules.
#include "platform/text.h"

namespace plat {

bool same_text_ignoring_case(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (is_lead_byte(static_cast<unsigned char>(a[i])) && i + 1 < a.size()) {
            if (a[i] != b[i] || a[i + 1] != b[i + 1]) return false;
            ++i;
        } else if (to_upper_char(a[i]) != to_upper_char(b[i])) {
            return false;
        }
    }
    return true;
}

} // namespace plat
