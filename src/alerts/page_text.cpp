#include "alerts/page_text.h"

#include "alerts/html_escape.h"
#include "alerts/page_templates.h"

namespace orvalis {

std::string FillPlaceholders(std::string_view pageTemplate,
                             std::initializer_list<std::string_view> values) {
    std::string page;
    page.reserve(pageTemplate.size());
    auto value = values.begin();
    std::size_t from = 0;
    for (std::size_t at = pageTemplate.find("%s");
         at != std::string_view::npos && value != values.end();
         at = pageTemplate.find("%s", from)) {
        page.append(pageTemplate, from, at - from);
        page.append(*value++);
        from = at + 2;
    }
    page.append(pageTemplate, from);
    return page;
}

// Every value is escaped: an address or a name can carry quotes and angle brackets, and must
// neither end an attribute nor start an element. The browser decodes the entities, so a link
// still leads to exactly the address given.
std::string RedirectPage(std::string_view address) {
    const std::string escaped = EscapeHtml(address);
    return FillPlaceholders(kRedirectPageTemplate, {escaped, escaped});
}

std::string HelpPage(std::string_view displayName, std::string_view resellerAddress,
                     std::string_view resellerName) {
    const std::string name = EscapeHtml(displayName);
    return FillPlaceholders(kHelpPageTemplate,
                            {name, name, EscapeHtml(resellerAddress), EscapeHtml(resellerName)});
}

std::string DistributionPage(std::string_view displayName) {
    // The token is replaced in the template, before the name goes in, so a name that happens to
    // hold the token keeps it.
    std::string pageTemplate(kDistributionPageTemplate);
    const std::string_view sales = displayName == kSalesPageName ? kSalesPageText : "";
    for (std::size_t at = pageTemplate.find(kSalesPageToken); at != std::string::npos;
         at = pageTemplate.find(kSalesPageToken, at + sales.size())) {
        pageTemplate.replace(at, kSalesPageToken.size(), sales);
    }
    const std::string name = EscapeHtml(displayName);
    return FillPlaceholders(pageTemplate, {name, name});
}

}  // namespace orvalis
