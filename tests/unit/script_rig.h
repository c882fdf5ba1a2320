// A script environment for the run-loop and script-loading tests: a
// context, variable table and string heap set up through DoDaDllInit as a
// host does, runs through ProcessDaBatBuffer, and the context bound (its
// variable table and heap locked) for calls into the run loop directly.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "host/context/script_context.h"
#include "host/entry_points.h"
#include "host/process_buffer.h"
#include "host/script_run.h"
#include "lang/string_heap.h"
#include "lang/variables.h"
#include "platform/memory.h"
#include "tests/unit/test_support.h"

namespace test {

class ScriptRig {
public:
    explicit ScriptRig(unsigned var_entries = 200, unsigned heap_bytes = 16384) {
        home_.emplace();
        context_ = plat::mem_alloc(sizeof(jol::ScriptContext));
        vars_ = plat::mem_alloc(sizeof(jol::VarEntry) * var_entries);
        heap_ = plat::mem_alloc(heap_bytes);
        ok_ = context_ && vars_ && heap_ &&
              DoDaDllInit(0, context_, 0, 1, 0, nullptr, nullptr) == 52 &&
              DoDaDllInit(0, context_, vars_, 2, var_entries, "TESTHOST", "TESTHOST.INI") == 1 &&
              DoDaDllInit(0, context_, heap_, 3, heap_bytes, "tag", nullptr) == 1;
    }
    ~ScriptRig() {
        Unbind();
        if (ok_) DoDaDllInit(0, context_, 0, 99, 0, nullptr, nullptr);
        for (plat::MemHandle h : {context_, vars_, heap_})
            if (h) plat::mem_free(h);
        std::error_code ec;
        for (const std::string& f : files_)
            std::filesystem::remove(f, ec);
    }
    ScriptRig(const ScriptRig&) = delete;
    ScriptRig& operator=(const ScriptRig&) = delete;

    bool ok() const { return ok_; }
    plat::MemHandle context() const { return context_; }

    // A script block holding the bytes and two zero bytes.
    static plat::MemHandle Block(const std::string& bytes) {
        plat::MemHandle b = plat::mem_alloc(bytes.size() + 2);
        if (void* p = plat::mem_lock(b)) {
            std::memcpy(p, bytes.data(), bytes.size());
            plat::mem_unlock(b);
        }
        return b;
    }

    // Runs the text through ProcessDaBatBuffer, with the host's callback
    // and keyword rows when given; its result.
    int Run(const std::string& text, jol::ExtenderEntry callback = nullptr,
            const jol::KeywordEntry* host_rows = nullptr) {
        Unbind();
        plat::MemHandle b = Block(text);
        int r = ProcessDaBatBuffer(0, context_, b, callback,
                                   reinterpret_cast<const JolKeywordEntry*>(host_rows));
        plat::mem_free(b);
        return r;
    }

    // The context locked (not bound); Unlock after use.
    jol::ScriptContext* Lock() {
        return static_cast<jol::ScriptContext*>(plat::mem_lock(context_));
    }
    void Unlock() { plat::mem_unlock(context_); }

    jol::LastRun LastRun() {
        jol::LastRun r = Lock()->last_run;
        Unlock();
        return r;
    }

    // The context with its variable table and heap bound, as during a run.
    jol::ScriptContext* Bind() {
        if (bound_) return bound_;
        auto* ctx = Lock();
        ctx->vars = static_cast<jol::VarEntry*>(plat::mem_lock(vars_));
        ctx->heap.base = static_cast<char*>(plat::mem_lock(heap_));
        bound_ = ctx;
        return ctx;
    }
    void Unbind() {
        if (!bound_) return;
        bound_->vars = nullptr;
        bound_->heap.base = nullptr;
        plat::mem_unlock(vars_);
        plat::mem_unlock(heap_);
        Unlock();
        bound_ = nullptr;
    }

    // The text of a variable, or "<none>" when it has no value.
    std::string Var(const char* name) {
        const bool was_bound = bound_ != nullptr;
        jol::ScriptContext* ctx = Bind();
        char buf[4096];
        std::string out = jol::GetVariableText(ctx, name, buf, sizeof buf) ? buf : "<none>";
        if (!was_bound) Unbind();
        return out;
    }

    std::uint32_t HeapFree() {
        const bool was_bound = bound_ != nullptr;
        std::uint32_t n = jol::HeapFreeTotal(Bind()->heap.base);
        if (!was_bound) Unbind();
        return n;
    }

    // Writes a file in the temporary folder (removed with the rig); its path.
    std::string File(const std::string& name, const std::string& bytes) {
        std::filesystem::path p = std::filesystem::path(home_->path()) / name;
        std::ofstream(p, std::ios::binary)
            .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        files_.push_back(p.string());
        return p.string();
    }
    const std::string& folder() const { return home_->path(); }

private:
    std::optional<TempHome> home_;
    plat::MemHandle context_ = 0, vars_ = 0, heap_ = 0;
    jol::ScriptContext* bound_ = nullptr;
    bool ok_ = false;
    std::vector<std::string> files_;
};

// UTF-16 little-endian bytes of a text of ASCII characters and \u escapes
// given as char16_t.
inline std::string Utf16(const std::u16string& text, bool mark = true) {
    std::string out;
    if (mark) out += "\xFF\xFE";
    for (char16_t c : text) {
        out += static_cast<char>(c & 0xFF);
        out += static_cast<char>(c >> 8);
    }
    return out;
}

} // namespace test
