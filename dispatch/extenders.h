// Extender modules and host functions: loading an extender with
// AddExtender, calling extender and host functions through the common entry
// convention, the answer callback ZezuzAnswer through which they deliver
// their values, and the release of the extenders at the end of a context.
#pragma once

#include <cstddef>
#include <cstdint>

#include "dispatch/extender_abi.h"
#include "dispatch/handler.h"
#include "include/jol.h"
#include "lang/value.h"
#include "platform/abi.h"
#include "platform/handles.h"

namespace jol {

struct ScriptContext;

// The extender entry point every extender module exports. The 32-bit
// library looks for the decorated stdcall name only; the other builds fall
// back to the plain name when the decorated one is absent.
extern const char kExtenderEntryName[];      // "_JOLExtender@48"
extern const char kExtenderEntryPlainName[]; // "JOLExtender"

// Extender rows name their function by (slot + 20) * 100 + number.
constexpr int kExtenderCodeBase = 2000;
constexpr int kExtenderFunctionsPerSlot = 100;
// Function numbers an extender may give its keywords: 98 and 99 are the
// enumerate and release requests.
constexpr int kExtenderLastFunction = 97;
// Enumeration ends after this many keyword indexes even when the extender
// keeps answering (rows it delivers may be skipped as unusable).
constexpr int kExtenderEnumerateLimit = 1024;

// The record handed to a function with the answer callback: where its
// value goes.
struct AnswerRecord {
    ScriptContext* ctx;
    Value* result;
};

// The address of the service entry (DLLServices) handed to an extender
// when it is enumerated.
//
// Upward hook: DLLServices reaches every subsystem (variables, binary
// buffers, menus, launching, window placement), so it lives at the top of
// the library, where host/services.cpp defines this as well.
ExtArg ServiceEntryAddress();

// The extender entry of a module, or null.
ExtenderEntry FindExtenderEntry(plat::Module module);

// AddExtender(file name): loads the extender module and adds its keywords
// to the context's extender rows. 1 on success (also when the module is
// loaded already), 0 with the ErrorCode: TooManyExtenders (ten loaded),
// ExtenderTableFull (201 rows in use), ExtenderNotFound, ExtenderLoadFailed
// (the system cannot load it; a box says why), ExtenderInvalid (no
// extender entry), ExtenderRefused (the extender refused to load; it stays
// loaded with the rows it delivered).
int AddExtender(ScriptContext* ctx, const char* file);

// Calls a host function (ids 900 to 1899, the host callback with request
// id - 900), an extender function (ids 3000 to 3200, row id - 3000 of the
// extender rows) or sends a notification (negative ids, the host callback
// with the id as request). The texts of args[1] to args[5] are passed (a
// slot without a string view, or null args, as an empty text). Returns 1
// to go on, 0 with the ErrorCode set. Without a host callback a host call
// returns 1 and leaves the result as it is.
int ExtenderCall(ScriptContext* ctx, int id, Value& result, Value* args);

// Tells each loaded extender that the context ends (request 99), frees its
// module and clears its slot. When an extender's entry can no longer be
// found, a box says so and the release stops there.
void ReleaseExtenders(ScriptContext* ctx);

// The module record of AddExtender (its release step ends the extenders).
extern const Module kExtenderModule;

} // namespace jol

// The answer callback ZezuzAnswer (declared in the public header): status
// >= 0 delivers a value (is_text 0: the integer number; else a copy of text
// as a string), status < 0 an error text (is_text 0: message 866; else
// text). Returns status, or -4 when the text cannot be stored.
