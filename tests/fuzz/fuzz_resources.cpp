// Fuzz target: arbitrary bytes as a program file, through the resource
// walkers (PE tree and NE table), the version reader and the icon search
// of the icon replacement, with a writer that only checks where it would
// write. Every resource reported inside the file must lie inside it, a
// write must land inside the icon it replaces, and every walk must end.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "host/context/script_context.h"
#include "lib/data/icon_replace.h"
#include "lib/data/pe_image.h"

namespace {

using Bytes = std::vector<unsigned char>;

void Check(bool ok) {
    if (!ok) std::abort();
}

struct Target {
    const Bytes* image;
    std::uint32_t image_size;
};

bool CheckedWrite(void* target, std::uint64_t offset, const void*, std::size_t bytes) {
    const auto* t = static_cast<const Target*>(target);
    Check(bytes == t->image_size);
    Check(offset <= t->image->size() && bytes <= t->image->size() - offset);
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const Bytes image(data, data + size);
    const jol::ImageSource source = jol::MemoryImage(&image);
    const jol::ResourceVisit visit = [&](const jol::ResourceData& found) {
        if (found.inside) Check(found.offset + found.size <= image.size());
        return true;
    };
    for (std::uint16_t type : {3, 14, 16})
        jol::WalkPeResources(source, type, visit);
    for (std::uint16_t type : {0x8003, 0x800E})
        jol::WalkNeResources(source, type, visit);

    std::vector<unsigned char> version;
    if (jol::ReadVersionResource(source, &version) == jol::VersionResource::Found) {
        std::u16string value;
        jol::QueryVersionValue(version, "\\StringFileInfo\\040904E4\\FileVersion", &value);
        jol::FixedFileInfo fixed;
        jol::QueryFixedFileInfo(version, &fixed);
    }

    // The icon search for the first two icons, with images of a few sizes.
    static jol::ScriptContext* ctx = new jol::ScriptContext();
    static const Bytes new_image(4096, 0x5A);
    for (std::int32_t number : {1, 2}) {
        for (std::uint32_t bytes : {40u, 296u, 744u}) {
            *ctx = jol::ScriptContext();
            Target target{&image, bytes};
            jol::ProgramBytes program;
            program.image = source;
            program.write = CheckedWrite;
            program.target = &target;
            const int done = jol::WriteProgramIcon(ctx, program, number, new_image.data(), bytes);
            Check(done == (ctx->error_code == 0 ? 1 : 0));
        }
    }
    return 0;
}
