#pragma once

#include <optional>

#include "platform/local_address.h"

namespace orvalis {

/// The connect modes of the settings.
enum ConnectMode : int {
    ConnectNormal = 0,
    ConnectPassive = 1,
};

/// The "Passive" rule: the computer is online unless its first address is 127.0.x.x. With no
/// address at all it cannot reach any server, so it counts as offline and the pass is skipped
/// rather than blaming every server.
bool IsOnlineAddress(const std::optional<Ipv4Address>& firstAddress);

/// True when the computer counts as online in the current connect mode.
bool IsConnected();

/// Sets the connect mode once at start-up: 0 "Normal", 1 "Passive".
void SetConnectMode(int mode);

}  // namespace orvalis
