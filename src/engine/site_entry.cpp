#include "engine/site_entry.h"

namespace orvalis {

namespace {
const std::string kNoText;
}

const std::string& SiteEntry::Text(int column) const {
    switch (column) {
        case kColumnAddress:
            return address;
        case kColumnNumber:
            return number;
        case kColumnStatus:
            return status;
        default:
            return kNoText;
    }
}

void SiteEntry::SetText(int column, std::string text) {
    switch (column) {
        case kColumnAddress:
            address = std::move(text);
            break;
        case kColumnNumber:
            number = std::move(text);
            break;
        case kColumnStatus:
            status = std::move(text);
            break;
        default:
            break;
    }
}

}  // namespace orvalis
