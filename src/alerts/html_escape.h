#pragma once

#include <string>
#include <string_view>

namespace orvalis {

/// `text` with &, <, >, " and ' written as character references, safe inside an element and inside
/// a quoted attribute; a browser decodes it back to exactly `text`.
std::string EscapeHtml(std::string_view text);

}  // namespace orvalis
