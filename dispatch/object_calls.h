// Automation objects: ObjectOpen, ObjectClose and the member access
// name.member, all forwarded to the object interface library
// (include/jol_objects.h), which a context loads on its first ObjectOpen.
//
// An object value has the flags vf::Object | vf::Integer and the handle
// the interface library gave. Every variable that holds the handle, and a
// result that came fresh from the interface library, owns it; a copy read
// from a variable does not. The context counts the owners of each handle
// and tells the interface library to release the object when the last one
// goes; a handle that ObjectClose closed has no owners left to count.
#pragma once

#include <cstdint>

#include "dispatch/handler.h"
#include "lang/value.h"

namespace jol {

struct ScriptContext;

constexpr std::uint32_t kObjectValueFlags = vf::Object | vf::Integer;

// The module record: ObjectOpen, ObjectClose; the release step shuts the
// interface library down and frees it.
extern const Module kObjectModule;

// The name of the interface library, looked for next to the library, then
// along the system's search path.
extern const char kObjectLibraryName[]; // "JOOBP32I.DLL"
// The environment variable that names another interface library file for
// the tests; with it set, the presence of the system's OLE libraries is not
// asked (the native backend has none, so only there it matters).
extern const char kObjectLibraryTestVariable[]; // "JOL_TEST_OBJECT_LIBRARY"

// True when the value is an object that owns its handle: a fresh result,
// not a copy read from a variable.
inline bool OwnsObject(const Value& v) {
    return v.flags == kObjectValueFlags && v.var < 0;
}

// One more owner of the handle (a copy of an object value was stored).
void AddObjectOwner(ScriptContext* ctx, std::int32_t handle);
// One owner of the handle is gone; the last one releases the object.
// Without the interface library loaded: Err::ObjectsNotInitialized.
void ReleaseObjectHandle(ScriptContext* ctx, std::int32_t handle);

// The token is an object reference name.member: reads the member, or
// calls it with the argument list in parentheses that follows. Leaves the
// token after the reference and its arguments. 1, or 0 with the error set.
int EvaluateObjectMember(ScriptContext* ctx, Value& out);
// name.member = value: assigns value to the property member (the text of
// the reference). 1, or 0 with the error set.
int AssignObjectMember(ScriptContext* ctx, const char* member, const Value& value);

// Defined by the binary buffers (upward hooks): the slot of a buffer
// handle (-1 for none), and the new end of its data.
int BinaryBufferSlot(ScriptContext* ctx, std::int64_t handle);
bool SetBinaryBufferEod(ScriptContext* ctx, std::int64_t handle, std::uint32_t eod);

} // namespace jol
