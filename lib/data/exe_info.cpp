#include "lib/data/exe_info.h"

#include <cstdio>
#include <string>
#include <vector>

#include "exec/error_report.h"
#include "host/script_context.h"
#include "lib/data/file_functions.h"
#include "lib/data/file_names.h"
#include "lib/data/pe_image.h"
#include "platform/platform.h"
#include "resources/message_table.h"

namespace jol {
namespace {

constexpr int kErrExeMissing = 1240;
constexpr int kErrVerMissing = 1496;
constexpr int kErrVerMemory = 1498;
constexpr int kMsgUnknownExe = 848;

// An open file as an image source.
bool ReadFromFile(void* source, std::uint64_t offset, void* out, std::size_t bytes) {
    const plat::FileHandle f = *static_cast<plat::FileHandle*>(source);
    std::size_t got = 0;
    return plat::seek_file(f, offset) && plat::read_file(f, out, bytes, &got) && got == bytes;
}

int FnExeTypeInfo(ScriptContext* ctx, int, Value& result, Value* args) {
    char full[kFullNameSize];
    if (!FullFileName(ArgText(ctx, args[1]), full, sizeof full) || !*full)
        return FailWith(ctx, kErrExeMissing);
    plat::FileHandle f = plat::open_text_file(full, plat::TextOpen::Read, 1);
    if (!f) return FailWith(ctx, kErrExeMissing);
    std::uint16_t signature = 0;
    const int type = ExecutableType(ImageSource{ReadFromFile, &f}, &signature);
    plat::close_file(f);
    if (type == 99) {
        char text[16], caption[kTextSize];
        std::snprintf(text, sizeof text, "%u", static_cast<unsigned>(signature));
        LoadMessage(ctx, kMsgUnknownExe, caption, sizeof caption);
        ShowMessageBox(ctx, ctx->host_window, text, caption, plat::mb::Ok);
    }
    result.i = type;
    return 1;
}

// The ANSI text of a version value.
std::string Ansi(const std::u16string& w) {
    if (w.empty()) return std::string();
    const std::size_t n = plat::wide_to_ansi(w.data(), w.size(), nullptr, 0);
    std::string out(n, '\0');
    if (n) plat::wide_to_ansi(w.data(), w.size(), out.data(), out.size());
    return out;
}

int FnFileVerInfo(ScriptContext* ctx, int, Value& result, Value* args) {
    char full[kFullNameSize];
    if (!LocateFile(ArgText(ctx, args[1]), full, sizeof full)) return FailWith(ctx, kErrVerMissing);
    plat::FileHandle f = plat::open_text_file(full, plat::TextOpen::Read, 1);
    if (!f) return ResultCopy(ctx, result, "NONE");
    std::vector<unsigned char> resource;
    const VersionResource found = ReadVersionResource(ImageSource{ReadFromFile, &f}, &resource);
    plat::close_file(f);
    if (found == VersionResource::TooLarge) return FailWith(ctx, kErrVerMemory);
    if (found != VersionResource::Found) return ResultCopy(ctx, result, "NONE");
    const std::string language = ArgText(ctx, args[2]);
    const std::string item = ArgText(ctx, args[3]);
    std::u16string value;
    bool have;
    if (language.empty()) {
        have =
            QueryVersionValue(resource, ("\\StringFileInfo\\040904E4\\" + item).c_str(), &value) ||
            QueryVersionValue(resource, ("\\StringFileInfo\\040904B0\\" + item).c_str(), &value);
    } else {
        have = QueryVersionValue(resource, ("\\StringFileInfo\\" + language + "\\" + item).c_str(),
                                 &value);
    }
    return ResultCopy(ctx, result, have ? Ansi(value).c_str() : "");
}

constexpr NamedHandler kNamed[] = {
    {"exetypeinfo", FnExeTypeInfo},
    {"fileverinfo", FnFileVerInfo},
};

} // namespace

const HandlerRow* ExeInfoHandlers(std::size_t* count) {
    static const HandlerRows rows(kNamed);
    return rows.Get(count);
}

} // namespace jol
