#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace orvalis {

/// Host name of the club web site that carries the reseller redirect links.
inline constexpr std::string_view kClubHost = "tellmark-club.example";

/// The club web site's address: "http://" and the club host, no path.
std::string ClubAddress();

/// The reseller's values, read once at start-up from the branding block in the program image,
/// which an outside branding tool fills in per reseller. Read-only after Load.
class BrandingRecord {
   public:
    std::int32_t resellerNumber = 0;  ///< the reseller's number
    std::int32_t linkNumber = 0;      ///< the number in club links: resellerNumber - 100000
    std::string resellerName;         ///< the reseller's name, for the help page
    std::string resellerAddress;      ///< the reseller's redirect link on the club site, or empty
    std::string displayName;          ///< the program's name in titles, captions, pages and mail

    /// Fills the record from the image's branding block, with defaults for an unbranded copy.
    void Load();

    /// The 60-character marker text in front of the record, as the image holds it.
    static std::string_view Marker();

   private:
    void LoadFrom(const unsigned char* record);
};

}  // namespace orvalis
