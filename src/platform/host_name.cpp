#include "platform/host_name.h"

#include <unistd.h>

#include <climits>

namespace orvalis {

std::string LocalHostName() {
    char buffer[HOST_NAME_MAX + 1] = {};
    if (gethostname(buffer, sizeof buffer - 1) != 0) {
        return {};
    }
    return buffer;
}

}  // namespace orvalis
