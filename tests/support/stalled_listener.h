#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace orvalis::test {

/// A port on 127.0.0.1 whose connection queue is full, so a new connection attempt never
/// completes: what a client sees of a host that drops its packets.
class StalledListener {
   public:
    StalledListener();
    ~StalledListener();

    StalledListener(const StalledListener&) = delete;
    StalledListener& operator=(const StalledListener&) = delete;

    /// "http://127.0.0.1:port/".
    std::string Url() const;
    /// The stalled port on 127.0.0.1.
    std::uint16_t Port() const { return port_; }

   private:
    int listenFd_ = -1;
    std::uint16_t port_ = 0;
    std::vector<int> fillers_;
};

}  // namespace orvalis::test
