#pragma once

#include <string>

namespace orvalis {

/// The server name of an address with a scheme (for example "http://www.site.test/page" gives
/// "www.site.test"), with escape sequences decoded; empty when the address has no scheme or names
/// no server.
std::string HostOfAddress(const std::string& address);

}  // namespace orvalis
