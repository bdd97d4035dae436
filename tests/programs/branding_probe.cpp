// Prints what the branding record of this program's own image loads as, one field a line.
#include <cstdio>

#include "promo/branding_record.h"

int main() {
    orvalis::BrandingRecord record;
    record.Load();
    std::printf("resellerNumber=%d\n", record.resellerNumber);
    std::printf("linkNumber=%d\n", record.linkNumber);
    std::printf("resellerName=%s\n", record.resellerName.c_str());
    std::printf("resellerAddress=%s\n", record.resellerAddress.c_str());
    std::printf("displayName=%s\n", record.displayName.c_str());
    return 0;
}
