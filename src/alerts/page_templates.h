#pragma once

#include <string_view>

namespace orvalis {

/// The page that sends the browser on to an address; both "%s" take the address.
extern const std::string_view kRedirectPageTemplate;

/// The help page; its "%s" take, in order, the display name twice, the reseller's address and the
/// reseller's name.
extern const std::string_view kHelpPageTemplate;

/// The distribution page; its "%s" take the display name twice, and it holds kSalesPageToken once.
extern const std::string_view kDistributionPageTemplate;

/// The mark in the distribution page where the sales-page sentence goes.
inline constexpr std::string_view kSalesPageToken = "SALES_PAGE_LINK";

/// The sentence that offers the ready-made sales page for download.
extern const std::string_view kSalesPageText;

}  // namespace orvalis
