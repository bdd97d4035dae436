#pragma once

#include <string>
#include <string_view>

namespace orvalis {

/// The address IsReachable opens for `text`: "http://" in front unless the text begins with
/// "http" (case-sensitive), and a "/" at the end unless it ends with one.
std::string ReachableAddress(std::string_view text);

}  // namespace orvalis
