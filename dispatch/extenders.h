// Extender modules loaded by a script: the release at the end of a context.
#pragma once

namespace jol {

struct ScriptContext;

// The extender entry point every extender module exports.
extern const char kExtenderEntryName[]; // "_JOLExtender@48"

// Tells each loaded extender that the context ends (request 99), frees its
// module and clears its slot. When an extender's entry can no longer be
// found, a box says so and the release stops there.
void ReleaseExtenders(ScriptContext* ctx);

} // namespace jol
