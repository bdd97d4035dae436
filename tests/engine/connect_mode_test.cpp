#include "engine/connect_mode.h"

#include <gtest/gtest.h>

namespace orvalis {
namespace {

TEST(ConnectMode, PassiveRuleLooksAtTheFirstAddress) {
    struct Case {
        std::optional<Ipv4Address> address;
        bool online;
    };
    const Case cases[] = {
        {Ipv4Address{127, 0, 0, 1}, false},     {Ipv4Address{127, 0, 1, 1}, false},
        {Ipv4Address{127, 0, 255, 254}, false}, {Ipv4Address{127, 1, 0, 1}, true},
        {Ipv4Address{192, 168, 1, 20}, true},   {Ipv4Address{10, 0, 0, 127}, true},
        {Ipv4Address{0, 0, 0, 0}, true},        {std::nullopt, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsOnlineAddress(c.address), c.online)
            << (c.address ? std::to_string((*c.address)[0]) + "." + std::to_string((*c.address)[1])
                          : "none");
    }
}

TEST(ConnectMode, NormalModeIsAlwaysConnectedAndPassiveFollowsTheMachinesAddress) {
    SetConnectMode(ConnectNormal);
    EXPECT_TRUE(IsConnected());
    SetConnectMode(ConnectPassive);
    EXPECT_EQ(IsConnected(), IsOnlineAddress(FirstLocalAddress()));
    SetConnectMode(ConnectNormal);
}

}  // namespace
}  // namespace orvalis
