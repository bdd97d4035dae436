#include "platform/local_address.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netdb.h>
#include <netinet/in.h>
#include <unistd.h>

namespace orvalis {

namespace {

Ipv4Address FromSocketAddress(const sockaddr* address) {
    const auto* ipv4 = reinterpret_cast<const sockaddr_in*>(address);
    const std::uint32_t value = ntohl(ipv4->sin_addr.s_addr);
    return {static_cast<std::uint8_t>(value >> 24), static_cast<std::uint8_t>(value >> 16),
            static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value)};
}

// Empty when the interface list cannot be read or holds no IPv4 address on an interface that is up.
std::optional<Ipv4Address> FromInterfaces() {
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) return std::nullopt;
    std::optional<Ipv4Address> loopback;
    std::optional<Ipv4Address> other;
    for (const ifaddrs* entry = list; entry != nullptr && !other; entry = entry->ifa_next) {
        if (entry->ifa_addr == nullptr || entry->ifa_addr->sa_family != AF_INET) continue;
        if ((entry->ifa_flags & IFF_UP) == 0) continue;
        const Ipv4Address address = FromSocketAddress(entry->ifa_addr);
        if ((entry->ifa_flags & IFF_LOOPBACK) != 0 || address[0] == 127) {
            if (!loopback) loopback = address;
        } else {
            other = address;
        }
    }
    freeifaddrs(list);
    return other ? other : loopback;
}

std::optional<Ipv4Address> FromHostName() {
    char name[256] = {};
    if (gethostname(name, sizeof name - 1) != 0) return std::nullopt;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    addrinfo* result = nullptr;
    if (getaddrinfo(name, nullptr, &hints, &result) != 0) return std::nullopt;
    std::optional<Ipv4Address> first;
    if (result != nullptr && result->ai_addr != nullptr) first = FromSocketAddress(result->ai_addr);
    freeaddrinfo(result);
    return first;
}

}  // namespace

std::optional<Ipv4Address> FirstLocalAddress() {
    if (auto address = FromInterfaces()) return address;
    return FromHostName();
}

}  // namespace orvalis
