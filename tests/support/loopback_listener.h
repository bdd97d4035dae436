#pragma once

#include <cstdint>

namespace orvalis::test {

/// A listening socket on 127.0.0.1 at a free port, and that port.
struct LoopbackListener {
    int fd = -1;
    std::uint16_t port = 0;
};

/// Opens a listener on 127.0.0.1 with a free port and the given queue length; throws
/// std::runtime_error when it cannot.
LoopbackListener ListenOnLoopback(int backlog);

}  // namespace orvalis::test
