#include "engine/connect_mode.h"

#include <atomic>

namespace orvalis {

namespace {

std::atomic<int> connectMode{ConnectNormal};

}  // namespace

bool IsOnlineAddress(const std::optional<Ipv4Address>& firstAddress) {
    if (!firstAddress) return false;
    return !((*firstAddress)[0] == 127 && (*firstAddress)[1] == 0);
}

void SetConnectMode(int mode) { connectMode.store(mode); }

bool IsConnected() {
    if (connectMode.load() == ConnectNormal) return true;
    return IsOnlineAddress(FirstLocalAddress());
}

}  // namespace orvalis
