// A rig for calling the handlers of the data functions directly: a real
// context with a variable table and a full-size string heap, arguments
// built as the dispatcher delivers them, and the heap's free total for leak
// checks.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "dispatch/int_control.h"
#include "host/context/script_context.h"
#include "lang/conversion.h"
#include "lang/evaluator.h"
#include "lang/keyword_table.h"
#include "lang/string_heap.h"
#include "lang/tokenizer.h"
#include "lang/variables.h"
#include "lib/data/binary_buffers.h"
#include "lib/data/item_list.h"
#include "lib/data/string_functions.h"

namespace jol {
namespace test_data {

class DataRig : public ::testing::Test {
protected:
    void SetUp() override {
        vars.resize(200);
        heap.resize(kHeapMaxSize);
        ctx = std::make_unique<ScriptContext>();
        ctx->vars = vars.data();
        ctx->vars_capacity = 200;
        ctx->decimals = -1;
        InitRunOptions(ctx->options, true);
        ctx->heap.size = FormatStringHeap(heap.data(), heap.size(), kHeapMaxSize);
        ctx->heap.base = heap.data();
        initial_free = FreeTotal();
    }
    void TearDown() override { FreeBinaryBuffers(ctx.get()); }

    std::uint32_t FreeTotal() const { return HeapFreeTotal(heap.data()); }

    // Arguments as the dispatcher delivers them.
    Value S(const std::string& text) {
        Value v;
        v.str = HeapCopyText(ctx.get(), text.c_str());
        EXPECT_NE(v.str, 0) << "heap full building an argument";
        v.flags = vf::String;
        return v;
    }
    static Value I(std::int32_t n) {
        Value v;
        v.i = n;
        v.flags = vf::Integer;
        return v;
    }
    static Value F(double f) {
        Value v;
        v.f = f;
        v.flags = vf::Float;
        return v;
    }
    // A number converted to its text, as for a string argument.
    Value AsText(Value v) {
        EXPECT_EQ(ToString(ctx.get(), v), 1);
        return v;
    }

    static FunctionHandler Handler(const char* name) {
        const KeywordEntry* row = FindBuiltinKeyword(name);
        return row ? FindHandler(row->id) : nullptr;
    }

    // Calls a handler with the arguments (their strings are freed after the
    // call); the result is returned and its handler's answer kept in ok.
    Value Call(const char* name, std::initializer_list<Value> list) {
        Value args[6];
        int i = 1;
        for (const Value& v : list)
            args[i++] = v;
        Value result;
        result.flags = vf::Integer;
        ctx->error_code = 0;
        FunctionHandler h = Handler(name);
        EXPECT_NE(h, nullptr) << name;
        ok = h ? h(ctx.get(), FindBuiltinKeyword(name)->id, result, args) : 0;
        for (Value& v : args)
            if (v.flags & vf::String) HeapFree(ctx.get(), v.str);
        return result;
    }
    // The integer result of a call that must succeed.
    std::int32_t Int(const char* name, std::initializer_list<Value> list) {
        Value r = Call(name, list);
        EXPECT_EQ(ok, 1) << name << ": error " << ctx->error_code;
        EXPECT_EQ(ctx->error_code, 0) << name;
        EXPECT_EQ(r.flags, vf::Integer) << name;
        return r.i;
    }
    double Flt(const char* name, std::initializer_list<Value> list) {
        Value r = Call(name, list);
        EXPECT_EQ(ok, 1) << name << ": error " << ctx->error_code;
        EXPECT_EQ(r.flags, vf::Float) << name;
        return r.f;
    }
    // The string result of a call that must succeed (freed here).
    std::string Str(const char* name, std::initializer_list<Value> list) {
        Value r = Call(name, list);
        EXPECT_EQ(ok, 1) << name << ": error " << ctx->error_code;
        EXPECT_EQ(r.flags, vf::String) << name;
        std::string s = HeapText(ctx.get(), r.str);
        if (r.flags & vf::String) HeapFree(ctx.get(), r.str);
        return s;
    }
    // The error code of a call that must fail; no result string is left.
    int Err(const char* name, std::initializer_list<Value> list) {
        Value r = Call(name, list);
        EXPECT_EQ(ok, 0) << name;
        EXPECT_EQ(r.flags & vf::String, 0u) << name;
        return ctx->error_code;
    }

    // A variadic call: the handler reads its arguments from the line, which
    // starts at the opening parenthesis.
    Value CallList(const char* name, const char* list_text) {
        std::strncpy(line, list_text, sizeof line - 1);
        ctx->error_code = 0;
        ctx->current_line = line;
        ctx->token.cursor = line;
        get_token(ctx.get());
        EXPECT_EQ(ctx->token.id, kw::LParen);
        Value result;
        result.flags = vf::Integer;
        Value args[6];
        ok = Handler(name)(ctx.get(), FindBuiltinKeyword(name)->id, result, args);
        if (ok) {
            EXPECT_EQ(ctx->token.cls, TokenClass::Keyword) << list_text;
            EXPECT_EQ(ctx->token.id, kw::RParen) << list_text;
        }
        return result;
    }

    std::string VarText(const char* name) {
        char buf[300] = {};
        EXPECT_EQ(GetVariableText(ctx.get(), name, buf, sizeof buf), 1) << name;
        return buf;
    }

    std::vector<VarEntry> vars;
    std::vector<char> heap;
    std::unique_ptr<ScriptContext> ctx;
    std::uint32_t initial_free = 0;
    int ok = 0;
    char line[257] = {};
};

} // namespace test_data
} // namespace jol
