// JOOBP32I.DLL: the object interface library of JOL on Windows. It drives
// automation objects through IDispatch for the library (the contract is
// include/jol_objects.h): a ProgID (or a CLSID in braces) names the object,
// a running instance is used when there is one, else a new one is made;
// member names become dispatch ids, and Invoke reads properties, calls
// methods and assigns properties. Values cross as integers, reals, texts
// (in the system code page), objects and binary buffers.
//
// Handles index a table of the process's objects and carry a generation
// count, so that a handle whose object is gone is refused instead of
// reaching a freed object. Each context initialises OLE on its first open
// and uninitialises it at its shut-down, balanced.
#include <ole2.h>
#include <oleauto.h>
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "include/jol.h"
#include "include/jol_objects.h"

#define JOO_EXPORT extern "C" __declspec(dllexport)

namespace {

// The interface library's error codes (the library holds their texts).
enum Code : std::int32_t {
    kNameUnknown = 1249,
    kStartFailed = 1254,
    kNotOpen = 1255,
    kMemberUnknown = 1256,
    kParameterCount = 1257,
    kParameterType = 1258,
    kException = 1259,
    kCallFailed = 1260,
    kResultType = 1261,
    kTooMany = 1262,
    kInitFailed = 1263,
    kMemberTooLong = 1264,
    kTooManyParameters = 1265,
};

constexpr int kSlots = 256;
constexpr int kSlotBits = 9; // slot + 1 in the low bits, 1 to 256

struct Slot {
    IDispatch* object = nullptr;
    std::uintptr_t context = 0;
    std::int32_t generation = 1;
};
Slot g_slots[kSlots];

// The contexts that initialised OLE, and whether that needs undoing.
struct Initialised {
    std::uintptr_t context;
    bool uninitialise;
};
std::vector<Initialised> g_initialised;

std::string g_text; // the text of the last result

std::int32_t HandleOf(int slot) {
    return (g_slots[slot].generation << kSlotBits) | (slot + 1);
}

// The slot of a handle in use, or -1.
int SlotOf(std::int32_t handle) {
    if (handle <= 0) return -1;
    const int slot = (handle & ((1 << kSlotBits) - 1)) - 1;
    if (slot < 0 || slot >= kSlots) return -1;
    const Slot& s = g_slots[slot];
    if (!s.object || s.generation != (handle >> kSlotBits)) return -1;
    return slot;
}

void FreeSlot(int slot) {
    Slot& s = g_slots[slot];
    if (s.object) s.object->Release();
    s.object = nullptr;
    s.context = 0;
    // The next object of the slot gets another handle; the count wraps
    // within the 22 bits above the slot.
    s.generation = s.generation >= 0x3FFFFF ? 1 : s.generation + 1;
}

// A new handle for the object, which the table now holds (its reference
// is the table's). 0 when the table is full (the object is released).
std::int32_t Adopt(std::uintptr_t context, IDispatch* object) {
    for (int slot = 0; slot < kSlots; ++slot) {
        if (!g_slots[slot].object) {
            g_slots[slot].object = object;
            g_slots[slot].context = context;
            return HandleOf(slot);
        }
    }
    object->Release();
    return 0;
}

bool EnsureOle(std::uintptr_t context) {
    for (const Initialised& i : g_initialised)
        if (i.context == context) return true;
    const HRESULT hr = OleInitialize(nullptr);
    // Another apartment kind on this thread: OLE works, but is not ours to
    // undo.
    if (FAILED(hr) && hr != RPC_E_CHANGED_MODE) return false;
    g_initialised.push_back({context, SUCCEEDED(hr)});
    return true;
}

std::wstring Wide(const char* text, std::size_t length) {
    if (length == 0) return std::wstring();
    const int n = MultiByteToWideChar(CP_ACP, 0, text, static_cast<int>(length), nullptr, 0);
    std::wstring w(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text, static_cast<int>(length), w.data(), n);
    return w;
}

std::string Narrow(const wchar_t* text, std::size_t length) {
    if (!text || length == 0) return std::string();
    const int n = WideCharToMultiByte(CP_ACP, 0, text, static_cast<int>(length), nullptr, 0,
                                      nullptr, nullptr);
    std::string s(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, 0, text, static_cast<int>(length), s.data(), n, nullptr, nullptr);
    return s;
}

std::int32_t CodeOf(HRESULT hr) {
    switch (hr) {
    case DISP_E_EXCEPTION:
        return kException;
    case DISP_E_MEMBERNOTFOUND:
    case DISP_E_UNKNOWNNAME:
        return kMemberUnknown;
    case DISP_E_BADPARAMCOUNT:
    case DISP_E_PARAMNOTOPTIONAL:
        return kParameterCount;
    case DISP_E_TYPEMISMATCH:
    case DISP_E_PARAMNOTFOUND:
    case DISP_E_BADVARTYPE:
        return kParameterType;
    default:
        return kCallFailed;
    }
}

// ------------------------------------------------------ values to OLE

// The argument as a VARIANT; binary buffers written by the object are
// passed by reference, through the holder the caller keeps.
std::int32_t ToVariant(const JolObjectValue& v, VARIANT& out, VARIANT& holder) {
    VariantInit(&out);
    switch (v.kind) {
    case JOL_OBJECT_VALUE_INTEGER:
        out.vt = VT_I4;
        out.lVal = v.integer;
        return 0;
    case JOL_OBJECT_VALUE_FLOAT:
        out.vt = VT_R8;
        out.dblVal = v.real;
        return 0;
    case JOL_OBJECT_VALUE_TEXT: {
        const std::wstring w = Wide(v.text, v.length);
        out.vt = VT_BSTR;
        out.bstrVal = SysAllocStringLen(w.data(), static_cast<UINT>(w.size()));
        return out.bstrVal ? 0 : kCallFailed;
    }
    case JOL_OBJECT_VALUE_OBJECT: {
        const int slot = SlotOf(v.integer);
        if (slot < 0) return kNotOpen;
        out.vt = VT_DISPATCH;
        out.pdispVal = g_slots[slot].object;
        out.pdispVal->AddRef();
        return 0;
    }
    case JOL_OBJECT_VALUE_BYTES: {
        VARIANT value;
        VariantInit(&value);
        const std::uint32_t length = (v.direction & JOL_OBJECT_BYTES_IN) ? v.length : 0;
        if (v.form == JOL_OBJECT_BYTES_STRING) {
            const std::wstring w = Wide(v.text, length);
            value.vt = VT_BSTR;
            value.bstrVal = SysAllocStringLen(w.data(), static_cast<UINT>(w.size()));
            if (!value.bstrVal) return kCallFailed;
        } else {
            SAFEARRAY* a = SafeArrayCreateVector(VT_UI1, 0, length);
            if (!a) return kCallFailed;
            if (length) {
                void* data = nullptr;
                SafeArrayAccessData(a, &data);
                std::memcpy(data, v.text, length);
                SafeArrayUnaccessData(a);
            }
            value.vt = VT_ARRAY | VT_UI1;
            value.parray = a;
        }
        if (!(v.direction & JOL_OBJECT_BYTES_OUT)) {
            out = value;
            return 0;
        }
        holder = value;
        out.vt = VT_BYREF | VT_VARIANT;
        out.pvarVal = &holder;
        return 0;
    }
    default:
        out.vt = VT_ERROR;
        out.scode = DISP_E_PARAMNOTFOUND; // an omitted argument
        return 0;
    }
}

// What the object left in a buffer passed by reference.
void BufferBack(const VARIANT& holder, JolObjectValue& v) {
    v.written = 0;
    std::string bytes;
    if (holder.vt == VT_BSTR) {
        bytes = Narrow(holder.bstrVal, SysStringLen(holder.bstrVal));
    } else if (holder.vt == (VT_ARRAY | VT_UI1) && holder.parray) {
        LONG low = 0, high = -1;
        SafeArrayGetLBound(holder.parray, 1, &low);
        SafeArrayGetUBound(holder.parray, 1, &high);
        void* data = nullptr;
        if (high >= low && SUCCEEDED(SafeArrayAccessData(holder.parray, &data))) {
            bytes.assign(static_cast<const char*>(data), static_cast<std::size_t>(high - low + 1));
            SafeArrayUnaccessData(holder.parray);
        }
    }
    const std::size_t n = bytes.size() < v.capacity ? bytes.size() : v.capacity;
    if (n) std::memcpy(v.bytes, bytes.data(), n);
    v.written = static_cast<std::uint32_t>(n);
}

// ---------------------------------------------------- values from OLE

std::int32_t FromVariant(std::uintptr_t context, VARIANT& in, JolObjectValue& r) {
    VARIANT v;
    VariantInit(&v);
    if (FAILED(VariantCopyInd(&v, &in))) return kResultType;
    std::int32_t code = 0;
    r = JolObjectValue{};
    switch (v.vt) {
    case VT_EMPTY:
    case VT_NULL:
        r.kind = JOL_OBJECT_VALUE_EMPTY;
        break;
    case VT_BOOL:
        r.kind = JOL_OBJECT_VALUE_INTEGER;
        r.integer = v.boolVal ? 1 : 0;
        break;
    case VT_ERROR:
        r.kind = JOL_OBJECT_VALUE_INTEGER;
        r.integer = v.scode;
        break;
    case VT_I1:
    case VT_I2:
    case VT_I4:
    case VT_INT:
    case VT_UI1:
    case VT_UI2:
        if (SUCCEEDED(VariantChangeType(&v, &v, 0, VT_I4))) {
            r.kind = JOL_OBJECT_VALUE_INTEGER;
            r.integer = v.lVal;
        } else {
            code = kResultType;
        }
        break;
    case VT_UI4:
    case VT_UINT:
    case VT_I8:
    case VT_UI8:
    case VT_R4:
    case VT_R8:
    case VT_CY:
    case VT_DECIMAL: {
        // Whole numbers that fit stay integers; the rest are reals.
        VARIANT w;
        VariantInit(&w);
        if (SUCCEEDED(VariantChangeType(&w, &v, 0, VT_I4)) && v.vt != VT_R4 && v.vt != VT_R8 &&
            v.vt != VT_CY && v.vt != VT_DECIMAL) {
            r.kind = JOL_OBJECT_VALUE_INTEGER;
            r.integer = w.lVal;
        } else if (SUCCEEDED(VariantChangeType(&w, &v, 0, VT_R8))) {
            r.kind = JOL_OBJECT_VALUE_FLOAT;
            r.real = w.dblVal;
        } else {
            code = kResultType;
        }
        VariantClear(&w);
        break;
    }
    case VT_DATE:
    case VT_BSTR: {
        if (v.vt != VT_BSTR && FAILED(VariantChangeType(&v, &v, 0, VT_BSTR))) {
            code = kResultType;
            break;
        }
        g_text = Narrow(v.bstrVal, SysStringLen(v.bstrVal));
        r.kind = JOL_OBJECT_VALUE_TEXT;
        r.text = g_text.c_str();
        r.length = static_cast<std::uint32_t>(g_text.size());
        break;
    }
    case VT_DISPATCH:
    case VT_UNKNOWN: {
        IDispatch* d = nullptr;
        if (v.vt == VT_DISPATCH) {
            d = v.pdispVal;
            if (d) d->AddRef();
        } else if (v.punkVal) {
            v.punkVal->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&d));
        }
        if (!d) {
            // A missing object reads as no value.
            r.kind = JOL_OBJECT_VALUE_EMPTY;
            break;
        }
        const std::int32_t h = Adopt(context, d);
        if (!h) {
            code = kTooMany;
            break;
        }
        r.kind = JOL_OBJECT_VALUE_OBJECT;
        r.integer = h;
        break;
    }
    case VT_ARRAY | VT_UI1: {
        const VARIANT& holder = v;
        std::string bytes;
        LONG low = 0, high = -1;
        SafeArrayGetLBound(holder.parray, 1, &low);
        SafeArrayGetUBound(holder.parray, 1, &high);
        void* data = nullptr;
        if (high >= low && SUCCEEDED(SafeArrayAccessData(holder.parray, &data))) {
            bytes.assign(static_cast<const char*>(data), static_cast<std::size_t>(high - low + 1));
            SafeArrayUnaccessData(holder.parray);
        }
        g_text = bytes;
        r.kind = JOL_OBJECT_VALUE_BYTES;
        r.text = g_text.c_str();
        r.length = static_cast<std::uint32_t>(g_text.size());
        break;
    }
    default:
        code = kResultType;
        break;
    }
    VariantClear(&v);
    return code;
}

// ------------------------------------------------------------ Invoke

std::int32_t DispatchId(IDispatch* d, const std::string& name, DISPID* id) {
    std::wstring w = Wide(name.data(), name.size());
    LPOLESTR names[1] = {w.data()};
    const HRESULT hr = d->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, id);
    return SUCCEEDED(hr) ? 0 : kMemberUnknown;
}

std::int32_t Invoke(IDispatch* d, DISPID id, WORD flags, VARIANT* args, UINT count,
                    VARIANT* result) {
    DISPPARAMS params{};
    DISPID put = DISPID_PROPERTYPUT;
    params.rgvarg = count ? args : nullptr;
    params.cArgs = count;
    if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
        params.rgdispidNamedArgs = &put;
        params.cNamedArgs = 1;
    }
    EXCEPINFO info{};
    UINT bad = 0;
    const HRESULT hr =
        d->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result, &info, &bad);
    if (hr == DISP_E_EXCEPTION) {
        if (info.pfnDeferredFillIn) info.pfnDeferredFillIn(&info);
        if (info.bstrDescription) {
            // The object's own words, for a debugger.
            const std::string text =
                "JOOBP32I: " + Narrow(info.bstrDescription, SysStringLen(info.bstrDescription));
            OutputDebugStringA(text.c_str());
        }
        SysFreeString(info.bstrSource);
        SysFreeString(info.bstrDescription);
        SysFreeString(info.bstrHelpFile);
    }
    return SUCCEEDED(hr) ? 0 : CodeOf(hr);
}

// Splits "obj.part.name" into its names after the first.
std::vector<std::string> MemberNames(const char* member) {
    std::vector<std::string> names;
    const char* p = std::strchr(member, '.');
    while (p) {
        const char* next = std::strchr(p + 1, '.');
        names.emplace_back(p + 1,
                           next ? static_cast<std::size_t>(next - p - 1) : std::strlen(p + 1));
        p = next;
    }
    return names;
}

} // namespace

// The handshake (and nothing else: no functions for scripts).
JOO_EXPORT std::int32_t JOL_STDCALL JOLExtender(JolArg, JolArg, JolArg, JolArg request, JolArg,
                                                JolArg, JolArg, JolArg, JolArg, JolArg, JolArg,
                                                JolArg) {
    return request == JOL_OBJECTS_HANDSHAKE ? 1 : 0;
}

JOO_EXPORT std::int32_t JolObjectOpenClose(std::uintptr_t context, JolObjectValue* result,
                                           std::int32_t open, const JolObjectValue* argument,
                                           std::int32_t, std::int32_t) {
    if (!result || !argument) return kCallFailed;
    if (!open) {
        const int slot = argument->kind == JOL_OBJECT_VALUE_OBJECT ? SlotOf(argument->integer) : -1;
        if (slot < 0) return kNotOpen;
        FreeSlot(slot);
        *result = JolObjectValue{};
        result->kind = JOL_OBJECT_VALUE_INTEGER;
        result->integer = 1;
        return 0;
    }
    if (argument->kind != JOL_OBJECT_VALUE_TEXT || argument->length == 0) return kNameUnknown;
    if (!EnsureOle(context)) return kInitFailed;
    const std::wstring name = Wide(argument->text, argument->length);
    CLSID clsid;
    if (FAILED(CLSIDFromProgID(name.c_str(), &clsid)) &&
        FAILED(CLSIDFromString(name.c_str(), &clsid)))
        return kNameUnknown;
    IDispatch* d = nullptr;
    IUnknown* running = nullptr;
    if (SUCCEEDED(GetActiveObject(clsid, nullptr, &running)) && running) {
        running->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&d));
        running->Release();
    }
    if (!d && FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_SERVER, IID_IDispatch,
                                      reinterpret_cast<void**>(&d))))
        return kStartFailed;
    if (!d) return kStartFailed;
    const std::int32_t h = Adopt(context, d);
    if (!h) return kTooMany;
    *result = JolObjectValue{};
    result->kind = JOL_OBJECT_VALUE_OBJECT;
    result->integer = h;
    return 0;
}

JOO_EXPORT std::int32_t JolObjectRelease(std::uintptr_t, std::int32_t handle, std::int32_t) {
    const int slot = SlotOf(handle);
    if (slot < 0) return kNotOpen;
    FreeSlot(slot);
    return 0;
}

JOO_EXPORT std::int32_t JolObjectMember(std::uintptr_t context, const char* member,
                                        std::int32_t kind, std::int32_t count, std::int32_t handle,
                                        JolObjectValue* values) {
    if (!member || !values || count < 0) return kCallFailed;
    if (count > JOL_OBJECT_MAX_ARGS) return kTooManyParameters;
    if (std::strlen(member) > 256) return kMemberTooLong;
    const int slot = SlotOf(handle);
    if (slot < 0) return kNotOpen;
    const std::vector<std::string> names = MemberNames(member);
    if (names.empty() || names.back().empty()) return kMemberUnknown;

    // The parts before the last name are properties that hold objects.
    IDispatch* d = g_slots[slot].object;
    d->AddRef();
    std::int32_t code = 0;
    for (std::size_t k = 0; k + 1 < names.size() && code == 0; ++k) {
        DISPID id;
        code = DispatchId(d, names[k], &id);
        VARIANT part;
        VariantInit(&part);
        if (code == 0)
            code = Invoke(d, id, DISPATCH_PROPERTYGET | DISPATCH_METHOD, nullptr, 0, &part);
        IDispatch* next = nullptr;
        if (code == 0) {
            if (part.vt == VT_DISPATCH && part.pdispVal) {
                next = part.pdispVal;
                next->AddRef();
            } else if (part.vt == VT_UNKNOWN && part.punkVal) {
                part.punkVal->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&next));
            }
            if (!next) code = kNotOpen;
        }
        VariantClear(&part);
        d->Release();
        d = next;
    }
    DISPID id = 0;
    if (code == 0) code = DispatchId(d, names.back(), &id);

    // Invoke takes the arguments last first.
    VARIANT args[JOL_OBJECT_MAX_ARGS];
    VARIANT holders[JOL_OBJECT_MAX_ARGS];
    int made = 0;
    for (int k = 0; k < count && code == 0; ++k, ++made) {
        VariantInit(&holders[k]);
        code = ToVariant(values[count - k], args[k], holders[k]);
    }
    VARIANT result;
    VariantInit(&result);
    if (code == 0) {
        if (kind == JOL_OBJECT_PUT) {
            code = Invoke(d, id, DISPATCH_PROPERTYPUT, args, static_cast<UINT>(count), nullptr);
            if (code != 0 && values[count].kind == JOL_OBJECT_VALUE_OBJECT)
                code =
                    Invoke(d, id, DISPATCH_PROPERTYPUTREF, args, static_cast<UINT>(count), nullptr);
        } else {
            code = Invoke(d, id, DISPATCH_METHOD | DISPATCH_PROPERTYGET, args,
                          static_cast<UINT>(count), &result);
        }
    }
    for (int k = 0; k < made; ++k) {
        JolObjectValue& v = values[count - k];
        if (code == 0 && v.kind == JOL_OBJECT_VALUE_BYTES && (v.direction & JOL_OBJECT_BYTES_OUT))
            BufferBack(holders[k], v);
        VariantClear(&args[k]);
        VariantClear(&holders[k]);
    }
    if (code == 0 && kind != JOL_OBJECT_PUT) code = FromVariant(context, result, values[0]);
    VariantClear(&result);
    if (d) d->Release();
    return code;
}

JOO_EXPORT std::int32_t JolObjectShutdown(std::uintptr_t context) {
    for (int slot = 0; slot < kSlots; ++slot)
        if (g_slots[slot].object && g_slots[slot].context == context) FreeSlot(slot);
    for (std::size_t k = 0; k < g_initialised.size(); ++k) {
        if (g_initialised[k].context != context) continue;
        if (g_initialised[k].uninitialise) OleUninitialize();
        g_initialised.erase(g_initialised.begin() + static_cast<std::ptrdiff_t>(k));
        break;
    }
    return 0;
}
