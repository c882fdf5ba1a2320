// A context with a string heap for calling the handlers of library
// functions directly, as the dispatcher does: arguments are placed in the
// argument slots already converted, the result is read back and every
// string is released again, so a test can check that nothing leaks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "dispatch/handler.h"
#include "dispatch/int_control.h"
#include "dispatch/run_options.h"
#include "host/context/script_context.h"
#include "lang/keyword_table.h"
#include "lang/string_heap.h"

namespace test {

struct HandlerArg {
    enum class Kind { Text, Integer, Float } kind;
    std::string text;
    std::int32_t i = 0;
    double f = 0.0;
    HandlerArg(const char* s) : kind(Kind::Text), text(s) {}
    HandlerArg(const std::string& s) : kind(Kind::Text), text(s) {}
    HandlerArg(int n) : kind(Kind::Integer), i(n) {}
    HandlerArg(double x) : kind(Kind::Float), f(x) {}
};

struct HandlerResult {
    int error = 0;      // the context's error code after the call
    bool text = false;  // a string result
    std::string s;      // its text
    std::int32_t i = 0; // the integer view
};

class HandlerRig {
public:
    explicit HandlerRig(std::uint32_t heap_bytes = 65532)
        : heap_(heap_bytes), ctx_(new jol::ScriptContext()) {
        jol::InitRunOptions(ctx_->options, true);
        ctx_->heap.size = jol::FormatStringHeap(heap_.data(), heap_.size(),
                                                static_cast<std::uint32_t>(heap_bytes));
        ctx_->heap.base = heap_.data();
    }
    ~HandlerRig() { delete ctx_; }
    HandlerRig(const HandlerRig&) = delete;
    HandlerRig& operator=(const HandlerRig&) = delete;

    jol::ScriptContext* ctx() { return ctx_; }
    std::uint32_t HeapFree() const { return jol::HeapFreeTotal(heap_.data()); }

    // Calls the handler of id from a module's functions; the error code is
    // cleared first.
    HandlerResult Call(const jol::Module& module, int id, std::initializer_list<HandlerArg> args) {
        HandlerResult r;
        jol::FunctionHandler h = nullptr;
        for (std::size_t k = 0; k < module.count; ++k) {
            const jol::KeywordEntry* row = jol::FindBuiltinKeyword(module.functions[k].name);
            if (row && row->id == id) h = module.functions[k].handler;
        }
        if (!h) {
            r.error = -1;
            return r;
        }
        jol::Value slots[6];
        int n = 1;
        for (const HandlerArg& a : args) {
            jol::Value& v = slots[n++];
            if (a.kind == HandlerArg::Kind::Text) {
                v.str = jol::HeapCopyText(ctx_, a.text.c_str());
                v.flags = jol::vf::String;
            } else if (a.kind == HandlerArg::Kind::Integer) {
                v.i = a.i;
                v.flags = jol::vf::Integer;
            } else {
                v.f = a.f;
                v.flags = jol::vf::Float;
            }
        }
        jol::Value result;
        result.flags = jol::vf::Integer;
        ctx_->error_code = 0;
        h(ctx_, id, result, slots);
        r.error = ctx_->error_code;
        r.i = result.i;
        if (result.flags == jol::vf::String) {
            r.text = true;
            r.s = jol::HeapText(ctx_, result.str);
            jol::HeapFree(ctx_, result.str);
        }
        for (int k = 1; k < n; ++k)
            if (slots[k].flags == jol::vf::String) jol::HeapFree(ctx_, slots[k].str);
        return r;
    }

private:
    std::vector<char> heap_;
    jol::ScriptContext* ctx_;
};

} // namespace test
