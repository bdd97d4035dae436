#pragma once

#include <string>

namespace orvalis {

/// This computer's host name as the system reports it; empty when it cannot be read.
std::string LocalHostName();

}  // namespace orvalis
