#include "platform/wait_cancel.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <system_error>

namespace orvalis {
namespace {
thread_local const WaitCancel* adopted = nullptr;
}  // namespace

WaitCancel::WaitCancel() : fd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
    if (fd_ < 0) throw std::system_error(errno, std::generic_category(), "eventfd");
}

WaitCancel::~WaitCancel() { close(fd_); }

// The counter is never read back, so the descriptor stays readable from the first firing on.
void WaitCancel::Fire() {
    const std::uint64_t one = 1;
    while (write(fd_, &one, sizeof one) < 0 && errno == EINTR) {
    }
}

bool WaitCancel::Fired() const {
    pollfd entry{fd_, POLLIN, 0};
    return poll(&entry, 1, 0) > 0;
}

const WaitCancel* WaitCancel::OfThisThread() { return adopted; }

WaitCancel::Scope::Scope(const WaitCancel& cancel) : previous_(adopted) { adopted = &cancel; }

WaitCancel::Scope::~Scope() { adopted = previous_; }

}  // namespace orvalis
