// The message routes of the owner window, shared by both backends'
// window procedures. Internal to the platform layer.
#pragma once

#include <cstdint>

namespace plat::detail {

// Calls the handler registered for the message: true (and its result in
// *result) when there is one.
bool route_owner_message(unsigned message, std::uintptr_t wparam, std::intptr_t lparam,
                         std::intptr_t* result);

} // namespace plat::detail
