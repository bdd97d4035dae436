#include "shell/autostart_entry.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <optional>
#include <sstream>
#include <string_view>
#include <thread>
#include <vector>

#include "support/child_process.h"
#include "support/temp_dir.h"

namespace orvalis {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

std::string ReadText(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::optional<std::string> ValueOf(const std::string& entry, const std::string& key) {
    std::istringstream lines(entry);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind(key + "=", 0) == 0) return line.substr(key.size() + 1);
    }
    return std::nullopt;
}

bool IsReserved(char c) {
    return std::string_view(" \t\n\"'\\><~|&;$*?#()`").find(c) != std::string_view::npos;
}

// Reads an Exec value the way a launcher must: the string escapes first, then the quoting of
// each argument, then the field codes. Anything the rules leave undefined is refused.
std::optional<std::vector<std::string>> SplitExec(std::string_view value) {
    std::string line;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\') {
            line += value[i];
            continue;
        }
        if (++i == value.size()) return std::nullopt;
        switch (value[i]) {
            case 's':
                line += ' ';
                break;
            case 'n':
                line += '\n';
                break;
            case 't':
                line += '\t';
                break;
            case 'r':
                line += '\r';
                break;
            case '\\':
                line += '\\';
                break;
            default:
                return std::nullopt;
        }
    }

    std::vector<std::string> arguments;
    std::size_t i = 0;
    while (i < line.size()) {
        if (line[i] == ' ') {
            ++i;
            continue;
        }
        std::string argument;
        if (line[i] == '"') {
            for (++i;; ++i) {
                if (i == line.size()) return std::nullopt;
                if (line[i] == '"') break;
                if (line[i] == '\\') {
                    if (++i == line.size() ||
                        std::string_view("\"`$\\").find(line[i]) == std::string_view::npos) {
                        return std::nullopt;
                    }
                }
                argument += line[i];
            }
            if (++i < line.size() && line[i] != ' ') return std::nullopt;
        } else {
            for (; i < line.size() && line[i] != ' '; ++i) {
                if (IsReserved(line[i])) return std::nullopt;
                argument += line[i];
            }
        }
        std::string expanded;
        for (std::size_t k = 0; k < argument.size(); ++k) {
            if (argument[k] == '%') {
                // Only the literal percent sign may appear: the entry asks for no file or URL.
                if (++k == argument.size() || argument[k] != '%') return std::nullopt;
            }
            expanded += argument[k];
        }
        arguments.push_back(expanded);
    }
    return arguments;
}

// A stand-in for the program that records the arguments it was started with, NUL-separated,
// beside itself; the file appears whole or not at all.
void PlaceStandIn(const fs::path& program) {
    fs::create_directories(program.parent_path());
    std::ofstream(program) << "#!/bin/sh\n"
                              "cd \"${0%/*}\" && printf '%s\\0' \"$0\" \"$@\" > argv.tmp && "
                              "mv argv.tmp argv.out\n";
    fs::permissions(program, fs::perms::owner_all);
}

std::vector<std::string> RecordedArguments(const fs::path& program) {
    std::vector<std::string> arguments;
    std::string current;
    for (const char c : ReadText(program.parent_path() / "argv.out")) {
        if (c == '\0') {
            arguments.push_back(current);
            current.clear();
        } else {
            current += c;
        }
    }
    return arguments;
}

bool WaitForFile(const fs::path& file) {
    for (int i = 0; i < 500; ++i) {
        if (fs::exists(file)) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

TEST(AutostartEntry, AwkwardProgramPathsSurviveTheEntryAndStartWithBoot) {
    const char* folders[] = {
        "plain",
        "Orvalis Pro",
        "say \"hi\"",
        "back\\slash\\\\twice",
        "$HOME and ${HOME}",
        "`id` and $(id)",
        "100% %u %f %%",
        "it's",
        "Überwachung ✓ 監視",
        "a=b;c&d|e<f>g*h?i#j~k(l)",
        "new\nline and\ttab",
        "\\\"$`%' all at once",
    };
    const bool haveGio = access("/usr/bin/gio", X_OK) == 0;
    for (const char* folder : folders) {
        SCOPED_TRACE(folder);
        TempDir home;
        const fs::path program = home.Path() / folder / "orvalis-pro";
        PlaceStandIn(program);
        const AutostartEntry entry(home.Path() / "config" / "autostart" / kAutostartFileName);

        ASSERT_TRUE(entry.Install(program.string()));
        std::string errors;
        int status = -1;
        const std::string report = test::RunProgram(
            {"/usr/bin/desktop-file-validate", entry.File().string()}, &status, {}, &errors);
        EXPECT_EQ(status, 0) << report << errors;
        EXPECT_EQ(report + errors, "");

        const std::string text = ReadText(entry.File());
        const auto exec = ValueOf(text, "Exec");
        ASSERT_TRUE(exec) << text;
        const auto argv = SplitExec(*exec);
        ASSERT_TRUE(argv) << *exec;
        const std::vector<std::string> expected = {program.string(), "boot"};
        EXPECT_EQ(*argv, expected) << *exec;

        test::ChildProcess run(*argv);
        ASSERT_TRUE(run.Started());
        run.ReadAll();
        EXPECT_EQ(run.Wait(), 0);
        EXPECT_EQ(RecordedArguments(program), expected);

        // The launcher GNOME sessions use. It checks that the program exists before it undoes
        // the doubled percent signs, so it cannot load an entry for a path holding one.
        if (haveGio && std::string_view(folder).find('%') == std::string_view::npos) {
            fs::remove(program.parent_path() / "argv.out");
            int launched = -1;
            test::RunProgram({"/usr/bin/gio", "launch", entry.File().string()}, &launched);
            EXPECT_EQ(launched, 0);
            ASSERT_TRUE(WaitForFile(program.parent_path() / "argv.out"));
            EXPECT_EQ(RecordedArguments(program), expected);
        }
    }
}

TEST(AutostartEntry, TheEntryNamesTheProgramAndWaitsForTheDesktop) {
    const auto text = AutostartEntryText("/usr/bin/orvalis-pro");
    ASSERT_TRUE(text);
    EXPECT_EQ(text->rfind("[Desktop Entry]\n", 0), 0u);
    EXPECT_EQ(ValueOf(*text, "Type"), "Application");
    EXPECT_EQ(ValueOf(*text, "Name"), "Orvalis Pro");
    EXPECT_EQ(ValueOf(*text, "Icon"), "com.quennet.OrvalisPro");
    EXPECT_TRUE(ValueOf(*text, "Comment"));
    EXPECT_EQ(ValueOf(*text, "Exec"), "\"/usr/bin/orvalis-pro\" boot");
    EXPECT_EQ(ValueOf(*text, "X-GNOME-Autostart-Delay"), "5");
}

TEST(AutostartEntry, APathNoEntryCanCarryWritesNothingAndKeepsTheOldEntry) {
    const char* paths[] = {"",
                           "orvalis-pro",
                           "./bin/orvalis-pro",
                           "/opt/bell\a/orvalis-pro",
                           "/opt/escape\x1b/orvalis-pro",
                           "/opt/latin1-\xfc/orvalis-pro",
                           "/opt/cut-\xe2\x9c/orvalis-pro"};
    TempDir home;
    const AutostartEntry entry(home.Path() / "autostart" / kAutostartFileName);
    ASSERT_TRUE(entry.Install("/usr/bin/orvalis-pro"));
    const std::string before = ReadText(entry.File());
    for (const char* path : paths) {
        SCOPED_TRACE(path);
        EXPECT_FALSE(AutostartEntryText(path));
        EXPECT_FALSE(entry.Install(path));
        EXPECT_EQ(ReadText(entry.File()), before);
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(entry.File().parent_path()), {}), 1);
}

TEST(AutostartEntry, AFolderThatCannotBeWrittenLeavesNoFileAndReportsFalse) {
    TempDir home;
    // Running as root ignores permissions, so the folder is made impossible: it lies under a
    // regular file, or the entry's name is taken by a folder.
    std::ofstream(home.Path() / "config") << "not a folder";
    const AutostartEntry underFile(home.Path() / "config" / "autostart" / kAutostartFileName);
    EXPECT_FALSE(underFile.Install("/usr/bin/orvalis-pro"));
    EXPECT_EQ(ReadText(home.Path() / "config"), "not a folder");

    const fs::path taken = home.Path() / "autostart" / kAutostartFileName;
    fs::create_directories(taken);
    EXPECT_FALSE(AutostartEntry(taken).Install("/usr/bin/orvalis-pro"));
    EXPECT_TRUE(fs::is_empty(taken));
    EXPECT_EQ(std::distance(fs::directory_iterator(taken.parent_path()), {}), 1);
}

TEST(AutostartEntry, TheEntryFollowsTheAutorunSetting) {
    TempDir home;
    const AutostartEntry entry(home.Path() / "autostart" / kAutostartFileName);
    AppSettings settings;
    settings.ProgramPath = "/opt/Orvalis Pro/orvalis-pro";

    settings.Autorun = 0;
    EXPECT_TRUE(entry.Apply(settings));  // nothing there to delete
    EXPECT_FALSE(fs::exists(entry.File()));

    settings.Autorun = 1;
    EXPECT_TRUE(entry.Apply(settings));
    EXPECT_EQ(ValueOf(ReadText(entry.File()), "Exec"), "\"/opt/Orvalis Pro/orvalis-pro\" boot");
    EXPECT_TRUE(entry.Apply(settings));  // applying again after Cancel rewrites the same entry
    EXPECT_TRUE(fs::exists(entry.File()));

    settings.Autorun = 0;
    EXPECT_TRUE(entry.Apply(settings));
    EXPECT_FALSE(fs::exists(entry.File()));

    settings.Autorun = 2;  // a stored value the rest of the program reads as on
    EXPECT_TRUE(entry.Apply(settings));
    EXPECT_TRUE(fs::exists(entry.File()));

    settings.Autorun = 1;
    settings.ProgramPath = "";
    EXPECT_FALSE(entry.Apply(settings));
}

TEST(AutostartEntry, TheFolderComesFromXdgConfigHomeElseHome) {
    struct Case {
        const char* configHome;
        const char* home;
        fs::path folder;
    };
    const Case cases[] = {
        {"/cfg", "/home/u", "/cfg/autostart"},
        {nullptr, "/home/u", "/home/u/.config/autostart"},
        {"", "/home/u", "/home/u/.config/autostart"},
        {"relative/cfg", "/home/u", "/home/u/.config/autostart"},
        {"/cfg", nullptr, "/cfg/autostart"},
        {nullptr, nullptr, ""},
        {nullptr, "relative", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.folder);
        EXPECT_EQ(AutostartFolder(c.configHome, c.home), c.folder);
    }
}

TEST(AutostartEntry, ApplyAutorunWritesIntoTheUsersConfigFolder) {
    TempDir home;
    const char* saved = std::getenv("XDG_CONFIG_HOME");
    const std::optional<std::string> previous = saved ? std::optional(saved) : std::nullopt;
    setenv("XDG_CONFIG_HOME", home.Path().c_str(), 1);
    AppSettings settings;
    settings.ProgramPath = "/usr/bin/orvalis-pro";
    settings.Autorun = 1;
    const bool written = ApplyAutorun(settings);
    const bool present = fs::exists(home.Path() / "autostart" / kAutostartFileName);
    settings.Autorun = 0;
    const bool removed = ApplyAutorun(settings);
    if (previous) {
        setenv("XDG_CONFIG_HOME", previous->c_str(), 1);
    } else {
        unsetenv("XDG_CONFIG_HOME");
    }
    EXPECT_TRUE(written);
    EXPECT_TRUE(present);
    EXPECT_TRUE(removed);
    EXPECT_TRUE(fs::is_empty(home.Path() / "autostart"));
}

}  // namespace
}  // namespace orvalis
