// jolsample: a small extender module, written the way an extender author
// writes one: against the contract header alone, without the library.
//
// Functions (all arguments arrive as texts):
//   SmpAdd(a, b)          the integer sum of two decimal numbers
//   SmpUpper(text)        text in upper case (ASCII letters)
//   SmpFail(code, text)   code < 0: fails with that result, reporting text
//                         as the error text (or the standard text when text
//                         is empty); code >= 0: returns code
//   SmpGetVar(name)       the text of a script variable, read through the
//                         service entry; fails (-1) when it has no value
//   SmpSetVar(name, text) sets a script variable through the service entry
//   SmpHook(flags)        sets the host's hook flags; returns the old ones
//   SmpCount()            counts its calls in the extender's data word
//   SmpRaise(code)        sets the script's ErrorCode through the service
//                         entry (request 13) and returns 1
//   SmpNoAnswer()         returns 1 without delivering a value
//   StrLen(text)          -1000: a name the built-in function keeps
// The last rows of the list exercise how the library takes rows: a name in
// mixed case, a name that fills the whole name field, a length shorter
// than the name, and a function number the library refuses.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "dispatch/extender_abi.h"

#if defined(_WIN32) && !defined(_WIN64)
// The export list (jolsample32.def) names the entry "_JOLExtender@48".
#define SAMPLE_EXPORT extern "C"
#elif defined(_WIN32)
#define SAMPLE_EXPORT extern "C" __declspec(dllexport)
#else
#define SAMPLE_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace {

using jol::ExtArg;

enum Function {
    kAdd = 0,
    kUpper = 1,
    kFail = 2,
    kGetVar = 3,
    kSetVar = 4,
    kHook = 5,
    kCount = 6,
    kRaise = 7,
    kNoAnswer = 8,
    kStrLen = 9,
    kMixed = 10,
    kFullName = 11,
    kShortened = 12,
    kRefused = 98,
};

struct Row {
    std::uint16_t number;
    std::uint8_t args;
    std::int16_t length; // the length field as delivered
    const char* name;    // copied as far as the name field holds
};

constexpr std::size_t kNameField = sizeof(jol::KeywordEntry{}.name);

const Row kRows[] = {
    {kAdd, 2, 6, "smpadd"},
    {kUpper, 1, 8, "smpupper"},
    {kFail, 2, 7, "smpfail"},
    {kGetVar, 1, 9, "smpgetvar"},
    {kSetVar, 2, 9, "smpsetvar"},
    {kHook, 1, 7, "smphook"},
    {kCount, 0, 8, "smpcount"},
    {kRaise, 1, 8, "smpraise"},
    {kNoAnswer, 0, 11, "smpnoanswer"},
    {kStrLen, 1, 6, "strlen"},
    {kMixed, 0, 8, "SmpMixed"},
    {kFullName, 0, 14, "smpfourteenchr"},
    {kShortened, 0, 6, "smpshortened"},
    {kRefused, 0, 9, "smprefuse"},
};
constexpr int kRowCount = static_cast<int>(sizeof kRows / sizeof kRows[0]);

// The service entry and the context, handed over at enumeration. The
// module serves one context at a time: the one that loaded it last.
jol::ServicesEntry g_services = nullptr;
std::uintptr_t g_context = 0;

void FillRow(jol::KeywordEntry* out, const Row& row) {
    std::memset(out, 0, sizeof *out);
    out->id = row.number;
    out->kind = jol::kKeywordFunction;
    out->value[0] = row.args;
    out->value[2] = static_cast<std::uint8_t>((1u << row.args) - 1); // every argument a text
    out->length = row.length;
    const std::size_t n = std::strlen(row.name);
    std::memcpy(out->name, row.name, n < kNameField ? n + 1 : kNameField);
}

const char* Text(ExtArg a) {
    const char* t = reinterpret_cast<const char*>(a);
    return t ? t : "";
}

long Number(ExtArg a) {
    return std::strtol(Text(a), nullptr, 10);
}

// The value of a call, delivered through the answer callback.
struct Answer {
    jol::AnswerEntry fn;
    ExtArg record;

    std::int32_t Integer(std::int32_t status, long number) const {
        return fn(status, 0, record, 0, static_cast<ExtArg>(number), 0);
    }
    std::int32_t String(std::int32_t status, const char* text) const {
        return fn(status, 0, record, 1, 0, reinterpret_cast<ExtArg>(text));
    }
};

std::int32_t Call(ExtArg request, const Answer& answer, std::uint32_t* data, ExtArg a1, ExtArg a2) {
    char buffer[1024];
    switch (request) {
    case kAdd:
        return answer.Integer(1, Number(a1) + Number(a2));
    case kUpper: {
        std::snprintf(buffer, sizeof buffer, "%s", Text(a1));
        for (char* p = buffer; *p; ++p)
            if (*p >= 'a' && *p <= 'z') *p = static_cast<char>(*p - 'a' + 'A');
        return answer.String(1, buffer);
    }
    case kFail: {
        const auto code = static_cast<std::int32_t>(Number(a1));
        if (code >= 0) return answer.Integer(code, code);
        if (*Text(a2))
            answer.String(code, Text(a2));
        else
            answer.Integer(code, 0);
        return code;
    }
    case kGetVar: {
        if (!g_services) return -3;
        std::snprintf(buffer, sizeof buffer, "%s", Text(a1));
        char value[1024];
        if (!g_services(g_context, jol::service::GetVariable, buffer, value, sizeof value, 0)) {
            answer.String(-1, "SmpGetVar: the variable has no value");
            return -1;
        }
        return answer.String(1, value);
    }
    case kSetVar: {
        if (!g_services) return -3;
        char name[256], text[1024];
        std::snprintf(name, sizeof name, "%s", Text(a1));
        std::snprintf(text, sizeof text, "%s", Text(a2));
        const std::int32_t r = g_services(g_context, jol::service::SetVariableOrBuffer, name, text,
                                          0, static_cast<std::intptr_t>(std::strlen(text)));
        return answer.Integer(1, r);
    }
    case kHook:
        if (!g_services) return -3;
        return answer.Integer(
            1, g_services(g_context, jol::service::HookFlags, nullptr, nullptr, Number(a1), 0));
    case kCount:
        return answer.Integer(1, static_cast<long>(++*data));
    case kRaise:
        if (!g_services) return -3;
        g_services(g_context, jol::service::SetErrorCode, nullptr, nullptr, Number(a1), 0);
        return answer.Integer(1, 1);
    case kNoAnswer:
        return 1;
    case kStrLen:
        return answer.Integer(1, -1000);
    case kMixed:
        return answer.String(1, "mixed");
    case kFullName:
        return answer.Integer(1, 14);
    case kShortened:
        return answer.Integer(1, 6);
    default:
        answer.String(-3, "jolsample: no such function");
        return -3;
    }
}

} // namespace

SAMPLE_EXPORT std::int32_t JOL_STDCALL JOLExtender(ExtArg /*parent*/, ExtArg /*instance*/,
                                                   ExtArg version, ExtArg request, ExtArg answer_fn,
                                                   ExtArg answer_record, ExtArg data_word,
                                                   ExtArg a8, ExtArg a9, ExtArg a10, ExtArg a11,
                                                   ExtArg) {
    if (version != jol::kExtenderInterfaceVersion) return -1;
    auto* data = reinterpret_cast<std::uint32_t*>(data_word);
    if (request == jol::kExtenderEnumerate) {
        const auto index = static_cast<int>(a9);
        g_context = static_cast<std::uintptr_t>(a10);
        g_services = reinterpret_cast<jol::ServicesEntry>(a11);
        if (index < 0 || index >= kRowCount || !a8) return 0;
        FillRow(reinterpret_cast<jol::KeywordEntry*>(a8), kRows[index]);
        return 1;
    }
    if (request == jol::kExtenderRelease) {
        std::fprintf(stderr, "jolsample: released after %lu counted calls\n",
                     static_cast<unsigned long>(data ? *data : 0));
        std::fflush(stderr);
        g_services = nullptr;
        g_context = 0;
        return 0;
    }
    if (!answer_fn || !data) return -3;
    const Answer answer{reinterpret_cast<jol::AnswerEntry>(answer_fn), answer_record};
    return Call(request, answer, data, a8, a9);
}
