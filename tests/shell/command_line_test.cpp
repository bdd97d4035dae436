#include "shell/command_line.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace orvalis {
namespace {

TEST(CommandLine, OnlyAnExactBootAsTheFirstArgumentMarksAnAutorunStart) {
    struct Case {
        std::vector<std::string> arguments;
        bool bootStart;
    };
    const Case cases[] = {
        {{"/usr/bin/orvalis-pro"}, false},
        {{"/usr/bin/orvalis-pro", "boot"}, true},
        {{"/usr/bin/orvalis-pro", "boot", "extra"}, true},
        {{"/usr/bin/orvalis-pro", "Boot"}, false},
        {{"/usr/bin/orvalis-pro", "BOOT"}, false},
        {{"/usr/bin/orvalis-pro", "boot2"}, false},
        {{"/usr/bin/orvalis-pro", " boot"}, false},
        {{"/usr/bin/orvalis-pro", "other", "boot"}, false},
        {{}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments.size() > 1 ? c.arguments[1] : "(no argument)");
        EXPECT_EQ(ParseCommandLine(c.arguments, "/opt/orvalis-pro").bootStart, c.bootStart);
    }
}

TEST(CommandLine, TheProgramPathIsAbsolute) {
    EXPECT_EQ(ParseCommandLine({"./orvalis-pro"}, "/opt/x/orvalis-pro").programPath,
              "/opt/x/orvalis-pro");
    const auto expected = (std::filesystem::current_path() / "bin/orvalis-pro").string();
    EXPECT_EQ(ParseCommandLine({"./bin/orvalis-pro", "boot"}, "").programPath, expected);
    EXPECT_EQ(ParseCommandLine({}, "/opt/x/orvalis-pro").programPath, "");
}

}  // namespace
}  // namespace orvalis
