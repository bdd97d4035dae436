#include "promo/branding_record.h"

#include <cstdio>
#include <cstring>

namespace orvalis {
namespace {

constexpr std::size_t kMarkerSize = 60;
constexpr std::size_t kRecordSize = 1000;
constexpr std::size_t kAlternateNameSize = 100;
constexpr std::size_t kBlockSize = kMarkerSize + kRecordSize + kMarkerSize + kAlternateNameSize;

// Record offsets, counted from the first byte after the marker.
constexpr std::size_t kUnbrandedAt = 0;
constexpr std::size_t kNumberAt = 4;
constexpr std::size_t kSecondNumberAt = 8;
constexpr std::size_t kDisplayNameAt = 40, kDisplayNameSize = 60;
constexpr std::size_t kResellerNameAt = 100, kResellerNameSize = 100;
constexpr std::size_t kWebAddressAt = 200, kWebAddressSize = 100;
constexpr std::size_t kAlternateNameAt = kRecordSize + kMarkerSize;

constexpr std::int32_t kDefaultResellerNumber = 100001;
constexpr std::int32_t kLinkNumberBase = 100000;
constexpr const char* kDefaultResellerName = "The Tellmark Club";
constexpr const char* kDefaultDisplayName = "Orvalis Pro";
constexpr const char* kRedirectFormat = "/url2/?r=%d&u=%s";

struct BrandingBlock {
    unsigned char bytes[kBlockSize];
};

// The block of a copy that was never branded. The marker exists only inside this constant
// evaluation, so the image holds its text in the block's two places and nowhere else.
consteval BrandingBlock UnbrandedBlock() {
    constexpr char marker[] = "~OrvalisPro~reseller~branding~block~k7Q2xV9mR4tW8zN3pL6sH1~~";
    static_assert(sizeof(marker) - 1 == kMarkerSize);
    BrandingBlock block{};
    auto fillPattern = [&block](std::size_t from, std::size_t size) {
        for (std::size_t i = 0; i < size; ++i) {
            block.bytes[from + i] = static_cast<unsigned char>("1234567890"[i % 10]);
        }
    };
    for (std::size_t i = 0; i < kMarkerSize; ++i) {
        block.bytes[i] = static_cast<unsigned char>(marker[i]);
        block.bytes[kMarkerSize + kRecordSize + i] = static_cast<unsigned char>(marker[i]);
    }
    fillPattern(kMarkerSize, kRecordSize);
    for (std::size_t end = 99; end <= 899; end += 100) block.bytes[kMarkerSize + end] = 0;
    fillPattern(kMarkerSize + kAlternateNameAt, kAlternateNameSize);
    block.bytes[kBlockSize - 1] = 0;
    return block;
}

// Kept in the image's initialised data even though nothing names it but Load.
[[gnu::used]] constinit BrandingBlock brandingBlock = UnbrandedBlock();

// The branding tool rewrites the block in the program file after the build, so the compiler must
// never fold its build-time bytes: every read goes through a pointer it cannot see through.
const unsigned char* BlockBytes() {
    static const unsigned char* volatile block = brandingBlock.bytes;
    return block;
}

std::int32_t ReadWord(const unsigned char* at) {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = (value << 8) | at[i];
    return static_cast<std::int32_t>(value);
}

// A text field ends at its first NUL byte, and at the field's end when the tool left none.
std::string ReadText(const unsigned char* at, std::size_t size) {
    const void* nul = std::memchr(at, 0, size);
    const std::size_t length =
        nul ? static_cast<std::size_t>(static_cast<const unsigned char*>(nul) - at) : size;
    return std::string(reinterpret_cast<const char*>(at), length);
}

std::string RedirectLink(std::int32_t linkNumber, const std::string& webAddress) {
    // Room for the format, the longest number and the longest address a field can hold.
    char path[kWebAddressSize + 64];
    std::snprintf(path, sizeof path, kRedirectFormat, linkNumber, webAddress.c_str());
    return ClubAddress() + path;
}

}  // namespace

std::string ClubAddress() { return "http://" + std::string(kClubHost); }

std::string_view BrandingRecord::Marker() {
    return std::string_view(reinterpret_cast<const char*>(BlockBytes()), kMarkerSize);
}

void BrandingRecord::Load() { LoadFrom(BlockBytes() + kMarkerSize); }

void BrandingRecord::LoadFrom(const unsigned char* record) {
    std::string webAddress;
    if (ReadWord(record + kUnbrandedAt) != 0) {
        resellerNumber = kDefaultResellerNumber;
        resellerName = kDefaultResellerName;
        webAddress = ClubAddress();
        displayName.clear();
    } else {
        resellerNumber = ReadWord(record + kNumberAt);
        if (resellerNumber == 0 && ReadWord(record + kSecondNumberAt) == 0) {
            resellerNumber = kDefaultResellerNumber;
        }
        resellerName = ReadText(record + kResellerNameAt, kResellerNameSize);
        webAddress = ReadText(record + kWebAddressAt, kWebAddressSize);
        displayName = ReadText(record + kDisplayNameAt, kDisplayNameSize);
        std::string alternateName = ReadText(record + kAlternateNameAt, kAlternateNameSize);
        if (alternateName.compare(0, 5, "12345") == 0) alternateName.clear();
        if (displayName.empty()) displayName = alternateName;
    }
    // Wraps like the 32-bit arithmetic it stands for, even for a number near the lower limit.
    linkNumber = static_cast<std::int32_t>(static_cast<std::uint32_t>(resellerNumber) -
                                           static_cast<std::uint32_t>(kLinkNumberBase));
    resellerAddress = webAddress.empty() ? std::string() : RedirectLink(linkNumber, webAddress);
    if (displayName.empty()) displayName = kDefaultDisplayName;
}

}  // namespace orvalis
