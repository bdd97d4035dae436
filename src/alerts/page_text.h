#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace orvalis {

/// The display name whose distribution page offers the ready-made sales page.
inline constexpr std::string_view kSalesPageName = "Orvalis Pro";

/// `pageTemplate` with each "%s" in turn replaced by the next of `values`, inserted as given; a
/// "%s" beyond the last value stays.
std::string FillPlaceholders(std::string_view pageTemplate,
                             std::initializer_list<std::string_view> values);

/// The page that sends the browser on to `address`.
std::string RedirectPage(std::string_view address);

/// The help page for the program called `displayName`, brought by the named reseller.
std::string HelpPage(std::string_view displayName, std::string_view resellerAddress,
                     std::string_view resellerName);

/// The distribution page; it offers the sales page only when `displayName` is kSalesPageName.
std::string DistributionPage(std::string_view displayName);

}  // namespace orvalis
