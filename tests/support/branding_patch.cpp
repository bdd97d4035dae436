#include "support/branding_patch.h"

#include <algorithm>
#include <fstream>
#include <iterator>

#include "promo/branding_record.h"

namespace orvalis::test {
namespace {

// The block layout the branding tool relies on, counted from the first byte after the marker.
constexpr std::size_t kMarkerSize = 60;
constexpr std::size_t kRecordSize = 1000;
constexpr std::size_t kSecondMarkerAt = 1000;
constexpr std::size_t kAlternateNameAt = 1060;

void PutWord(std::string& bytes, std::size_t at, std::int32_t value) {
    const auto bits = static_cast<std::uint32_t>(value);
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>((bits >> (8 * i)) & 0xFF);
}

void PutText(std::string& bytes, std::size_t at, std::size_t width, const std::string& text) {
    std::fill_n(bytes.begin() + static_cast<std::ptrdiff_t>(at), width, '\0');
    std::copy_n(text.begin(), std::min(text.size(), width),
                bytes.begin() + static_cast<std::ptrdiff_t>(at));
}

}  // namespace

std::vector<std::size_t> FindAll(const std::string& bytes, const std::string& needle) {
    std::vector<std::size_t> found;
    for (std::size_t at = bytes.find(needle); at != std::string::npos;
         at = bytes.find(needle, at + 1)) {
        found.push_back(at);
    }
    return found;
}

std::string PatchBrandingRecord(const std::string& path, const BrandingPatch& patch) {
    std::string bytes;
    {
        std::ifstream in(path, std::ios::binary);
        if (!in) return "cannot read " + path;
        bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    const std::vector<std::size_t> markers = FindAll(bytes, std::string(BrandingRecord::Marker()));
    if (markers.size() != 2 || markers[1] != markers[0] + kMarkerSize + kSecondMarkerAt) {
        return "the file does not hold exactly one branding block";
    }
    const std::size_t record = markers[0] + kMarkerSize;
    PutText(bytes, record, kRecordSize, "");
    PutWord(bytes, record + 0, patch.unbranded);
    PutWord(bytes, record + 4, patch.resellerNumber);
    PutWord(bytes, record + 8, patch.secondNumber);
    PutText(bytes, record + 40, 60, patch.displayName);
    PutText(bytes, record + 100, 100, patch.resellerName);
    PutText(bytes, record + 200, 100, patch.webAddress);
    if (patch.alternateName) PutText(bytes, record + kAlternateNameAt, 100, *patch.alternateName);

    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return out ? std::string() : "cannot write " + path;
}

}  // namespace orvalis::test
