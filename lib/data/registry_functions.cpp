#include "lib/data/registry_functions.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "exec/error_report.h"
#include "host/context/errors.h"
#include "host/context/script_context.h"
#include "lib/data/file_functions.h"
#include "platform/boxes.h"
#include "platform/memory.h"
#include "platform/modules.h"
#include "platform/registry.h"
#include "platform/system_errors.h"
#include "platform/text.h"

namespace jol {
namespace {

namespace err = plat::err;
namespace regtype = plat::regtype;

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// ------------------------------------------------------------ key table

// The predefined root a script integer names, if any.
bool RootOf(std::int32_t value, plat::RegKey* key) {
    switch (static_cast<std::uint32_t>(value)) {
    case 0x80000000u:
        *key = plat::reg_root(plat::RegRoot::ClassesRoot);
        return true;
    case 0x80000001u:
        *key = plat::reg_root(plat::RegRoot::CurrentUser);
        return true;
    case 0x80000002u:
        *key = plat::reg_root(plat::RegRoot::LocalMachine);
        return true;
    case 0x80000003u:
        *key = plat::reg_root(plat::RegRoot::Users);
        return true;
    case 0x80000005u:
        *key = plat::reg_root(plat::RegRoot::CurrentConfig);
        return true;
    default:
        return false;
    }
}

std::int32_t ScriptValueOf(plat::RegKey key) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(key & 0xFFFFFFFFu));
}

// The index of a handle of the context's table; -1 when it is none.
long FindIssued(ScriptContext* ctx, std::int32_t value, plat::RegKey* key) {
    RegistryKeys& t = ctx->registry_keys;
    if (!t.block || t.count == 0) return -1;
    auto* keys = static_cast<plat::RegKey*>(plat::mem_lock(t.block));
    long found = -1;
    for (std::uint32_t i = 0; keys && i < t.count; ++i) {
        if (ScriptValueOf(keys[i]) == value) {
            if (key) *key = keys[i];
            found = static_cast<long>(i);
            break;
        }
    }
    if (keys) plat::mem_unlock(t.block);
    return found;
}

// The key a script integer names: a root or a handle this context issued.
bool ResolveKey(ScriptContext* ctx, std::int32_t value, plat::RegKey* key) {
    return RootOf(value, key) || FindIssued(ctx, value, key) >= 0;
}

// Enters a handle in the table; false when there is no memory for it.
bool Issue(ScriptContext* ctx, plat::RegKey key) {
    RegistryKeys& t = ctx->registry_keys;
    if (t.count == t.capacity) {
        const std::uint32_t capacity = t.capacity ? t.capacity * 2 : 16;
        plat::MemHandle block = plat::mem_alloc(capacity * sizeof(plat::RegKey));
        void* to = block ? plat::mem_lock(block) : nullptr;
        if (!to) {
            if (block) plat::mem_free(block);
            return false;
        }
        if (t.block) {
            if (void* from = plat::mem_lock(t.block)) {
                std::memcpy(to, from, t.count * sizeof(plat::RegKey));
                plat::mem_unlock(t.block);
            }
            plat::mem_free(t.block);
        }
        plat::mem_unlock(block);
        t.block = block;
        t.capacity = capacity;
    }
    auto* keys = static_cast<plat::RegKey*>(plat::mem_lock(t.block));
    if (!keys) return false;
    keys[t.count++] = key;
    plat::mem_unlock(t.block);
    return true;
}

void Forget(ScriptContext* ctx, long index) {
    RegistryKeys& t = ctx->registry_keys;
    auto* keys = static_cast<plat::RegKey*>(plat::mem_lock(t.block));
    if (!keys) return;
    keys[index] = keys[t.count - 1];
    --t.count;
    plat::mem_unlock(t.block);
}

void CloseContextKeys(ScriptContext* ctx) {
    RegistryKeys& t = ctx->registry_keys;
    if (t.block) {
        if (auto* keys = static_cast<plat::RegKey*>(plat::mem_lock(t.block))) {
            for (std::uint32_t i = 0; i < t.count; ++i)
                plat::reg_close(keys[i]);
            plat::mem_unlock(t.block);
        }
        plat::mem_free(t.block);
    }
    t = RegistryKeys{};
}

// A subkey opened for one operation, closed again on every path. An empty
// subkey is the key itself.
class SubKey {
public:
    SubKey(plat::RegKey key, const std::string& subkey, bool write, bool create) : key_(key) {
        if (subkey.empty()) return;
        rc_ = create ? plat::reg_create_key(key, subkey.c_str(), &key_)
                     : plat::reg_open_key(key, subkey.c_str(), write, &key_);
        owned_ = rc_ == err::Success;
    }
    ~SubKey() {
        if (owned_) plat::reg_close(key_);
    }
    SubKey(const SubKey&) = delete;
    SubKey& operator=(const SubKey&) = delete;
    bool ok() const { return rc_ == err::Success; }
    std::uint32_t rc() const { return rc_; }
    plat::RegKey key() const { return key_; }

private:
    plat::RegKey key_ = 0;
    std::uint32_t rc_ = err::Success;
    bool owned_ = false;
};

// A zero-filled block of global memory; ok() false when it could not be
// had.
class Buffer {
public:
    explicit Buffer(std::size_t size) {
        handle_ = plat::mem_alloc(size ? size : 1);
        data_ = handle_ ? static_cast<char*>(plat::mem_lock(handle_)) : nullptr;
        if (data_) std::memset(data_, 0, size ? size : 1);
    }
    ~Buffer() {
        if (data_) plat::mem_unlock(handle_);
        if (handle_) plat::mem_free(handle_);
    }
    Buffer(const Buffer&) = delete;
    Buffer& operator=(const Buffer&) = delete;
    bool ok() const { return data_ != nullptr; }
    char* data() { return data_; }

private:
    plat::MemHandle handle_ = 0;
    char* data_ = nullptr;
};

// ------------------------------------------------------------- queries

enum class Query { Value, ExpSz, Bin, Dword, MulSz };

// Checks a value's type against what the function reads; Err::None when
// it may be read.
Err TypeError(Query q, std::uint32_t type) {
    switch (q) {
    case Query::Value:
        switch (type) {
        case regtype::String:
        case regtype::Dword:
        case regtype::DwordBigEndian:
            return Err::None;
        case regtype::ExpandString:
            return Err::RegValueExpSz;
        case regtype::Binary:
            return Err::RegValueBinary;
        case regtype::MultiString:
            return Err::RegValueMulSz;
        default:
            return Err::RegValueNotText;
        }
    case Query::ExpSz:
        return type == regtype::ExpandString ? Err::None : Err::RegNotExpSz;
    case Query::Bin:
        return type == regtype::Binary ? Err::None : Err::RegNotBinary;
    case Query::Dword:
        return type == regtype::Dword || type == regtype::DwordBigEndian ? Err::None
                                                                         : Err::RegNotDword;
    case Query::MulSz:
        return type == regtype::MultiString ? Err::None : Err::RegNotMulSz;
    }
    return Err::RegValueNotText;
}

// A one-character delimiter of the multi-string functions.
bool DelimiterOf(const char* text, char* delimiter) {
    if (std::strlen(text) != 1) return false;
    *delimiter = text[0];
    return true;
}

int QueryValue(ScriptContext* ctx, Value& result, std::int32_t key_value, const char* name, Query q,
               const char* delimiter_text) {
    char delimiter = 0;
    if (q == Query::MulSz && !DelimiterOf(delimiter_text, &delimiter))
        return Raise(ctx, Err::RegBadDelimiter);
    std::string subkey, value;
    if (Err e = ParseRegValueName(name, &subkey, &value); e != Err::None) return Raise(ctx, e);
    plat::RegKey key = 0;
    if (!ResolveKey(ctx, key_value, &key)) return Raise(ctx, Err::RegSubkeyOpen);
    SubKey sub(key, subkey, false, false);
    if (!sub.ok()) return Raise(ctx, Err::RegSubkeyOpen);

    // The size, then the data into a block two bytes longer, zero-filled;
    // a value that grows between the two reads is read again.
    for (int attempt = 0; attempt < 4; ++attempt) {
        std::uint32_t type = 0, size = 0;
        if (plat::reg_query_value(sub.key(), value.c_str(), &type, nullptr, &size) != err::Success)
            return Raise(ctx, Err::RegQueryFailed);
        Buffer data(static_cast<std::size_t>(size) + 2);
        if (!data.ok()) return Raise(ctx, Err::RegMemory);
        std::uint32_t got = size;
        std::uint32_t rc =
            plat::reg_query_value(sub.key(), value.c_str(), &type, data.data(), &got);
        if (rc == err::MoreData) continue;
        if (rc != err::Success) return Raise(ctx, Err::RegQueryFailed);
        if (Err e = TypeError(q, type); e != Err::None) return Raise(ctx, e);
        const auto* bytes = reinterpret_cast<const unsigned char*>(data.data());
        std::string text;
        switch (type) {
        case regtype::Dword:
        case regtype::DwordBigEndian:
            // Only four bytes are a number.
            if (!RegNumberText(bytes, got, type == regtype::DwordBigEndian, &text))
                return Raise(ctx, q == Query::Dword ? Err::RegNotDword : Err::RegValueNotText);
            break;
        case regtype::Binary:
            text = RegBinaryText(bytes, got);
            break;
        case regtype::MultiString:
            text = RegMultiText(data.data(), got, delimiter);
            break;
        default:
            text = RegTextOf(data.data(), got);
            break;
        }
        return ResultCopy(ctx, result, text.c_str());
    }
    return Raise(ctx, Err::RegQueryFailed);
}

// ---------------------------------------------------------------- sets

enum class Set { Value, ExpSz, Bin, Dword, MulSz };

int SetValue(ScriptContext* ctx, Value& result, std::int32_t key_value, const char* name,
             const char* text, Set s, const char* delimiter_text) {
    std::string subkey, value;
    if (Err e = ParseRegValueName(name, &subkey, &value); e != Err::None) return Raise(ctx, e);
    std::string data;
    std::uint32_t type = regtype::String;
    switch (s) {
    case Set::Value:
    case Set::ExpSz:
        type = s == Set::Value ? regtype::String : regtype::ExpandString;
        data.assign(text, std::strlen(text) + 1);
        break;
    case Set::Dword: {
        std::uint32_t number = 0;
        if (!RegParseNumber(text, &number)) return Raise(ctx, Err::RegBadDword);
        type = regtype::Dword;
        const unsigned char b[4] = {static_cast<unsigned char>(number & 0xFF),
                                    static_cast<unsigned char>(number >> 8 & 0xFF),
                                    static_cast<unsigned char>(number >> 16 & 0xFF),
                                    static_cast<unsigned char>(number >> 24 & 0xFF)};
        data.assign(reinterpret_cast<const char*>(b), 4);
        break;
    }
    case Set::Bin:
        if (!RegParseBinary(text, &data)) return Raise(ctx, Err::RegBadBinary);
        type = regtype::Binary;
        break;
    case Set::MulSz: {
        char delimiter = 0;
        if (!DelimiterOf(delimiter_text, &delimiter)) return Raise(ctx, Err::RegBadDelimiter);
        data = RegMultiData(text, delimiter);
        type = regtype::MultiString;
        break;
    }
    }
    plat::RegKey key = 0;
    if (!ResolveKey(ctx, key_value, &key)) return Raise(ctx, Err::RegSubkeyOpen);
    SubKey sub(key, subkey, true, true);
    if (!sub.ok()) return Raise(ctx, Err::RegSubkeyOpen);
    if (plat::reg_set_value(sub.key(), value.c_str(), type, data.data(),
                            static_cast<std::uint32_t>(data.size())) != err::Success)
        return Raise(ctx, Err::RegSetFailed);
    result.i = 1;
    return 1;
}

// ---------------------------------------------------------------- lists

// The name of subkey (or value) number index; rc as the system gives it
// (err::NoMoreItems past the last). The buffer grows for a long name.
std::uint32_t NameAt(plat::RegKey key, bool values, std::uint32_t index, std::vector<char>* name) {
    for (;;) {
        std::uint32_t size = static_cast<std::uint32_t>(name->size());
        std::uint32_t rc = values ? plat::reg_enum_value(key, index, name->data(), &size)
                                  : plat::reg_enum_key(key, index, name->data(), &size);
        if (rc != err::MoreData) {
            if (rc == err::Success) name->at(size) = 0;
            return rc;
        }
        if (name->size() >= 65536) return rc;
        name->resize(name->size() * 2);
    }
}

// Every name followed by a tab. Only "no more items" ends the list; any
// other error is the function's error, never a short list.
int ListNames(ScriptContext* ctx, Value& result, plat::RegKey key, bool values, Err failure) {
    plat::RegKeyInfo info;
    std::size_t longest = 255;
    if (plat::reg_query_info(key, &info) == err::Success)
        longest =
            std::max<std::size_t>(longest, values ? info.longest_value_name : info.longest_subkey);
    std::vector<char> name(longest + 2);
    std::string list;
    for (std::uint32_t index = 0;; ++index) {
        std::uint32_t rc = NameAt(key, values, index, &name);
        if (rc == err::NoMoreItems) break;
        if (rc != err::Success) return Raise(ctx, failure);
        list += name.data();
        list += '\t';
    }
    return ResultCopy(ctx, result, list.c_str());
}

// ------------------------------------------------------------- handlers

namespace id {
constexpr int RegQueryBin = 327;
constexpr int RegQueryDword = 328;
constexpr int RegQueryExpSz = 330;
constexpr int RegQueryMulSz = 334;
constexpr int RegSetBin = 336;
constexpr int RegSetDword = 337;
constexpr int RegSetExpSz = 339;
constexpr int RegSetMulSz = 340;
} // namespace id

int FnRegOpenKey(ScriptContext* ctx, int, Value& result, Value* args) {
    plat::RegKey key = 0, opened = 0;
    if (!ResolveKey(ctx, args[1].i, &key)) return Raise(ctx, Err::RegOpenFailed);
    const char* subkey = ArgText(ctx, args[2]);
    // Writable where the user may write, else for reading.
    std::uint32_t rc = plat::reg_open_key(key, subkey, true, &opened);
    if (rc == err::AccessDenied) rc = plat::reg_open_key(key, subkey, false, &opened);
    if (rc != err::Success) return Raise(ctx, Err::RegOpenFailed);
    if (!Issue(ctx, opened)) {
        plat::reg_close(opened);
        return Raise(ctx, Err::RegMemory);
    }
    result.i = ScriptValueOf(opened);
    return 1;
}

int FnRegCreateKey(ScriptContext* ctx, int, Value& result, Value* args) {
    plat::RegKey key = 0, made = 0;
    if (!ResolveKey(ctx, args[1].i, &key)) return Raise(ctx, Err::RegCreateFailed);
    if (plat::reg_create_key(key, ArgText(ctx, args[2]), &made) != err::Success)
        return Raise(ctx, Err::RegCreateFailed);
    if (!Issue(ctx, made)) {
        plat::reg_close(made);
        return Raise(ctx, Err::RegMemory);
    }
    result.i = ScriptValueOf(made);
    return 1;
}

int FnRegCloseKey(ScriptContext* ctx, int, Value& result, Value* args) {
    plat::RegKey key = 0;
    if (RootOf(args[1].i, &key)) {
        result.i = 1; // the roots stay open
        return 1;
    }
    const long index = FindIssued(ctx, args[1].i, &key);
    if (index < 0) return Raise(ctx, Err::RegCloseFailed);
    Forget(ctx, index);
    if (plat::reg_close(key) != err::Success) return Raise(ctx, Err::RegCloseFailed);
    result.i = 1;
    return 1;
}

int FnRegDeleteKey(ScriptContext* ctx, int, Value& result, Value* args) {
    plat::RegKey key = 0;
    const char* subkey = ArgText(ctx, args[2]);
    // An empty subkey would delete the key the handle names itself.
    if (!ResolveKey(ctx, args[1].i, &key) || !*subkey) return Raise(ctx, Err::RegDeleteFailed);
    {
        // A key with subkeys is never deleted.
        SubKey sub(key, subkey, false, false);
        plat::RegKeyInfo info;
        if (!sub.ok() || plat::reg_query_info(sub.key(), &info) != err::Success ||
            info.subkeys != 0)
            return Raise(ctx, Err::RegDeleteFailed);
    }
    if (plat::reg_delete_key(key, subkey) != err::Success) return Raise(ctx, Err::RegDeleteFailed);
    result.i = 1;
    return 1;
}

int FnRegDelValue(ScriptContext* ctx, int, Value& result, Value* args) {
    std::string subkey, value;
    if (Err e = ParseRegValueName(ArgText(ctx, args[2]), &subkey, &value); e != Err::None)
        return Raise(ctx, e);
    plat::RegKey key = 0;
    if (!ResolveKey(ctx, args[1].i, &key)) return Raise(ctx, Err::RegSubkeyOpen);
    SubKey sub(key, subkey, true, false);
    if (!sub.ok()) return Raise(ctx, Err::RegSubkeyOpen);
    result.i = plat::reg_delete_value(sub.key(), value.c_str()) == err::Success ? 1 : 0;
    return 1;
}

int FnRegQuery(ScriptContext* ctx, int id, Value& result, Value* args) {
    const char* name = ArgText(ctx, args[2]);
    switch (id) {
    case id::RegQueryExpSz:
        return QueryValue(ctx, result, args[1].i, name, Query::ExpSz, "");
    case id::RegQueryBin:
        return QueryValue(ctx, result, args[1].i, name, Query::Bin, "");
    case id::RegQueryDword:
        return QueryValue(ctx, result, args[1].i, name, Query::Dword, "");
    case id::RegQueryMulSz:
        return QueryValue(ctx, result, args[1].i, name, Query::MulSz, ArgText(ctx, args[3]));
    default:
        return QueryValue(ctx, result, args[1].i, name, Query::Value, "");
    }
}

int FnRegQueryEx(ScriptContext* ctx, int, Value& result, Value* args) {
    const char* name = ArgText(ctx, args[2]);
    const char* delimiter = ArgText(ctx, args[3]);
    switch (args[4].i) {
    case 1:
        return QueryValue(ctx, result, args[1].i, name, Query::Value, "");
    case 2:
        return QueryValue(ctx, result, args[1].i, name, Query::ExpSz, "");
    case 3:
        return QueryValue(ctx, result, args[1].i, name, Query::Bin, "");
    case 4:
        return QueryValue(ctx, result, args[1].i, name, Query::Dword, "");
    case 7:
        return QueryValue(ctx, result, args[1].i, name, Query::MulSz, delimiter);
    default:
        return Raise(ctx, Err::RegQueryExType);
    }
}

int FnRegSet(ScriptContext* ctx, int id, Value& result, Value* args) {
    const char* name = ArgText(ctx, args[2]);
    const char* text = ArgText(ctx, args[3]);
    switch (id) {
    case id::RegSetExpSz:
        return SetValue(ctx, result, args[1].i, name, text, Set::ExpSz, "");
    case id::RegSetBin:
        return SetValue(ctx, result, args[1].i, name, text, Set::Bin, "");
    case id::RegSetDword:
        return SetValue(ctx, result, args[1].i, name, text, Set::Dword, "");
    case id::RegSetMulSz:
        return SetValue(ctx, result, args[1].i, name, text, Set::MulSz, ArgText(ctx, args[4]));
    default:
        return SetValue(ctx, result, args[1].i, name, text, Set::Value, "");
    }
}

int FnRegSetEx(ScriptContext* ctx, int, Value& result, Value* args) {
    const char* name = ArgText(ctx, args[2]);
    const char* text = ArgText(ctx, args[3]);
    const char* delimiter = ArgText(ctx, args[4]);
    switch (args[5].i) {
    case 1:
        return SetValue(ctx, result, args[1].i, name, text, Set::Value, "");
    case 2:
        return SetValue(ctx, result, args[1].i, name, text, Set::ExpSz, "");
    case 3:
        return SetValue(ctx, result, args[1].i, name, text, Set::Bin, "");
    case 4:
        return SetValue(ctx, result, args[1].i, name, text, Set::Dword, "");
    case 7:
        return SetValue(ctx, result, args[1].i, name, text, Set::MulSz, delimiter);
    default:
        return Raise(ctx, Err::RegSetExType);
    }
}

int FnRegEntryType(ScriptContext* ctx, int, Value& result, Value* args) {
    std::string subkey, value;
    if (Err e = ParseRegValueName(ArgText(ctx, args[2]), &subkey, &value); e != Err::None)
        return Raise(ctx, e);
    plat::RegKey key = 0;
    if (!ResolveKey(ctx, args[1].i, &key)) return Raise(ctx, Err::RegSubkeyOpen);
    SubKey sub(key, subkey, false, false);
    if (!sub.ok()) return Raise(ctx, Err::RegSubkeyOpen);
    std::uint32_t type = 0, size = 0;
    if (plat::reg_query_value(sub.key(), value.c_str(), &type, nullptr, &size) != err::Success)
        return Raise(ctx, Err::RegEntryTypeFailed);
    result.i = static_cast<std::int32_t>(type);
    return 1;
}

int FnRegQueryKeys(ScriptContext* ctx, int, Value& result, Value* args) {
    plat::RegKey key = 0;
    if (!ResolveKey(ctx, args[1].i, &key)) return Raise(ctx, Err::RegSubkeyOpen);
    return ListNames(ctx, result, key, false, Err::RegQueryFailed);
}

int FnRegQueryKey(ScriptContext* ctx, int, Value& result, Value* args) {
    plat::RegKey key = 0;
    if (!ResolveKey(ctx, args[1].i, &key)) return Raise(ctx, Err::RegSubkeyOpen);
    if (args[2].i < 0) return ResultCopy(ctx, result, "");
    std::vector<char> name(256);
    std::uint32_t rc = NameAt(key, false, static_cast<std::uint32_t>(args[2].i), &name);
    if (rc == err::NoMoreItems) return ResultCopy(ctx, result, "");
    if (rc != err::Success) return Raise(ctx, Err::RegQueryFailed);
    return ResultCopy(ctx, result, name.data());
}

int FnRegQueryItem(ScriptContext* ctx, int, Value& result, Value* args) {
    plat::RegKey key = 0;
    if (!ResolveKey(ctx, args[1].i, &key)) return Raise(ctx, Err::RegItemSubkey);
    SubKey sub(key, ArgText(ctx, args[2]), false, false);
    if (!sub.ok()) return Raise(ctx, Err::RegItemSubkey);
    return ListNames(ctx, result, sub.key(), true, Err::RegQueryFailed);
}

int FnRegConnect(ScriptContext* ctx, int, Value& result, Value* args) {
    plat::RegKey root = 0;
    if (!RootOf(args[2].i, &root)) return Raise(ctx, Err::RegConnectBadHandle);
    // "\\name" and "name" are the same computer; "" and "." this one.
    const char* name = ArgText(ctx, args[1]);
    while (*name == '\\')
        ++name;
    std::string computer;
    if (*name && std::strcmp(name, ".") != 0) computer = std::string("\\\\") + name;
    plat::RegKey remote = 0;
    const std::uint32_t rc = plat::reg_connect(computer.c_str(), root, &remote);
    switch (rc) {
    case err::Success:
        break;
    case err::InvalidHandle:
        return Raise(ctx, Err::RegConnectBadHandle);
    case err::BadNetPath:
        return Raise(ctx, Err::RegConnectBadName);
    case err::DllInitFailed:
        return Raise(ctx, Err::RegConnectNoService);
    default: {
        char text[64];
        std::snprintf(text, sizeof text, "Error code: %ld", static_cast<long>(rc));
        ShowMessageBox(ctx, ctx->host_window, text, "RegConnectRegistry failed",
                       plat::mb::Ok | plat::mb::IconExclamation | plat::mb::SetForeground);
        return Raise(ctx, Err::RegConnectFailed);
    }
    }
    if (!Issue(ctx, remote)) {
        plat::reg_close(remote);
        return Raise(ctx, Err::RegMemory);
    }
    result.i = ScriptValueOf(remote);
    return 1;
}

Err HiveError(std::uint32_t rc, bool load) {
    switch (rc) {
    case err::PrivilegeNotHeld:
        return Err::HivePrivilege;
    case err::AccessDenied:
        return Err::HiveAccessDenied;
    case err::InvalidHandle:
        return Err::HiveBadHandle;
    default:
        break;
    }
    if (load) {
        switch (rc) {
        case err::FileNotFound:
        case err::PathNotFound:
            return Err::HiveFileNotFound;
        case err::BadDb:
        case err::NotRegistryFile:
            return Err::HiveNotHive;
        case err::BadKey:
            return Err::HiveBadKey;
        case err::SharingViolation:
            return Err::HiveSharing;
        default:
            return Err::HiveFailed;
        }
    }
    switch (rc) {
    case err::InvalidParameter:
        return Err::HiveBadSubkey;
    case err::BadKey:
        return Err::HiveUnloadBadKey;
    default:
        return Err::HiveFailed;
    }
}

int FnRegLoadHive(ScriptContext* ctx, int, Value& result, Value* args) {
    char file[kPathSize];
    if (!LocateFile(ArgText(ctx, args[3]), file, sizeof file))
        return Raise(ctx, Err::HiveFileNotFound);
    plat::RegKey key = 0;
    if (!ResolveKey(ctx, args[1].i, &key)) return Raise(ctx, Err::HiveBadHandle);
    const std::uint32_t rc = plat::reg_load_hive(key, ArgText(ctx, args[2]), file);
    if (rc != err::Success) return Raise(ctx, HiveError(rc, true));
    result.i = 1;
    return 1;
}

int FnRegUnloadHive(ScriptContext* ctx, int, Value& result, Value* args) {
    plat::RegKey key = 0;
    if (!ResolveKey(ctx, args[1].i, &key)) return Raise(ctx, Err::HiveBadHandle);
    const std::uint32_t rc = plat::reg_unload_hive(key, ArgText(ctx, args[2]));
    if (rc != err::Success) return Raise(ctx, HiveError(rc, false));
    result.i = 1;
    return 1;
}

int FnRegApp(ScriptContext* ctx, int, Value& result, Value* args) {
    const std::string program = ArgText(ctx, args[1]);
    const char* path = ArgText(ctx, args[2]);
    char full[kPathSize];
    // The name as given, else with the default extension.
    const std::size_t cut = program.find_last_of("\\/:");
    const std::string base = cut == std::string::npos ? program : program.substr(cut + 1);
    const bool has_extension = base.find('.') != std::string::npos;
    bool found = !program.empty() && plat::search_path(program.c_str(), full, sizeof full);
    if (!found && !program.empty() && !has_extension)
        found = plat::search_path((program + ".EXE").c_str(), full, sizeof full) ||
                plat::search_path((program + ".exe").c_str(), full, sizeof full);
    if (!found) return Raise(ctx, Err::RegAppNotFound);
    std::string name = full;
    const std::size_t slash = name.find_last_of("\\/:");
    if (slash != std::string::npos) name = name.substr(slash + 1);
    if (name.find('.') == std::string::npos) name += ".EXE";
    for (char& c : name)
        c = plat::to_upper_char(c);
    const std::string subkey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\" + name;
    SubKey app(plat::reg_root(plat::RegRoot::LocalMachine), subkey, true, true);
    if (!app.ok()) return Raise(ctx, Err::RegAppWrite);
    if (plat::reg_set_value(app.key(), "", regtype::String, full,
                            static_cast<std::uint32_t>(std::strlen(full) + 1)) != err::Success)
        return Raise(ctx, Err::RegAppWrite);
    if (*path &&
        plat::reg_set_value(app.key(), "Path", regtype::String, path,
                            static_cast<std::uint32_t>(std::strlen(path) + 1)) != err::Success)
        return Raise(ctx, Err::RegAppWrite);
    result.i = 1;
    return 1;
}

constexpr ModuleFunction kFunctions[] = {
    {"regapp", FnRegApp, 0},
    {"regclosekey", FnRegCloseKey, 0},
    {"regconnect", FnRegConnect, 0},
    {"regcreatekey", FnRegCreateKey, 0},
    {"regdeletekey", FnRegDeleteKey, 0},
    {"regdelvalue", FnRegDelValue, 0},
    {"regentrytype", FnRegEntryType, 0},
    {"regloadhive", FnRegLoadHive, 0},
    {"regopenkey", FnRegOpenKey, 0},
    {"regquerybin", FnRegQuery, 0},
    {"regquerydword", FnRegQuery, 0},
    {"regqueryex", FnRegQueryEx, 0},
    {"regqueryexpsz", FnRegQuery, 0},
    {"regqueryitem", FnRegQueryItem, 0},
    {"regquerykey", FnRegQueryKey, 0},
    {"regquerykeys", FnRegQueryKeys, 0},
    {"regquerymulsz", FnRegQuery, 0},
    {"regqueryvalue", FnRegQuery, 0},
    {"regsetbin", FnRegSet, 0},
    {"regsetdword", FnRegSet, 0},
    {"regsetex", FnRegSetEx, 0},
    {"regsetexpsz", FnRegSet, 0},
    {"regsetmulsz", FnRegSet, 0},
    {"regsetvalue", FnRegSet, 0},
    {"regunloadhive", FnRegUnloadHive, 0},
};

} // namespace

// ------------------------------------------------------- the text forms

Err ParseRegValueName(const char* text, std::string* subkey, std::string* value) {
    subkey->clear();
    value->clear();
    const char* open = std::strchr(text, '[');
    const std::size_t length = open ? static_cast<std::size_t>(open - text) : std::strlen(text);
    if (length > kRegSubkeyMax) return Err::RegSubkeyTooLong;
    subkey->assign(text, length);
    if (!subkey->empty() && subkey->back() == '\\') subkey->pop_back();
    if (!open) return Err::None;
    const std::size_t rest = std::strlen(open + 1);
    if (rest == 0 || open[rest] != ']') return Err::RegBadItem;
    value->assign(open + 1, rest - 1);
    return Err::None;
}

std::string RegTextOf(const char* data, std::size_t size) {
    const void* zero = std::memchr(data, 0, size);
    return std::string(data, zero ? static_cast<const char*>(zero) - data : size);
}

std::string RegBinaryText(const unsigned char* data, std::size_t size) {
    static const char hex[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(size * 3);
    for (std::size_t i = 0; i < size; ++i) {
        if (i) text += ' ';
        text += hex[data[i] >> 4];
        text += hex[data[i] & 15];
    }
    return text;
}

bool RegNumberText(const unsigned char* data, std::size_t size, bool big_endian,
                   std::string* text) {
    if (size != 4) return false;
    std::uint32_t n = 0;
    for (int i = 0; i < 4; ++i)
        n |= static_cast<std::uint32_t>(data[big_endian ? 3 - i : i]) << (8 * i);
    *text = std::to_string(static_cast<std::int32_t>(n));
    return true;
}

std::string RegMultiText(const char* data, std::size_t size, char delimiter) {
    std::string text;
    std::size_t pos = 0;
    bool first = true;
    while (pos < size && data[pos] != 0) {
        const void* zero = std::memchr(data + pos, 0, size - pos);
        const std::size_t end =
            zero ? static_cast<std::size_t>(static_cast<const char*>(zero) - data) : size;
        if (!first) text += delimiter;
        text.append(data + pos, end - pos);
        first = false;
        pos = end + 1;
    }
    return text;
}

bool RegParseBinary(const char* text, std::string* bytes) {
    bytes->clear();
    const char* p = text;
    for (;;) {
        while (IsBlank(*p))
            ++p;
        if (!*p) return true;
        const char* start = p;
        while (*p && !IsBlank(*p))
            ++p;
        if (p - start != 2) return false;
        const int hi = HexDigit(start[0]), lo = HexDigit(start[1]);
        if (hi < 0 || lo < 0) return false;
        *bytes += static_cast<char>(hi * 16 + lo);
    }
}

bool RegParseNumber(const char* text, std::uint32_t* value) {
    const char* p = text;
    while (IsBlank(*p))
        ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') {
        negative = *p == '-';
        ++p;
        if (*p < '0' || *p > '9') return false;
    }
    std::uint64_t n = 0;
    while (*p >= '0' && *p <= '9') {
        n = n * 10 + static_cast<unsigned>(*p - '0');
        if (n > 0xFFFFFFFFull) return false;
        ++p;
    }
    while (IsBlank(*p))
        ++p;
    if (*p) return false;
    if (negative) {
        if (n > 0x80000000ull) return false;
        *value = static_cast<std::uint32_t>(0x100000000ull - n);
    } else {
        *value = static_cast<std::uint32_t>(n);
    }
    return true;
}

std::string RegMultiData(const char* text, char delimiter) {
    std::string data, item;
    for (const char* p = text;; ++p) {
        if (*p == 0 || *p == delimiter) {
            if (!item.empty()) {
                data += item;
                data += '\0';
            }
            item.clear();
            if (*p == 0) break;
            continue;
        }
        item += *p;
        if (plat::is_lead_byte(static_cast<unsigned char>(*p)) && p[1]) item += *++p;
    }
    data += '\0';
    return data;
}

const Module kRegistryModule =
    MakeModule("registry", kFunctions, CloseContextKeys, ReleaseStage::AfterNotice);

} // namespace jol
