#include "engine/reachable_address.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace orvalis {
namespace {

TEST(ReachableAddress, AddsSchemeAndSlashAsNeeded) {
    const std::pair<std::string, std::string> cases[] = {
        {"example.org", "http://example.org/"},
        {"example.org/", "http://example.org/"},
        {"http://example.org", "http://example.org/"},
        {"https://example.org/a", "https://example.org/a/"},
        {"httpbin.org", "httpbin.org/"},  // begins with "http", so it keeps no scheme
        {"HTTP://example.org/", "http://HTTP://example.org/"},
        {"", "http://"},
    };
    for (const auto& [text, address] : cases) EXPECT_EQ(ReachableAddress(text), address) << text;
}

}  // namespace
}  // namespace orvalis
