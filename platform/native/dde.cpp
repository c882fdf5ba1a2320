// Linux has no DDE library and no program that serves DDE: registration
// fails, so no conversation is ever made and the rest is never reached.
#include "platform/dde.h"

namespace plat::dde {

Event classify(std::uint32_t) {
    return Event::Other;
}

std::uint32_t initialize(Callback) {
    return 0;
}

void uninitialize(std::uint32_t) {}

std::uintptr_t create_string(std::uint32_t, const char*) {
    return 0;
}

void free_string(std::uint32_t, std::uintptr_t) {}

std::uintptr_t connect(std::uint32_t, std::uintptr_t, std::uintptr_t) {
    return 0;
}

void disconnect(std::uintptr_t) {}

bool execute(std::uintptr_t, const char*, std::uint32_t) {
    return false;
}

bool poke(std::uintptr_t, std::uintptr_t, const char*, std::uint32_t) {
    return false;
}

RequestOutcome request(std::uintptr_t, std::uintptr_t, std::uint32_t, std::string*) {
    return RequestOutcome::NoData;
}

} // namespace plat::dde
