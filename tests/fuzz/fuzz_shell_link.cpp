// Fuzz target: arbitrary bytes as a shortcut file, through the reader of
// the file format. A file it takes must write back as a file it takes
// again, with the same parts, and that one must write back to the same
// bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/shell_link.h"

namespace {

bool ParseBytes(const std::string& bytes, plat::lnk::ShellLink* out) {
    return plat::lnk::Parse(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(),
                            out);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    plat::lnk::ShellLink link;
    if (!plat::lnk::Parse(data, size, &link)) return 0;
    // Touch what the backends read of it.
    std::u16string target;
    bool wide = false;
    plat::lnk::EnvironmentTarget(link, &target, &wide);

    const std::string once = plat::lnk::Serialize(link);
    plat::lnk::ShellLink again;
    if (!ParseBytes(once, &again)) std::abort();
    if (again.local_base_path != link.local_base_path || again.net_name != link.net_name ||
        again.arguments != link.arguments || again.name != link.name ||
        again.working_dir != link.working_dir || again.icon_location != link.icon_location ||
        again.hotkey != link.hotkey || again.show_command != link.show_command ||
        again.extra.size() != link.extra.size())
        std::abort();
    if (plat::lnk::Serialize(again) != once) std::abort();
    return 0;
}
