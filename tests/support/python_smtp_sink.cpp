#include "support/python_smtp_sink.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

namespace orvalis::test {
namespace {

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

// Reads the child's first line, waiting at most `timeout`; empty on time-out or end of output.
std::string ReadLine(int fd, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    std::string line;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd entry{fd, POLLIN, 0};
        if (left.count() <= 0 || poll(&entry, 1, static_cast<int>(left.count())) <= 0) {
            return {};
        }
        char c;
        if (read(fd, &c, 1) != 1) return {};
        if (c == '\n') return line;
        line += c;
    }
}

// The Debian interpreter first: another python3 earlier on PATH may lack the system packages.
std::string Interpreter() {
    return access("/usr/bin/python3", X_OK) == 0 ? "/usr/bin/python3" : "python3";
}

}  // namespace

PythonSmtpSink::PythonSmtpSink() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "orvalis-smtp-sink-XXXXXX").string();
    if (mkdtemp(pattern.data()) != nullptr) folder_ = pattern;
}

PythonSmtpSink::~PythonSmtpSink() {
    if (toChild_ >= 0) close(toChild_);  // the sink stops when its input ends
    if (child_ > 0) {
        int status = 0;
        bool gone = false;
        for (int i = 0; i < 100 && !gone; ++i) {
            gone = waitpid(child_, &status, WNOHANG) != 0;
            if (!gone) std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        if (!gone) {
            kill(child_, SIGKILL);
            waitpid(child_, &status, 0);
        }
    }
    if (!folder_.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }
}

PythonSmtpSink::Start PythonSmtpSink::Launch(std::string& why,
                                             const std::vector<std::string>& options) {
    if (folder_.empty()) {
        why = "no temporary folder";
        return Start::Failed;
    }
    const std::string script =
        (std::filesystem::path(__FILE__).parent_path() / "smtp_sink.py").string();
    const std::string interpreter = Interpreter();
    const std::string folder = folder_.string();
    std::vector<char*> argv = {const_cast<char*>(interpreter.c_str()),
                               const_cast<char*>(script.c_str()),
                               const_cast<char*>(folder.c_str())};
    for (const std::string& option : options) argv.push_back(const_cast<char*>(option.c_str()));
    argv.push_back(nullptr);
    int input[2];
    int output[2];
    if (pipe2(input, O_CLOEXEC) != 0) {
        why = "no pipe";
        return Start::Failed;
    }
    if (pipe2(output, O_CLOEXEC) != 0) {
        close(input[0]);
        close(input[1]);
        why = "no pipe";
        return Start::Failed;
    }
    child_ = fork();
    if (child_ == 0) {
        dup2(input[0], STDIN_FILENO);
        dup2(output[1], STDOUT_FILENO);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    close(input[0]);
    close(output[1]);
    toChild_ = input[1];
    if (child_ < 0) {
        close(output[0]);
        why = "fork failed";
        return Start::Failed;
    }
    const std::string line = ReadLine(output[0], std::chrono::seconds(20));
    close(output[0]);
    if (line.rfind("PORT ", 0) == 0) {
        port_ = std::atoi(line.c_str() + 5);
        return Start::Running;
    }
    if (line.rfind("MISSING", 0) == 0) {
        why = line;
        return Start::Missing;
    }
    // No line at all: an interpreter that could not be started exits with 127.
    int status = 0;
    pid_t done = 0;
    for (int i = 0; i < 20 && (done = waitpid(child_, &status, WNOHANG)) == 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    if (done == child_) {
        child_ = -1;
        if (WIFEXITED(status) && WEXITSTATUS(status) == 127) {
            why = "python3 is not installed";
            return Start::Missing;
        }
    }
    why = line.empty() ? "the SMTP sink did not start" : "the SMTP sink said: " + line;
    return Start::Failed;
}

std::string PythonSmtpSink::Message(int number, std::chrono::milliseconds timeout) {
    const auto path = folder_ / (std::to_string(number) + ".eml");
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!std::filesystem::exists(path) && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return ReadFile(path);
}

std::string PythonSmtpSink::Envelope(int number) {
    return ReadFile(folder_ / (std::to_string(number) + ".env"));
}

}  // namespace orvalis::test
