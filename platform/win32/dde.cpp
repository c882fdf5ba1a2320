// The client side of the DDE management library.
#include <windows.h>

#include <ddeml.h>

#include <cstring>

#include "platform/dde.h"

namespace plat::dde {
namespace {

HCONV conv_of(std::uintptr_t c) {
    return reinterpret_cast<HCONV>(c);
}

HSZ hsz_of(std::uintptr_t h) {
    return reinterpret_cast<HSZ>(h);
}

// TIMEOUT_ASYNC is all ones: a timeout must stay below it.
DWORD sync_timeout(std::uint32_t timeout) {
    return timeout >= 0x7FFFFFFFu ? 0x7FFFFFFFu : timeout;
}

} // namespace

Event classify(std::uint32_t type) {
    if (type == XTYP_DISCONNECT) return Event::Disconnect;
    if (type == XTYP_XACT_COMPLETE) return Event::TransactionComplete;
    return Event::Other;
}

std::uint32_t initialize(Callback callback) {
    DWORD instance = 0;
    const auto fn = reinterpret_cast<PFNCALLBACK>(reinterpret_cast<void (*)()>(callback));
    const UINT r =
        DdeInitializeA(&instance, fn,
                       APPCLASS_STANDARD | APPCMD_CLIENTONLY | CBF_SKIP_CONNECT_CONFIRMS |
                           CBF_SKIP_REGISTRATIONS | CBF_SKIP_UNREGISTRATIONS,
                       0);
    return r == DMLERR_NO_ERROR ? instance : 0;
}

void uninitialize(std::uint32_t instance) {
    if (instance) DdeUninitialize(instance);
}

std::uintptr_t create_string(std::uint32_t instance, const char* text) {
    return reinterpret_cast<std::uintptr_t>(DdeCreateStringHandleA(instance, text, CP_WINANSI));
}

void free_string(std::uint32_t instance, std::uintptr_t handle) {
    if (handle) DdeFreeStringHandle(instance, hsz_of(handle));
}

std::uintptr_t connect(std::uint32_t instance, std::uintptr_t service, std::uintptr_t topic) {
    return reinterpret_cast<std::uintptr_t>(
        DdeConnect(instance, hsz_of(service), hsz_of(topic), nullptr));
}

void disconnect(std::uintptr_t conversation) {
    if (conversation) DdeDisconnect(conv_of(conversation));
}

bool execute(std::uintptr_t conversation, const char* command, std::uint32_t timeout) {
    DWORD status = 0;
    auto* bytes = reinterpret_cast<BYTE*>(const_cast<char*>(command));
    const auto size = static_cast<DWORD>(std::strlen(command) + 1);
    // The status holds the server's acknowledgement: a refusal may still
    // come back as a completed transaction.
    return DdeClientTransaction(bytes, size, conv_of(conversation), nullptr, 0, XTYP_EXECUTE,
                                sync_timeout(timeout), &status) != nullptr &&
           (status & DDE_FACK) != 0;
}

bool poke(std::uintptr_t conversation, std::uintptr_t item, const char* data,
          std::uint32_t timeout) {
    DWORD status = 0;
    auto* bytes = reinterpret_cast<BYTE*>(const_cast<char*>(data));
    const auto size = static_cast<DWORD>(std::strlen(data) + 1);
    return DdeClientTransaction(bytes, size, conv_of(conversation), hsz_of(item), CF_TEXT,
                                XTYP_POKE, sync_timeout(timeout), &status) != nullptr;
}

RequestOutcome request(std::uintptr_t conversation, std::uintptr_t item, std::uint32_t timeout,
                       std::string* data) {
    DWORD status = 0;
    HDDEDATA h = DdeClientTransaction(nullptr, 0, conv_of(conversation), hsz_of(item), CF_TEXT,
                                      XTYP_REQUEST, sync_timeout(timeout), &status);
    if (!h) return RequestOutcome::NoData;
    DWORD size = 0;
    const BYTE* bytes = DdeAccessData(h, &size);
    RequestOutcome outcome = RequestOutcome::Unreadable;
    if (bytes) {
        // The data object holds size bytes and nothing promises a zero
        // among them.
        data->assign(reinterpret_cast<const char*>(bytes), size);
        DdeUnaccessData(h);
        outcome = RequestOutcome::Data;
    }
    DdeFreeDataHandle(h);
    return outcome;
}

} // namespace plat::dde
