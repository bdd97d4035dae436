// Every desktop test runs with HOME and XDG_CONFIG_HOME in a fresh temporary folder, so no test
// reads or writes the real user's profile. Qt settles its settings paths once per process, so
// this is set before the first test.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <memory>

#include "support/temp_dir.h"

namespace orvalis {
namespace {

class TempConfigHome : public testing::Environment {
public:
    void SetUp() override {
        home_ = std::make_unique<test::TempDir>();
        setenv("HOME", home_->Path().c_str(), 1);
        setenv("XDG_CONFIG_HOME", (home_->Path() / "config").c_str(), 1);
    }
    void TearDown() override { home_.reset(); }

private:
    std::unique_ptr<test::TempDir> home_;
};

[[maybe_unused]] testing::Environment* const registered =
    testing::AddGlobalTestEnvironment(new TempConfigHome);

}  // namespace
}  // namespace orvalis
