#pragma once
// The most job connections served at once: the setting "MaxConnections" of the section
// "General", bounded by what the descriptor limit leaves room for.
//
// A job in progress holds about four descriptors (its control connection, the wake signal of
// its worker, the data port and then the data connection, its spool file); the server itself
// keeps some for the settings store, the listeners, the trace and the event loop. A cap above
// what the limit allows would let accept run out of descriptors again, so a larger setting is
// lowered to fit.

#include <cstddef>
#include <cstdint>

namespace typestone {

inline constexpr size_t kDescriptorsPerConnection = 4;
inline constexpr uint64_t kReservedDescriptors = 64;
// Even with descriptors to spare, every connection is a thread of its own.
inline constexpr size_t kMaxConnectionsCeiling = 1024;

// The most connections the soft descriptor limit leaves room for (at least 1, at most
// kMaxConnectionsCeiling); also the default of the setting.
size_t ConnectionCapForLimit(uint64_t softLimit);

// "MaxConnections" as a decimal number, when it is one (1 or more); else the default. A value
// above ConnectionCapForLimit(softLimit) gives that, and *lowered is set.
size_t LoadMaxConnections(uint64_t softLimit, bool* lowered = nullptr);

} // namespace typestone
