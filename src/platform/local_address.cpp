#include "platform/local_address.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netdb.h>
#include <netinet/in.h>

#include <string>

#include "platform/host_name.h"

namespace orvalis {

namespace {

Ipv4Address FromSocketAddress(const sockaddr* address) {
    const auto* ipv4 = reinterpret_cast<const sockaddr_in*>(address);
    const std::uint32_t value = ntohl(ipv4->sin_addr.s_addr);
    return {static_cast<std::uint8_t>(value >> 24), static_cast<std::uint8_t>(value >> 16),
            static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value)};
}

// Empty when the interface list cannot be read.
std::optional<std::vector<InterfaceAddress>> ReadInterfaces() {
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) return std::nullopt;
    std::vector<InterfaceAddress> interfaces;
    for (const ifaddrs* entry = list; entry != nullptr; entry = entry->ifa_next) {
        if (entry->ifa_addr == nullptr || entry->ifa_addr->sa_family != AF_INET) continue;
        interfaces.push_back({FromSocketAddress(entry->ifa_addr), (entry->ifa_flags & IFF_UP) != 0,
                              (entry->ifa_flags & IFF_LOOPBACK) != 0});
    }
    freeifaddrs(list);
    return interfaces;
}

std::optional<Ipv4Address> FromHostName() {
    const std::string name = LocalHostName();
    if (name.empty()) return std::nullopt;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    addrinfo* result = nullptr;
    if (getaddrinfo(name.c_str(), nullptr, &hints, &result) != 0) return std::nullopt;
    std::optional<Ipv4Address> first;
    if (result != nullptr && result->ai_addr != nullptr) first = FromSocketAddress(result->ai_addr);
    freeaddrinfo(result);
    return first;
}

}  // namespace

std::optional<Ipv4Address> ChooseLocalAddress(const std::vector<InterfaceAddress>& interfaces) {
    std::optional<Ipv4Address> loopback;
    for (const InterfaceAddress& entry : interfaces) {
        if (!entry.up) continue;
        if (!entry.loopback && entry.address[0] != 127) return entry.address;
        if (!loopback) loopback = entry.address;
    }
    return loopback;
}

std::optional<Ipv4Address> FirstLocalAddress() {
    if (const auto interfaces = ReadInterfaces()) {
        if (auto address = ChooseLocalAddress(*interfaces)) return address;
    }
    return FromHostName();
}

}  // namespace orvalis
