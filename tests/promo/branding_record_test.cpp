#include "promo/branding_record.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>

#include "support/branding_patch.h"
#include "support/child_process.h"
#include "support/temp_dir.h"

namespace orvalis {
namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Runs a copy of the probe program, branded with `patch` unless it is null, and returns the
// fields it printed.
std::map<std::string, std::string> LoadInCopy(const test::BrandingPatch* patch) {
    test::TempDir dir;
    const fs::path copy = dir.Path() / "branded_probe";
    fs::copy_file(ORVALIS_BRANDING_PROBE, copy);
    if (patch) {
        const std::string failure = test::PatchBrandingRecord(copy.string(), *patch);
        EXPECT_EQ(failure, "");
    }
    int status = 0;
    std::istringstream output(test::RunProgram({copy.string()}, &status));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
    std::map<std::string, std::string> fields;
    for (std::string line; std::getline(output, line);) {
        const auto equals = line.find('=');
        if (equals != std::string::npos) fields[line.substr(0, equals)] = line.substr(equals + 1);
    }
    return fields;
}

TEST(BrandingRecord, TheImageHoldsOneUnbrandedBlockWithTheMarkerNowhereElse) {
    const std::string image = ReadFile(ORVALIS_BRANDING_PROBE);
    const std::string marker(BrandingRecord::Marker());
    ASSERT_EQ(marker.size(), 60u);
    for (char c : marker) EXPECT_TRUE(c >= 0x20 && c <= 0x7E) << "byte " << int(c);

    const std::vector<std::size_t> found = test::FindAll(image, marker);
    ASSERT_EQ(found.size(), 2u);
    ASSERT_EQ(found[1], found[0] + 1060);

    // The record and the alternate name hold "1234567890" over and over, each from its start,
    // with a NUL ending every 100-byte text field up to +899 and ending the alternate name.
    auto pattern = [](std::size_t size) {
        std::string text;
        for (std::size_t i = 0; i < size; ++i) text += "1234567890"[i % 10];
        return text;
    };
    std::string record = pattern(1000);
    for (std::size_t end = 99; end <= 899; end += 100) record[end] = '\0';
    std::string alternate = pattern(100);
    alternate.back() = '\0';
    EXPECT_EQ(image.substr(found[0] + 60, 1000), record);
    EXPECT_EQ(image.substr(found[1] + 60, 100), alternate);
}

TEST(BrandingRecord, APatchedCopyLoadsWhatTheToolWrote) {
    const std::string club = "http://tellmark-club.example";
    struct Case {
        const char* name;
        bool patched;
        test::BrandingPatch patch;
        std::map<std::string, std::string> expected;
    };
    const std::string sixtyA(60, 'A');
    const Case cases[] = {
        {"never branded",
         false,
         {},
         {{"resellerNumber", "100001"},
          {"linkNumber", "1"},
          {"resellerName", "The Tellmark Club"},
          {"displayName", "Orvalis Pro"},
          {"resellerAddress", club + "/url2/?r=1&u=" + club}}},
        {"non-zero indicator ignores the fields",
         true,
         {1, 100250, 0, "Site Keeper", "Northwind Web", "http://northwind.example/", {}},
         {{"resellerNumber", "100001"},
          {"linkNumber", "1"},
          {"resellerName", "The Tellmark Club"},
          {"displayName", "Orvalis Pro"},
          {"resellerAddress", club + "/url2/?r=1&u=" + club}}},
        {"branded",
         true,
         {0, 100250, 7, "Site Keeper", "Northwind Web", "http://northwind.example/", {}},
         {{"resellerNumber", "100250"},
          {"linkNumber", "250"},
          {"resellerName", "Northwind Web"},
          {"displayName", "Site Keeper"},
          {"resellerAddress", club + "/url2/?r=250&u=http://northwind.example/"}}},
        {"both numbers 0",
         true,
         {0, 0, 0, "Site Keeper", "Northwind Web", "http://northwind.example/", {}},
         {{"resellerNumber", "100001"},
          {"linkNumber", "1"},
          {"resellerName", "Northwind Web"},
          {"displayName", "Site Keeper"},
          {"resellerAddress", club + "/url2/?r=1&u=http://northwind.example/"}}},
        {"number 0, second number set",
         true,
         {0, 0, 5, "Site Keeper", "Northwind Web", "http://northwind.example/", {}},
         {{"resellerNumber", "0"},
          {"linkNumber", "-100000"},
          {"resellerAddress", club + "/url2/?r=-100000&u=http://northwind.example/"}}},
        {"lowest number wraps",
         true,
         {0, INT32_MIN, 0, "Site Keeper", "Northwind Web", "http://northwind.example/", {}},
         {{"resellerNumber", "-2147483648"}, {"linkNumber", "2147383648"}}},
        {"empty web address",
         true,
         {0, 100300, 0, "Site Keeper", "Northwind Web", "", {}},
         {{"resellerNumber", "100300"}, {"resellerAddress", ""}}},
        {"alternate name still the digit pattern",
         true,
         {0, 100300, 0, "", "Northwind Web", "http://northwind.example/", {}},
         {{"displayName", "Orvalis Pro"}}},
        {"alternate name beginning 12345",
         true,
         {0, 100300, 0, "", "Northwind Web", "http://northwind.example/", "12345 Watch"},
         {{"displayName", "Orvalis Pro"}}},
        {"alternate name 1234 is a name",
         true,
         {0, 100300, 0, "", "Northwind Web", "http://northwind.example/", "1234"},
         {{"displayName", "1234"}}},
        {"other alternate name",
         true,
         {0, 100300, 0, "", "Northwind Web", "http://northwind.example/", "Page Warden"},
         {{"displayName", "Page Warden"}}},
        {"display name wins over the alternate",
         true,
         {0, 100300, 0, "Site Keeper", "Northwind Web", "http://northwind.example/", "Page Warden"},
         {{"displayName", "Site Keeper"}}},
        {"empty display and alternate names",
         true,
         {0, 100300, 0, "", "Northwind Web", "http://northwind.example/", ""},
         {{"displayName", "Orvalis Pro"}}},
        {"address with & and ?",
         true,
         {0, 100300, 0, "Site Keeper", "Northwind Web", "http://northwind.example/go?a=1&b=2", {}},
         {{"resellerAddress", club + "/url2/?r=300&u=http://northwind.example/go?a=1&b=2"}}},
        {"display name filling its field",
         true,
         {0, 100300, 0, sixtyA, "Northwind Web", "http://northwind.example/", {}},
         {{"displayName", sixtyA}, {"resellerName", "Northwind Web"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::map<std::string, std::string> loaded =
            LoadInCopy(c.patched ? &c.patch : nullptr);
        for (const auto& [field, value] : c.expected) {
            auto found = loaded.find(field);
            ASSERT_NE(found, loaded.end()) << field;
            EXPECT_EQ(found->second, value) << field;
        }
    }
}

}  // namespace
}  // namespace orvalis
