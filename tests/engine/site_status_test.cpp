#include "engine/site_status.h"

#include <gtest/gtest.h>

#include <ctime>
#include <string>

namespace orvalis {
namespace {

TEST(SiteStatus, ClassesFollowTheExactTexts) {
    struct Case {
        std::string status;
        bool ok, open, alarm;
    };
    const Case cases[] = {
        {"", false, true, false},
        {"OK 14:03:59", true, true, false},
        {"OK", true, true, false},
        {"Ok 14:03:59", false, false, false},
        {"ok", false, false, false},
        {"O", false, false, false},
        {"Page Not Found", false, false, false},
        {"No Connection", false, false, false},
        {"SERVER DOWN", false, false, true},
        {"WAS DOWN", false, false, true},
        {"CHANGED", false, false, true},
        {"changed", false, false, false},
        {"CHANGED ", false, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("status \"" + c.status + "\"");
        EXPECT_EQ(IsOkStatus(c.status), c.ok);
        EXPECT_EQ(IsOpenStatus(c.status), c.open);
        EXPECT_EQ(IsAlarmStatus(c.status), c.alarm);
    }
}

TEST(SiteStatus, OkStatusShowsTheLocalTimeWithTwoDigitFields) {
    std::tm local{};
    local.tm_year = 126;
    local.tm_mon = 11;
    local.tm_mday = 11;
    local.tm_hour = 4;
    local.tm_min = 3;
    local.tm_sec = 9;
    local.tm_isdst = -1;
    EXPECT_EQ(FormatOkStatus(std::mktime(&local)), "OK 04:03:09");
    EXPECT_TRUE(IsOkStatus(OkStatusNow()));
}

TEST(SiteStatus, OnlyChangedSurvivesARestart) {
    EXPECT_EQ(StatusAfterRestart("CHANGED"), "CHANGED");
    for (const char* other :
         {"", "OK 10:00:00", "SERVER DOWN", "WAS DOWN", "Page Not Found", "changed"}) {
        EXPECT_EQ(StatusAfterRestart(other), "") << other;
    }
}

}  // namespace
}  // namespace orvalis
