// The routes from the owner window's messages to their handlers.
#include <map>
#include <mutex>

#include "platform/owner_routes.h"
#include "platform/owner_window.h"

namespace plat {
namespace {

struct Route {
    OwnerHandler handler;
    void* data;
};

std::mutex g_lock;

std::map<unsigned, Route>& routes() {
    static std::map<unsigned, Route> r;
    return r;
}

} // namespace

void set_owner_handler(unsigned message, OwnerHandler handler, void* data) {
    std::lock_guard<std::mutex> hold(g_lock);
    if (handler)
        routes()[message] = Route{handler, data};
    else
        routes().erase(message);
}

namespace detail {

bool route_owner_message(unsigned message, std::uintptr_t wparam, std::intptr_t lparam,
                         std::intptr_t* result) {
    Route r{};
    {
        std::lock_guard<std::mutex> hold(g_lock);
        auto it = routes().find(message);
        if (it == routes().end()) return false;
        r = it->second;
    }
    // Called without the lock: a handler may change the routes.
    *result = r.handler(r.data, message, wparam, lparam);
    return true;
}

} // namespace detail
} // namespace plat
