#include "alerts/mail_date.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

namespace orvalis {
namespace {

// Sets TZ for one test and puts the old value back afterwards.
class ZoneGuard {
   public:
    explicit ZoneGuard(const char* zone) {
        if (const char* old = std::getenv("TZ")) old_ = old;
        setenv("TZ", zone, 1);
        tzset();
    }
    ~ZoneGuard() {
        if (old_) {
            setenv("TZ", old_->c_str(), 1);
        } else {
            unsetenv("TZ");
        }
        tzset();
    }

   private:
    std::optional<std::string> old_;
};

// 2026-12-11 13:03:59 UTC, a Friday.
constexpr std::time_t kFriday = 1796994239;

TEST(MailDate, IsEnglishWithFourDigitYearAndNumericZone) {
    struct Case {
        const char* zone;  // POSIX TZ rules, so no zone database is needed
        std::time_t when;
        const char* text;
    };
    const Case cases[] = {
        {"UTC0", kFriday, "Fri, 11 Dec 2026 13:03:59 +0000"},
        {"CET-1CEST,M3.5.0,M10.5.0/3", kFriday, "Fri, 11 Dec 2026 14:03:59 +0100"},
        {"CET-1CEST,M3.5.0,M10.5.0/3", kFriday - 180 * 86400, "Sun, 14 Jun 2026 15:03:59 +0200"},
        {"EST5EDT,M3.2.0,M11.1.0", kFriday, "Fri, 11 Dec 2026 08:03:59 -0500"},
        {"<+0530>-5:30", kFriday, "Fri, 11 Dec 2026 18:33:59 +0530"},
        {"<-0330>3:30", kFriday, "Fri, 11 Dec 2026 09:33:59 -0330"},
        {"<+14>-14", kFriday, "Sat, 12 Dec 2026 03:03:59 +1400"},
        {"UTC0", 946684800, "Sat, 01 Jan 2000 00:00:00 +0000"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.zone);
        ZoneGuard zone(c.zone);
        EXPECT_EQ(FormatMailDate(c.when), c.text);
    }
}

}  // namespace
}  // namespace orvalis
