// The client side of the system's dynamic data exchange (DDE) library:
// registering, string handles, conversations and synchronous transactions
// in the plain-text format. Linux has no DDE: natively registration fails
// and nothing else is ever reached.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/abi.h"

namespace plat::dde {

// The callback the DDE library calls: transaction type, format,
// conversation, two string handles, data handle and two data words.
using Callback = std::uintptr_t(JOL_STDCALL*)(std::uint32_t type, std::uint32_t format,
                                              std::uintptr_t conversation, std::uintptr_t name1,
                                              std::uintptr_t name2, std::uintptr_t data,
                                              std::uintptr_t word1, std::uintptr_t word2);

enum class Event { Disconnect, TransactionComplete, Other };
// What a transaction type given to the callback is.
Event classify(std::uint32_t type);

// Registers the caller as a client only, without connect confirmations or
// registration notices; the instance, or 0 when the library refused.
std::uint32_t initialize(Callback callback);
void uninitialize(std::uint32_t instance);

// A string handle for text in the ANSI code page; 0 on failure.
std::uintptr_t create_string(std::uint32_t instance, const char* text);
void free_string(std::uint32_t instance, std::uintptr_t handle);

// A conversation with a server of the service and topic; 0 when none
// answers.
std::uintptr_t connect(std::uint32_t instance, std::uintptr_t service, std::uintptr_t topic);
void disconnect(std::uintptr_t conversation);

// Synchronous transactions, each waiting at most timeout milliseconds (the
// timeout is never the value that makes a transaction asynchronous). True
// when the server accepted.
bool execute(std::uintptr_t conversation, const char* command, std::uint32_t timeout);
bool poke(std::uintptr_t conversation, std::uintptr_t item, const char* data,
          std::uint32_t timeout);

enum class RequestOutcome { Data, NoData, Unreadable };
// Asks for an item as text. With Data, *data holds the bytes the server
// sent, exactly as many as the data object holds (a terminating zero
// included when the server sent one).
RequestOutcome request(std::uintptr_t conversation, std::uintptr_t item, std::uint32_t timeout,
                       std::string* data);

} // namespace plat::dde
