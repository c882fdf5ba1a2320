#include "lib/desktop/dde_functions.h"

#include <cstring>
#include <string>
#include <vector>

#include "exec/error_report.h"
#include "host/context/errors.h"
#include "host/context/script_context.h"
#include "platform/boxes.h"
#include "platform/dde.h"

namespace jol {
namespace {

constexpr int kChannels = 10;
constexpr std::uint32_t kDefaultTimeout = 3000;
// The DDE library's longest string handle text.
constexpr std::size_t kNameMax = 255;

// An open conversation of any context, with the string handles it keeps.
// The callback, shared by all contexts, finds a conversation here when its
// server ends it; the channel that held it then reads as free.
struct Conversation {
    std::uint32_t instance;
    std::uintptr_t handle;
    std::uintptr_t service;
    std::uintptr_t topic;
};

std::vector<Conversation>& Conversations() {
    static std::vector<Conversation> list;
    return list;
}

// The context whose transaction is waiting (the callback runs inside it).
ScriptContext* g_waiting = nullptr;

Conversation* FindConversation(std::uint32_t instance, std::uintptr_t handle) {
    for (Conversation& c : Conversations())
        if (c.handle == handle && c.instance == instance) return &c;
    return nullptr;
}

// Frees the string handles of a conversation and forgets it.
void Forget(std::uintptr_t handle, std::uint32_t instance) {
    std::vector<Conversation>& list = Conversations();
    for (auto it = list.begin(); it != list.end(); ++it) {
        if (it->handle != handle || it->instance != instance) continue;
        plat::dde::free_string(instance, it->service);
        plat::dde::free_string(instance, it->topic);
        list.erase(it);
        return;
    }
}

// Whether channel n (1 to 10) holds a conversation; a channel whose server
// ended the conversation is cleared here.
bool ChannelOpen(ScriptContext* ctx, int n) {
    std::uintptr_t& slot = ctx->dde.conversations[n - 1];
    if (slot && !FindConversation(ctx->dde.instance, slot)) slot = 0;
    return slot != 0;
}

// The conversation of an open channel; 0 with the error raised.
std::uintptr_t ChannelConversation(ScriptContext* ctx, std::int32_t n) {
    if (n < 1 || n > kChannels) return Raise(ctx, Err::DdeBadChannel);
    if (!ChannelOpen(ctx, n)) return Raise(ctx, Err::DdeChannelNotOpen);
    return ctx->dde.conversations[n - 1];
}

// A transaction runs with the context known to the callback.
struct Waiting {
    ScriptContext* previous;
    explicit Waiting(ScriptContext* ctx) : previous(g_waiting) { g_waiting = ctx; }
    ~Waiting() { g_waiting = previous; }
    Waiting(const Waiting&) = delete;
    Waiting& operator=(const Waiting&) = delete;
};

int FnDdeInitiate(ScriptContext* ctx, int, Value& result, Value* args) {
    result.i = 0;
    DdeState& dde = ctx->dde;
    if (!ctx->dde_flags) {
        dde.instance = plat::dde::initialize(ClientCallback);
        if (!dde.instance) return Raise(ctx, Err::DdeNoInstance);
        ctx->dde_flags = 1;
    }
    int channel = 1;
    while (channel <= kChannels && ChannelOpen(ctx, channel))
        ++channel;
    if (channel > kChannels) return Raise(ctx, Err::DdeTooMany);
    const char* service_name = ArgText(ctx, args[1]);
    const char* topic_name = ArgText(ctx, args[2]);
    // Names the DDE library cannot hold whole are refused, never cut.
    if (std::strlen(service_name) > kNameMax || std::strlen(topic_name) > kNameMax)
        return Raise(ctx, Err::DdeInitiateString);
    const std::uintptr_t service = plat::dde::create_string(dde.instance, service_name);
    if (!service) return Raise(ctx, Err::DdeInitiateString);
    const std::uintptr_t topic = plat::dde::create_string(dde.instance, topic_name);
    if (!topic) {
        plat::dde::free_string(dde.instance, service);
        return Raise(ctx, Err::DdeInitiateString);
    }
    std::uintptr_t conversation = 0;
    {
        Waiting waiting(ctx);
        conversation = plat::dde::connect(dde.instance, service, topic);
    }
    if (!conversation) {
        // No server answered: nothing is kept, so a script that polls for
        // a server costs nothing.
        plat::dde::free_string(dde.instance, service);
        plat::dde::free_string(dde.instance, topic);
        return 1;
    }
    // A channel whose server ended its conversation may still hold the
    // handle the system now gives again.
    for (std::uintptr_t& slot : dde.conversations)
        if (slot == conversation) slot = 0;
    Conversations().push_back({dde.instance, conversation, service, topic});
    dde.conversations[channel - 1] = conversation;
    result.i = channel;
    return 1;
}

int FnDdeExecute(ScriptContext* ctx, int, Value& result, Value* args) {
    const std::uintptr_t conversation = ChannelConversation(ctx, args[1].i);
    if (!conversation) return 0;
    Waiting waiting(ctx);
    result.i = plat::dde::execute(conversation, ArgText(ctx, args[2]), ctx->dde.timeout) ? 1 : 0;
    return 1;
}

// A string handle for an item name; 0 with the error raised.
std::uintptr_t ItemHandle(ScriptContext* ctx, const char* name) {
    std::uintptr_t item = 0;
    if (std::strlen(name) <= kNameMax) item = plat::dde::create_string(ctx->dde.instance, name);
    if (!item) return Raise(ctx, Err::DdeItemString);
    return item;
}

int FnDdePoke(ScriptContext* ctx, int, Value& result, Value* args) {
    const std::uintptr_t conversation = ChannelConversation(ctx, args[1].i);
    if (!conversation) return 0;
    const std::uintptr_t item = ItemHandle(ctx, ArgText(ctx, args[2]));
    if (!item) return 0;
    bool accepted = false;
    {
        Waiting waiting(ctx);
        accepted = plat::dde::poke(conversation, item, ArgText(ctx, args[3]), ctx->dde.timeout);
    }
    plat::dde::free_string(ctx->dde.instance, item);
    result.i = accepted ? 1 : 0;
    return 1;
}

int FnDdeRequest(ScriptContext* ctx, int, Value& result, Value* args) {
    const std::uintptr_t conversation = ChannelConversation(ctx, args[1].i);
    if (!conversation) return 0;
    const std::uintptr_t item = ItemHandle(ctx, ArgText(ctx, args[2]));
    if (!item) return 0;
    std::string data;
    plat::dde::RequestOutcome outcome;
    {
        Waiting waiting(ctx);
        outcome = plat::dde::request(conversation, item, ctx->dde.timeout, &data);
    }
    plat::dde::free_string(ctx->dde.instance, item);
    switch (outcome) {
    case plat::dde::RequestOutcome::NoData:
        return ResultCopy(ctx, result, "***NACK***");
    case plat::dde::RequestOutcome::Unreadable:
        return Raise(ctx, Err::DdeDataAccess);
    case plat::dde::RequestOutcome::Data:
        break;
    }
    // The text ends at the first zero within the data, or with the data
    // (c_str terminates it there).
    return ResultCopy(ctx, result, data.c_str());
}

int FnDdeTerminate(ScriptContext* ctx, int, Value& result, Value* args) {
    const std::int32_t n = args[1].i;
    result.i = 1;
    if (n < 1 || n > kChannels) return Raise(ctx, Err::DdeBadChannel);
    if (!ChannelOpen(ctx, n)) {
        result.i = 0;
        return Raise(ctx, Err::DdeNotOpen);
    }
    const std::uintptr_t conversation = ctx->dde.conversations[n - 1];
    plat::dde::disconnect(conversation);
    Forget(conversation, ctx->dde.instance);
    ctx->dde.conversations[n - 1] = 0;
    return 1;
}

int FnDdeTimeout(ScriptContext* ctx, int, Value& result, Value* args) {
    const std::uint32_t old = ctx->dde.timeout;
    result.i = static_cast<std::int32_t>(old);
    // A negative timeout would reach the DDE library as the value that
    // makes transactions asynchronous, after which they would report
    // success before the server answered: it is refused, the old one stays.
    if (args[1].i >= 0) ctx->dde.timeout = static_cast<std::uint32_t>(args[1].i);
    return 1;
}

void ReleaseDde(ScriptContext* ctx) {
    DdeState& dde = ctx->dde;
    for (std::uintptr_t& conversation : dde.conversations) {
        if (!conversation) continue;
        if (FindConversation(dde.instance, conversation)) {
            plat::dde::disconnect(conversation);
            Forget(conversation, dde.instance);
        }
        conversation = 0;
    }
    if (ctx->dde_flags) plat::dde::uninitialize(dde.instance);
    dde.instance = 0;
    ctx->dde_flags = 0;
}

constexpr ModuleFunction kFunctions[] = {
    {"ddeexecute", FnDdeExecute, 0},     {"ddeinitiate", FnDdeInitiate, 0},
    {"ddepoke", FnDdePoke, 0},           {"dderequest", FnDdeRequest, 0},
    {"ddeterminate", FnDdeTerminate, 0}, {"ddetimeout", FnDdeTimeout, 0},
};

} // namespace

// The timeout a fresh context starts with.
void InitDdeState(ScriptContext* ctx) {
    ctx->dde.timeout = kDefaultTimeout;
}

const Module kDdeModule = MakeModule("dde", kFunctions, ReleaseDde, ReleaseStage::AfterPump);

} // namespace jol

JOL_LISTED_EXPORT std::uintptr_t JOL_STDCALL ClientCallback(std::uint32_t type, std::uint32_t,
                                                            std::uintptr_t conversation,
                                                            std::uintptr_t, std::uintptr_t,
                                                            std::uintptr_t, std::uintptr_t,
                                                            std::uintptr_t) {
    using namespace jol;
    switch (plat::dde::classify(type)) {
    case plat::dde::Event::Disconnect:
        for (const Conversation& c : Conversations()) {
            if (c.handle != conversation) continue;
            Forget(c.handle, c.instance);
            break;
        }
        break;
    case plat::dde::Event::TransactionComplete:
        // Every transaction is synchronous: this cannot come.
        if (g_waiting)
            ShowMessageBox(g_waiting, g_waiting->host_window,
                           "XTYP_XACT_COMPLETE we shoudnt be here", "DEBUG", plat::mb::Ok);
        break;
    case plat::dde::Event::Other:
        break;
    }
    return 0;
}
