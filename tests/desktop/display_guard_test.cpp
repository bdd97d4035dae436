#include <gtest/gtest.h>
#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/child_process.h"

namespace orvalis {
namespace {

// An X display number nobody serves: neither a socket file nor an abstract socket.
std::string UnservedDisplay() {
    std::ifstream unixSockets("/proc/net/unix");
    std::stringstream listing;
    listing << unixSockets.rdbuf();
    for (int number = 9000;; ++number) {
        const std::string socket = "/tmp/.X11-unix/X" + std::to_string(number);
        if (!std::filesystem::exists(socket) &&
            listing.str().find(socket + "\n") == std::string::npos) {
            return ":" + std::to_string(number);
        }
    }
}

struct Start {
    const char* what;
    std::vector<std::string> environment;
    int exitCode;
    std::string output;
    std::string reason;  // in the one line on standard error; empty: the program starts
};

TEST(DisplayGuard, WithoutAReachableDisplayTheProgramSaysSoInOneLineAndExits) {
    const std::string unserved = UnservedDisplay();
    const std::vector<Start> starts = {
        {"no display at all",
         {"DISPLAY=", "WAYLAND_DISPLAY=", "QT_QPA_PLATFORM="},
         2,
         "",
         "(DISPLAY is not set)"},
        {"an X display nobody serves",
         {"DISPLAY=" + unserved, "WAYLAND_DISPLAY=", "QT_QPA_PLATFORM="},
         2,
         "",
         "(could not connect to X display " + unserved + ")"},
        {"the X platform asked for without a display",
         {"DISPLAY=", "WAYLAND_DISPLAY=", "QT_QPA_PLATFORM=xcb"},
         2,
         "",
         "(DISPLAY is not set)"},
        {"a platform that needs no display",
         {"DISPLAY=", "WAYLAND_DISPLAY=", "QT_QPA_PLATFORM=offscreen"},
         0,
         "ok\n",
         ""},
    };
    for (const Start& start : starts) {
        SCOPED_TRACE(start.what);
        int status = 0;
        std::string errors;
        const std::string output =
            test::RunProgram({ORVALIS_DISPLAY_PROBE}, &status, start.environment, &errors);
        // An exit, never Qt's abort.
        ASSERT_TRUE(WIFEXITED(status)) << "status " << status << "\n" << errors;
        EXPECT_EQ(WEXITSTATUS(status), start.exitCode) << errors;
        EXPECT_EQ(output, start.output);
        if (start.reason.empty()) {
            EXPECT_EQ(errors.find("no display"), std::string::npos) << errors;
            continue;
        }
        const std::string line = "orvalis-pro: no display could be opened " + start.reason +
                                 "; start it from a desktop session, or set DISPLAY to a "
                                 "running X server\n";
        EXPECT_EQ(errors, line);
    }
}

}  // namespace
}  // namespace orvalis
