#pragma once

#include <array>
#include <cstdint>
#include <optional>

namespace orvalis {

/// An IPv4 address, most significant byte first (127.0.0.1 is {127, 0, 0, 1}).
using Ipv4Address = std::array<std::uint8_t, 4>;

/// The address that stands for this computer on the network: the first IPv4 address of an
/// interface that is up and not a loopback; a loopback address only when there is no other; and
/// when the interfaces cannot be read, the first IPv4 address the host name resolves to. Empty
/// when none of these yields an address.
std::optional<Ipv4Address> FirstLocalAddress();

}  // namespace orvalis
