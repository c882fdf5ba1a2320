// A fake object interface library for the tests of the library's side of
// the object bridge: it logs every call it receives, hands out numbered
// handles and answers member accesses by the member's last name:
//   number 42, text "fake text", real 2.5, child a new object, echo its
//   first argument, fill writes "XYZ" into its first argument (a binary
//   buffer), fail the object's error (1259); any other name has no value.
// Built three ways: whole, without its shut-down entry (JOL_FAKE_PARTIAL),
// and refusing the handshake (JOL_FAKE_REFUSE).
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <set>
#include <string>

#include "include/jol.h"
#include "include/jol_objects.h"

#if defined(_WIN32)
#define FAKE_EXPORT extern "C" __declspec(dllexport)
#else
#define FAKE_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace {

std::string g_log;
std::set<std::int32_t> g_open;
std::int32_t g_next = 101;
std::string g_result_text;

void Log(const std::string& line) {
    g_log += line;
    g_log += '\n';
}

std::string Show(const JolObjectValue& v) {
    char buf[64];
    switch (v.kind) {
    case JOL_OBJECT_VALUE_INTEGER:
        std::snprintf(buf, sizeof buf, "i:%d", static_cast<int>(v.integer));
        return buf;
    case JOL_OBJECT_VALUE_FLOAT:
        std::snprintf(buf, sizeof buf, "f:%g", v.real);
        return buf;
    case JOL_OBJECT_VALUE_TEXT:
        return "t:" + std::string(v.text, v.length);
    case JOL_OBJECT_VALUE_OBJECT:
        std::snprintf(buf, sizeof buf, "o:%d", static_cast<int>(v.integer));
        return buf;
    case JOL_OBJECT_VALUE_BYTES:
        std::snprintf(buf, sizeof buf, "b%d/%d:%u/%u:", static_cast<int>(v.form),
                      static_cast<int>(v.direction), v.length, v.capacity);
        return buf + std::string(v.text, v.length);
    default:
        return "empty";
    }
}

std::int32_t NewObject(JolObjectValue* result) {
    const std::int32_t h = g_next++;
    g_open.insert(h);
    result->kind = JOL_OBJECT_VALUE_OBJECT;
    result->integer = h;
    return h;
}

} // namespace

FAKE_EXPORT std::int32_t JOL_STDCALL JOLExtender(JolArg, JolArg, JolArg version, JolArg request,
                                                 JolArg answer, JolArg record, JolArg data,
                                                 JolArg a8, JolArg a9, JolArg a10, JolArg a11,
                                                 JolArg a12) {
    bool empty = true;
    for (JolArg a : {a8, a9, a10, a11, a12})
        empty = empty && a && *reinterpret_cast<const char*>(a) == 0;
    char buf[128];
    std::snprintf(buf, sizeof buf, "handshake %d %s %s %s", static_cast<int>(request),
                  version == JOL_EXTENDER_VERSION ? "version" : "other",
                  answer == 0 && record == 0 && data == 0 ? "none" : "some",
                  empty ? "empty" : "texts");
    Log(buf);
    g_next = 101; // each context's objects are numbered from 101
#if defined(JOL_FAKE_REFUSE)
    return -1;
#else
    return request == JOL_OBJECTS_HANDSHAKE ? 1 : -1;
#endif
}

FAKE_EXPORT std::int32_t JolObjectOpenClose(uintptr_t context, JolObjectValue* result,
                                            std::int32_t open, const JolObjectValue* argument,
                                            std::int32_t a, std::int32_t b) {
    char buf[128];
    std::snprintf(buf, sizeof buf, "%s %s %d %d%s", open ? "open" : "close",
                  Show(*argument).c_str(), static_cast<int>(a), static_cast<int>(b),
                  context ? "" : " no context");
    Log(buf);
    if (open) {
        if (argument->kind == JOL_OBJECT_VALUE_TEXT &&
            std::string(argument->text, argument->length) == "No.Such.Object")
            return 1249;
        NewObject(result);
        return 0;
    }
    if (argument->kind != JOL_OBJECT_VALUE_OBJECT || !g_open.erase(argument->integer)) return 1255;
    result->kind = JOL_OBJECT_VALUE_INTEGER;
    result->integer = 1;
    return 0;
}

FAKE_EXPORT std::int32_t JolObjectRelease(uintptr_t, std::int32_t handle, std::int32_t zero) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "release %d %d", static_cast<int>(handle),
                  static_cast<int>(zero));
    Log(buf);
    return g_open.erase(handle) ? 0 : 1255;
}

FAKE_EXPORT std::int32_t JolObjectMember(uintptr_t, const char* member, std::int32_t kind,
                                         std::int32_t count, std::int32_t handle,
                                         JolObjectValue* values) {
    char buf[64];
    std::snprintf(buf, sizeof buf, " kind=%d count=%d handle=%d", static_cast<int>(kind),
                  static_cast<int>(count), static_cast<int>(handle));
    std::string line = std::string("member ") + member + buf;
    for (int k = 1; k <= count; ++k)
        line += " " + Show(values[k]);
    Log(line);
    if (!g_open.count(handle)) return 1255;
    const char* dot = std::strrchr(member, '.');
    std::string name = dot ? dot + 1 : member;
    for (char& c : name) // member names are not case-sensitive
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    JolObjectValue& r = values[0];
    if (name == "number") {
        r.kind = JOL_OBJECT_VALUE_INTEGER;
        r.integer = 42;
    } else if (name == "text") {
        g_result_text = "fake text";
        r.kind = JOL_OBJECT_VALUE_TEXT;
        r.text = g_result_text.c_str();
        r.length = static_cast<std::uint32_t>(g_result_text.size());
    } else if (name == "real") {
        r.kind = JOL_OBJECT_VALUE_FLOAT;
        r.real = 2.5;
    } else if (name == "child") {
        NewObject(&r);
    } else if (name == "echo" && count >= 1) {
        r = values[1];
        if (r.kind == JOL_OBJECT_VALUE_TEXT) {
            g_result_text.assign(r.text, r.length);
            r.text = g_result_text.c_str();
        }
        if (r.kind == JOL_OBJECT_VALUE_OBJECT || r.kind == JOL_OBJECT_VALUE_BYTES)
            r.kind = JOL_OBJECT_VALUE_EMPTY;
    } else if (name == "fill" && count >= 1 && values[1].kind == JOL_OBJECT_VALUE_BYTES) {
        JolObjectValue& b = values[1];
        if (b.capacity < 3) return 1258;
        std::memcpy(b.bytes, "XYZ", 3);
        b.written = 3;
    } else if (name == "fail") {
        return 1259;
    }
    return 0;
}

#if !defined(JOL_FAKE_PARTIAL)
FAKE_EXPORT std::int32_t JolObjectShutdown(uintptr_t) {
    Log("shutdown");
    g_open.clear();
    return 0;
}
#endif

// For the tests: the log so far (then emptied).
FAKE_EXPORT int FakeObjectsTakeLog(char* out, int size) {
    const int n = static_cast<int>(g_log.size());
    if (size > 0) {
        const int k = n < size - 1 ? n : size - 1;
        std::memcpy(out, g_log.data(), static_cast<std::size_t>(k));
        out[k] = 0;
    }
    g_log.clear();
    return n;
}
