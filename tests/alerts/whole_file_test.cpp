#include "alerts/whole_file.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/recording_messages.h"
#include "support/temp_dir.h"

namespace orvalis {
namespace {

namespace fs = std::filesystem;
using test::RecordingMessages;
using test::TempDir;

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

std::vector<std::string> Names(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    return names;
}

void ExpectOneWriteMessage(const RecordingMessages& messages, const std::string& path) {
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "Failed to write file " + path);
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::Error);
    EXPECT_EQ(messages.shown[0].buttons, MessageButtons::Ok);
}

TEST(WholeFile, WritesEveryByteForTheUserAloneAndReplacesAnOlderFile) {
    TempDir temp;
    const fs::path path = temp.Path() / "page.html";
    std::ofstream(path) << "an older and much longer page that must not shine through";
    RecordingMessages messages;
    const mode_t oldMask = ::umask(0);
    const std::string bytes("<p>\0\r\n</p>", 10);
    const bool written = WriteWholeFile(messages, path.string(), bytes);
    ::umask(oldMask);

    EXPECT_TRUE(written);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(ReadFile(path), bytes);
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0600u);
    EXPECT_EQ(Names(temp.Path()), std::vector<std::string>{"page.html"});
}

TEST(WholeFile, ReplacesALinkAtThePathInsteadOfWritingThroughIt) {
    TempDir temp;
    const fs::path victim = temp.Path() / "victim";
    std::ofstream(victim) << "keep";
    const fs::path path = temp.Path() / "page.html";
    fs::create_symlink(victim, path);
    RecordingMessages messages;

    EXPECT_TRUE(WriteWholeFile(messages, path.string(), "page"));
    EXPECT_FALSE(fs::is_symlink(path));
    EXPECT_EQ(ReadFile(path), "page");
    EXPECT_EQ(ReadFile(victim), "keep");
}

TEST(WholeFile, AFileThatCannotBeMadeGivesOneMessageAndLeavesNothing) {
    TempDir temp;
    fs::create_directory(temp.Path() / "taken.html");
    std::ofstream(temp.Path() / "taken.html" / "inside") << "x";
    struct Case {
        std::string why;
        std::string path;
    };
    std::vector<Case> cases = {
        {"missing folder", (temp.Path() / "missing" / "page.html").string()},
        {"folder nobody may write, root included", "/proc/page.html"},
        {"a folder in the way", (temp.Path() / "taken.html").string()},
        {"no file name", temp.Path().string() + "/"},
    };
    const fs::path locked = temp.Path() / "locked";
    fs::create_directory(locked);
    fs::permissions(locked, fs::perms::owner_read | fs::perms::owner_exec);
    if (::geteuid() != 0)
        cases.push_back({"folder without write permission", (locked / "p").string()});

    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        RecordingMessages messages;
        EXPECT_FALSE(WriteWholeFile(messages, c.path, "page"));
        ExpectOneWriteMessage(messages, c.path);
    }
    EXPECT_TRUE(fs::is_empty(locked));
    EXPECT_EQ(Names(temp.Path() / "taken.html"), std::vector<std::string>{"inside"});
    fs::permissions(locked, fs::perms::owner_all);
    const std::vector<std::string> left = Names(temp.Path());
    EXPECT_EQ(left.size(), 2u);  // "taken.html" and "locked", no part file
}

// Ignores the signal a write beyond the file size limit raises, and lowers the limit for a while.
class FileSizeLimit {
   public:
    explicit FileSizeLimit(rlim_t bytes) {
        oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &old_);
        rlimit lowered = old_;
        lowered.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &lowered);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, oldHandler_);
    }

   private:
    rlimit old_{};
    void (*oldHandler_)(int) = nullptr;
};

TEST(WholeFile, AWriteThatStopsHalfWayKeepsTheOldFileWhole) {
    TempDir temp;
    const fs::path path = temp.Path() / "page.html";
    std::ofstream(path) << "old page";
    RecordingMessages messages;
    bool written = true;
    {
        FileSizeLimit limit(64);
        written = WriteWholeFile(messages, path.string(), std::string(4096, 'n'));
    }
    EXPECT_FALSE(written);
    ExpectOneWriteMessage(messages, path.string());
    EXPECT_EQ(ReadFile(path), "old page");
    EXPECT_EQ(Names(temp.Path()), std::vector<std::string>{"page.html"});
}

}  // namespace
}  // namespace orvalis
