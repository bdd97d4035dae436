#include "support/stalled_listener.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>
#include <thread>

#include "support/loopback_listener.h"

namespace orvalis::test {

StalledListener::StalledListener() {
    const LoopbackListener listener = ListenOnLoopback(0);
    listenFd_ = listener.fd;
    port_ = listener.port;
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    local.sin_port = htons(port_);
    // Connections nobody accepts fill the queue; later attempts then wait in vain.
    for (int i = 0; i < 4; ++i) {
        int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        connect(fd, reinterpret_cast<sockaddr*>(&local), sizeof local);
        fillers_.push_back(fd);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
}

StalledListener::~StalledListener() {
    for (int fd : fillers_) close(fd);
    close(listenFd_);
}

std::string StalledListener::Url() const {
    return "http://127.0.0.1:" + std::to_string(port_) + "/";
}

}  // namespace orvalis::test
