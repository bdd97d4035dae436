#pragma once

#include <string>

namespace orvalis {

/// Host names of two public sites whose home pages practically always answer. When both answer
/// while a page's server does not, the server is taken to be down rather than the connection.
inline constexpr const char* kFirstReferenceSite = "www.wikipedia.org";
inline constexpr const char* kSecondReferenceSite = "www.debian.org";

/// The two reference sites the checker asks, as bare host names.
struct ReferenceSites {
    std::string first = kFirstReferenceSite;    ///< asked first
    std::string second = kSecondReferenceSite;  ///< asked only when the first answers
};

}  // namespace orvalis
