#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace orvalis {

/// An IPv4 address, most significant byte first (127.0.0.1 is {127, 0, 0, 1}).
using Ipv4Address = std::array<std::uint8_t, 4>;

/// One IPv4 address of a network interface.
struct InterfaceAddress {
    /// The address.
    Ipv4Address address{};
    /// The interface is up.
    bool up = false;
    /// The interface is a loopback one.
    bool loopback = false;
};

/// Of the interfaces' addresses in the system's order: the first of an interface that is up and
/// not a loopback (127.x.x.x counts as loopback too); else the first loopback one that is up;
/// else none.
std::optional<Ipv4Address> ChooseLocalAddress(const std::vector<InterfaceAddress>& interfaces);

/// The address that stands for this computer on the network: the first IPv4 address of an
/// interface that is up and not a loopback; a loopback address only when there is no other; and
/// when the interfaces cannot be read, the first IPv4 address the host name resolves to. Empty
/// when none of these yields an address.
std::optional<Ipv4Address> FirstLocalAddress();

}  // namespace orvalis
