#include "engine/checker_network.h"

#include "engine/connect_mode.h"

namespace orvalis {

CheckerNetwork ProbeNetwork() {
    return CheckerNetwork{
        .probePage =
            [](const std::string& address, FingerprintWords& words, const ProbeContext& context) {
                return ProbePage(address, words, false, context);
            },
        .isReachable = [](const std::string& text,
                          const ProbeContext& context) { return IsReachable(text, context); },
        .isConnected = [] { return IsConnected(); },
    };
}

}  // namespace orvalis
