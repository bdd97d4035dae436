#include "engine/reachable_address.h"

namespace orvalis {

std::string ReachableAddress(std::string_view text) {
    std::string address =
        text.starts_with("http") ? std::string(text) : "http://" + std::string(text);
    if (!address.ends_with('/')) address += '/';
    return address;
}

}  // namespace orvalis
