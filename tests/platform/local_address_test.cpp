#include "platform/local_address.h"

#include <gtest/gtest.h>

namespace orvalis {
namespace {

TEST(LocalAddress, FirstUpInterfaceBeatsLoopback) {
    const InterfaceAddress lo{{127, 0, 0, 1}, true, true};
    const InterfaceAddress eth{{192, 168, 1, 20}, true, false};
    const InterfaceAddress wlan{{10, 0, 0, 7}, true, false};
    const InterfaceAddress ethDown{{192, 168, 1, 21}, false, false};
    const InterfaceAddress loopbackRange{{127, 0, 1, 1}, true, false};
    struct Case {
        std::vector<InterfaceAddress> interfaces;
        std::optional<Ipv4Address> chosen;
    };
    const Case cases[] = {
        {{lo, eth}, eth.address},
        {{lo, eth, wlan}, eth.address},
        {{lo, ethDown, wlan}, wlan.address},
        {{lo, ethDown}, lo.address},
        {{loopbackRange, lo}, loopbackRange.address},
        {{loopbackRange, wlan}, wlan.address},
        {{ethDown}, std::nullopt},
        {{}, std::nullopt},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(ChooseLocalAddress(cases[i].interfaces), cases[i].chosen) << "case " << i;
    }
    // A machine always has an address for itself, if only its loopback one.
    EXPECT_TRUE(FirstLocalAddress().has_value());
}

}  // namespace
}  // namespace orvalis
