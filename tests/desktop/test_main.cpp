// The desktop tests run with a QApplication on the offscreen platform, and with HOME and
// XDG_CONFIG_HOME in a fresh temporary folder, so no test reads or writes the real user's profile.
// Qt settles its settings paths once per process, so both are set before anything else.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QApplication>

#include "support/temp_dir.h"

int main(int argc, char** argv) {
    orvalis::test::TempDir home;
    setenv("HOME", home.Path().c_str(), 1);
    setenv("XDG_CONFIG_HOME", (home.Path() / "config").c_str(), 1);
    setenv("XDG_RUNTIME_DIR", home.Path().c_str(), 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
